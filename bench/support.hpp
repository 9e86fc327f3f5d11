// Shared pieces of the benchmark programs: building puzzles from text,
// running an engine under a time limit, medians and table formatting.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "puzzle/records.hpp"

namespace islands::bench {

using bench_clock = std::chrono::steady_clock;

inline double seconds_since(bench_clock::time_point start) {
    return std::chrono::duration<double>(bench_clock::now() - start).count();
}

// Reads the puzzle and builds its graph, isolation check included, as a run
// does before the search. Throws input_error like the driver's path.
std::unique_ptr<puzzle> build_puzzle(const std::string& text);

enum class engine_kind { literal, fast };

const char* engine_name(engine_kind which);

struct search_outcome {
    int result = 0;         // 1 solved, 0 no solution, -1 capped
    double seconds = 0.0;   // search time (the limit, if capped)
    std::vector<std::int8_t> bridges;  // per edge, in edge_list order, when solved
};

// Builds `text` and searches it once, giving up after `limit` seconds of
// search. Throws std::runtime_error if the search crashes.
search_outcome search_within(const std::string& text, engine_kind which, double limit);

// Searches fresh builds of `text` (which must finish) until `min_reps` runs
// and `min_seconds` in total, and returns the median search time.
double repeat_search(const std::string& text, engine_kind which, int min_reps, double min_seconds);

// Runs the engine on a built puzzle, giving up after `steps` decisions
// (0: never). Returns 1, 0, or -1 when it gave up.
int run_engine(puzzle& p, engine_kind which, std::uint64_t steps);

double median(std::vector<double> values);

struct grid_size {
    std::int32_t width, height;
    std::string label() const { return std::to_string(width) + "x" + std::to_string(height); }
};

// "10,30,1x200000": a bare N is N x N. Exits with a message on a bad item.
std::vector<grid_size> parse_sizes(const std::string& text);

// Seconds with a unit chosen so three significant digits show: "12.3 us".
std::string format_time(double seconds);

// Bytes as "812 KB", "31.2 MB".
std::string format_bytes(double bytes);

}  // namespace islands::bench
