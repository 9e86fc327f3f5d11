#include "tools/generator.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace islands {
namespace {

// Cell states besides an island's index (>= 0).
constexpr std::int32_t empty_cell = -1;
constexpr std::int32_t bridge_cell = -2;

constexpr std::int32_t dx[4] = {1, 0, -1, 0};
constexpr std::int32_t dy[4] = {0, 1, 0, -1};

// After this many failed attempts an island leaves the frontier, so growth
// always ends even on a crowded grid.
constexpr int attempts_per_island = 12;

struct island {
    std::int32_t x, y;
    std::uint8_t bridges[4];  // per direction, so no weight can pass 8
    std::uint8_t closed;      // directions in which no bridge can ever start again
    int failures;
};

enum class attempt { built, failed, closed };

class grower {
public:
    grower(const generator_options& o, split_mix& rng)
        : o_(o),
          rng_(rng),
          w_(o.width),
          h_(o.height),
          cells_(static_cast<std::size_t>(w_) * static_cast<std::size_t>(h_), empty_cell),
          min_span_(o.adjacent ? 1 : 2) {
        const std::int32_t longest = std::max(w_, h_) - 1;
        max_span_ = o.max_span > 0
                        ? o.max_span
                        : static_cast<std::int32_t>(std::min<double>(longest, std::ceil(1.5 / o.density)));
        max_span_ = std::max(max_span_, min_span_);
    }

    void grow(generated_puzzle& out) {
        const double cells = static_cast<double>(w_) * static_cast<double>(h_);
        const std::size_t target =
            static_cast<std::size_t>(std::max(2.0, std::round(o_.density * cells)));
        islands_.reserve(std::min<std::size_t>(target, cells_.size()));

        add_island(static_cast<std::int32_t>(rng_.below(static_cast<std::uint32_t>(w_))),
                   static_cast<std::int32_t>(rng_.below(static_cast<std::uint32_t>(h_))));
        frontier_.push_back(0);

        while (islands_.size() < target && !frontier_.empty()) {
            const std::size_t k = rng_.below(static_cast<std::uint32_t>(frontier_.size()));
            island& from = islands_[static_cast<std::size_t>(frontier_[k])];
            // Draw among the directions still open, so islands on a narrow
            // strip keep growing instead of wearing out on the walls.
            int pick = static_cast<int>(rng_.below(static_cast<std::uint32_t>(4 - std::popcount(from.closed))));
            int dir = 0;
            while ((from.closed >> dir & 1) != 0 || pick-- > 0) ++dir;
            const attempt a = try_bridge(frontier_[k], dir);
            island& after = islands_[static_cast<std::size_t>(frontier_[k])];  // the vector may have grown
            if (a == attempt::closed) after.closed = static_cast<std::uint8_t>(after.closed | 1 << dir);
            if (a == attempt::failed) ++after.failures;
            if (after.closed == 15 || after.failures >= attempts_per_island) {
                frontier_[k] = frontier_.back();
                frontier_.pop_back();
            }
        }

        out.width = w_;
        out.height = h_;
        out.weights.assign(cells_.size(), 0);
        for (const island& i : islands_) {
            const int weight = i.bridges[0] + i.bridges[1] + i.bridges[2] + i.bridges[3];
            out.weights[index(i.x, i.y)] = static_cast<std::uint8_t>(weight);
            if (weight > 0) ++out.islands;
        }
        out.bridges = std::move(bridges_);
    }

private:
    std::size_t index(std::int32_t x, std::int32_t y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(w_) + static_cast<std::size_t>(x);
    }

    bool inside(std::int32_t x, std::int32_t y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }

    std::int32_t add_island(std::int32_t x, std::int32_t y) {
        const auto id = static_cast<std::int32_t>(islands_.size());
        islands_.push_back({x, y, {0, 0, 0, 0}, 0, 0});
        cells_[index(x, y)] = id;
        return id;
    }

    // Without adjacency, a new island may not touch any other island: two
    // touching islands would be neighbours joined by a bridge of no length.
    bool touches_island(std::int32_t x, std::int32_t y) const {
        for (int d = 0; d < 4; ++d) {
            const std::int32_t nx = x + dx[d], ny = y + dy[d];
            if (inside(nx, ny) && cells_[index(nx, ny)] >= 0) return true;
        }
        return false;
    }

    // Walks from island `id` in direction `dir` over empty cells and ends the
    // bridge on a new island or, sometimes, on an island met on the way.
    // Since the walk only crosses empty cells, the two ends are nearest
    // neighbours and the bridge crosses nothing; marking its cells keeps it so.
    // Bridges and islands are never removed, so an obstacle before the
    // shortest span closes the direction for good.
    attempt try_bridge(std::int32_t id, int dir) {
        const island& from = islands_[static_cast<std::size_t>(id)];
        if (from.bridges[dir] != 0) return attempt::closed;
        const std::int32_t span =
            min_span_ + static_cast<std::int32_t>(rng_.below(static_cast<std::uint32_t>(max_span_ - min_span_ + 1)));
        const std::int32_t fx = from.x, fy = from.y;
        std::int32_t x = fx, y = fy, target = -1;
        for (std::int32_t d = 1; d <= span; ++d) {
            x += dx[dir];
            y += dy[dir];
            if (!inside(x, y)) return d <= min_span_ ? attempt::closed : attempt::failed;
            const std::int32_t c = cells_[index(x, y)];
            if (c == bridge_cell) return d <= min_span_ ? attempt::closed : attempt::failed;
            if (c >= 0) {
                if (d < min_span_) return attempt::closed;
                if (!rng_.chance(o_.loops)) return attempt::failed;
                target = c;
                break;
            }
            if (d == span) {
                if (!o_.adjacent && touches_island(x, y)) return attempt::failed;
                target = add_island(x, y);
                frontier_.push_back(target);
            }
        }
        // Cells strictly between the ends now carry the bridge.
        for (std::int32_t cx = fx + dx[dir], cy = fy + dy[dir]; cx != x || cy != y; cx += dx[dir], cy += dy[dir])
            cells_[index(cx, cy)] = bridge_cell;

        const std::uint8_t count = rng_.chance(o_.doubles) ? 2 : 1;
        islands_[static_cast<std::size_t>(id)].bridges[dir] = count;
        islands_[static_cast<std::size_t>(target)].bridges[(dir + 2) % 4] = count;
        if (dir < 2)
            bridges_.push_back({fx, fy, x, y, count});
        else
            bridges_.push_back({x, y, fx, fy, count});
        return attempt::built;
    }

    const generator_options& o_;
    split_mix& rng_;
    std::int32_t w_, h_;
    std::vector<std::int32_t> cells_;
    std::int32_t min_span_;
    std::int32_t max_span_ = 0;
    std::vector<island> islands_;
    std::vector<std::int32_t> frontier_;
    std::vector<planted_bridge> bridges_;
};

void tamper(generated_puzzle& g, tamper_kind kind, split_mix& rng) {
    if (kind == tamper_kind::none || g.islands == 0) return;
    std::uint32_t pick = rng.below(static_cast<std::uint32_t>(g.islands));
    std::size_t cell = 0;
    for (;; ++cell) {
        if (g.weights[cell] != 0 && pick-- == 0) break;
    }
    const int w = g.weights[cell];
    const int step = kind == tamper_kind::odd_total ? 1 : 2;
    // Stay within 1..8 so that the island stays an island and the change is
    // not one any reader would reject outright.
    int changed;
    if (w - step < 1)
        changed = w + step;
    else if (w + step > 8)
        changed = w - step;
    else
        changed = rng.chance(0.5) ? w + step : w - step;
    g.weights[cell] = static_cast<std::uint8_t>(changed);
    g.tampered_x = static_cast<std::int32_t>(cell % static_cast<std::size_t>(g.width));
    g.tampered_y = static_cast<std::int32_t>(cell / static_cast<std::size_t>(g.width));
}

bool is_share(double v) { return v >= 0.0 && v <= 1.0; }

}  // namespace

generated_puzzle generate(const generator_options& options) {
    if (options.width < 1 || options.height < 1) throw std::invalid_argument("width and height must be at least 1");
    if (!(options.density > 0.0 && options.density <= 1.0)) throw std::invalid_argument("density must be in (0, 1]");
    if (!is_share(options.doubles) || !is_share(options.loops))
        throw std::invalid_argument("doubles and loops must be in [0, 1]");
    if (options.max_span < 0) throw std::invalid_argument("max span must not be negative");

    split_mix rng(options.seed);
    generated_puzzle g;
    grower(options, rng).grow(g);
    tamper(g, options.tamper, rng);
    return g;
}

std::string format_puzzle(const generated_puzzle& g) {
    std::string out = std::to_string(g.width) + ' ' + std::to_string(g.height) + '\n';
    const std::size_t row = static_cast<std::size_t>(g.width) * 2;
    out.reserve(out.size() + row * static_cast<std::size_t>(g.height));
    // Weights are single digits, so each cell is written as one character.
    for (std::int32_t y = 0; y < g.height; ++y) {
        for (std::int32_t x = 0; x < g.width; ++x) {
            out.push_back(static_cast<char>('0' + g.weight(x, y)));
            out.push_back(x + 1 < g.width ? ' ' : '\n');
        }
    }
    return out;
}

std::string format_bridges(const generated_puzzle& g) {
    std::string out;
    char line[96];
    for (const planted_bridge& b : g.bridges) {
        const int n = std::snprintf(line, sizeof line, "(%d, %d) <-> (%d, %d): %d\n", b.ax, b.ay, b.bx, b.by, b.count);
        out.append(line, static_cast<std::size_t>(n));
    }
    return out;
}

}  // namespace islands
