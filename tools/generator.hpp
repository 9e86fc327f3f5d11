// Random puzzles with a known solution: a bridge network is grown on an empty
// grid, then every island's weight is set to the bridges that end on it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace islands {

// A small deterministic generator (splitmix64). Implemented here rather than
// taken from <random> so that one seed gives one puzzle on every platform
// and library version.
class split_mix {
public:
    explicit split_mix(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }

    // Uniform in [0, n), n > 0; the multiply-shift bias is far below
    // anything a puzzle could show.
    std::uint32_t below(std::uint32_t n) {
        return static_cast<std::uint32_t>(((next() >> 32) * n) >> 32);
    }

    // Uniform in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    bool chance(double p) { return unit() < p; }

private:
    std::uint64_t state_;
};

enum class tamper_kind {
    none,
    odd_total,  // one weight moved by 1: every bridge adds 2 to the total, so no solution
    shift_two,  // one weight moved by 2: the parity holds, solvability is unknown
};

struct generator_options {
    std::int32_t width = 10;
    std::int32_t height = 10;
    double density = 0.25;     // islands wanted per cell; growth may stop short
    double doubles = 0.3;      // share of bridges that are double
    double loops = 0.3;        // chance that a bridge meeting an island joins it
    std::int32_t max_span = 0; // longest bridge in cells; 0 picks one from the density
    bool adjacent = false;     // allow bridges of length 1 between touching islands
    tamper_kind tamper = tamper_kind::none;
    std::uint64_t seed = 1;
};

// One planted bridge, from its left or upper island to the other one.
struct planted_bridge {
    std::int32_t ax, ay, bx, by;
    std::int32_t count;  // 1 or 2
};

struct generated_puzzle {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> weights;  // row-major, 0 for an empty cell
    std::vector<planted_bridge> bridges;
    std::int32_t islands = 0;
    // The cell whose weight was changed (-1 if none); the planted bridges
    // then no longer match that weight.
    std::int32_t tampered_x = -1;
    std::int32_t tampered_y = -1;

    std::uint8_t weight(std::int32_t x, std::int32_t y) const {
        return weights[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(x)];
    }
};

// Throws std::invalid_argument for sizes below 1 or shares outside [0, 1].
generated_puzzle generate(const generator_options& options);

// The puzzle in the solver's input format: "W H", then one line per row.
std::string format_puzzle(const generated_puzzle& g);

// The planted bridges in the solver's listing format, one line each.
std::string format_bridges(const generated_puzzle& g);

inline std::string generate_puzzle(const generator_options& options) {
    return format_puzzle(generate(options));
}

}  // namespace islands
