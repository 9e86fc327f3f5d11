#include "tools/generator.hpp"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "search/search.hpp"
#include "support.hpp"

namespace islands {
namespace {

// Checks the planted bridges against the puzzle rules from scratch, without
// the solver's graph: returns the first broken rule, or "" when all hold.
std::string planted_fault(const generated_puzzle& g) {
    const auto w = static_cast<std::size_t>(g.width);
    const auto cell = [&](int x, int y) { return static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x); };
    std::vector<int> sums(g.weights.size(), 0);
    std::vector<char> used(g.weights.size(), 0);  // cells under a bridge
    std::vector<std::size_t> parent(g.weights.size());
    std::iota(parent.begin(), parent.end(), std::size_t{0});
    const auto root = [&](std::size_t i) {
        while (parent[i] != i) i = parent[i] = parent[parent[i]];
        return i;
    };

    for (const planted_bridge& b : g.bridges) {
        const std::string at = "bridge (" + std::to_string(b.ax) + ", " + std::to_string(b.ay) + ")-(" +
                               std::to_string(b.bx) + ", " + std::to_string(b.by) + ")";
        if (b.count != 1 && b.count != 2) return at + ": count " + std::to_string(b.count);
        const bool across = b.ay == b.by && b.ax < b.bx;
        const bool down = b.ax == b.bx && b.ay < b.by;
        if (!across && !down) return at + ": not straight from left/upper end";
        if (b.ax < 0 || b.ay < 0 || b.bx >= g.width || b.by >= g.height) return at + ": outside the grid";
        if (g.weight(b.ax, b.ay) == 0 || g.weight(b.bx, b.by) == 0) return at + ": an end is no island";
        // Every cell strictly between the ends must be empty and under no
        // other bridge: that rules out passing over islands and crossings.
        for (int x = b.ax + across, y = b.ay + down; x != b.bx || y != b.by; x += across, y += down) {
            if (g.weight(x, y) != 0) return at + ": passes over an island";
            if (used[cell(x, y)]++) return at + ": crosses or overlaps another bridge";
        }
        sums[cell(b.ax, b.ay)] += b.count;
        sums[cell(b.bx, b.by)] += b.count;
        parent[root(cell(b.ax, b.ay))] = root(cell(b.bx, b.by));
    }

    std::size_t first = g.weights.size();
    int islands = 0;
    for (std::size_t i = 0; i < g.weights.size(); ++i) {
        if (g.weights[i] == 0 && sums[i] == 0) continue;
        ++islands;
        const bool tampered = static_cast<int>(i % w) == g.tampered_x && static_cast<int>(i / w) == g.tampered_y;
        if (!tampered && sums[i] != g.weights[i]) return "weight mismatch at cell " + std::to_string(i);
        if (g.weights[i] > 8) return "weight above 8 at cell " + std::to_string(i);
        if (first == g.weights.size()) first = i;
        if (root(i) != root(first)) return "not connected at cell " + std::to_string(i);
    }
    if (islands != g.islands) return "island count " + std::to_string(g.islands) + ", found " + std::to_string(islands);
    return "";
}

struct shape {
    int width, height;
    double density, doubles, loops;
    bool adjacent;
};

const shape shapes[] = {
    {1, 1, 0.5, 0.3, 0.3, false},  {1, 2, 0.5, 0.3, 0.3, true},   {1, 40, 0.3, 0.5, 0.3, false},
    {40, 1, 0.3, 0.5, 0.3, false}, {5, 5, 0.4, 0.3, 0.5, false},  {8, 8, 0.25, 0.0, 1.0, false},
    {8, 8, 1.0, 1.0, 1.0, true},   {7, 13, 0.2, 0.3, 0.0, false}, {30, 30, 0.25, 0.3, 0.3, false},
    {60, 20, 0.6, 0.5, 0.8, true}, {200, 150, 0.1, 0.2, 0.3, false},
};

TEST(Generator, PlantedSolutionKeepsEveryRule) {
    for (const shape& s : shapes) {
        for (std::uint64_t seed = 1; seed <= 40; ++seed) {
            generator_options o;
            o.width = s.width;
            o.height = s.height;
            o.density = s.density;
            o.doubles = s.doubles;
            o.loops = s.loops;
            o.adjacent = s.adjacent;
            o.seed = seed;
            const generated_puzzle g = generate(o);
            EXPECT_EQ(planted_fault(g), "") << s.width << "x" << s.height << " seed " << seed;
        }
    }
}

TEST(Generator, FillsLargeGridsAndHonoursShares) {
    generator_options o;
    o.width = 300;
    o.height = 300;
    o.doubles = 0.0;
    generated_puzzle g = generate(o);
    EXPECT_EQ(planted_fault(g), "");
    EXPECT_GT(g.islands, 300 * 300 / 10);
    for (const planted_bridge& b : g.bridges) ASSERT_EQ(b.count, 1);

    o.doubles = 1.0;
    g = generate(o);
    for (const planted_bridge& b : g.bridges) ASSERT_EQ(b.count, 2);

    // A one-cell strip grows to its ends instead of stalling near the start.
    for (const auto& [w, h] : {std::pair{1, 3000}, std::pair{3000, 1}}) {
        o.width = w;
        o.height = h;
        g = generate(o);
        EXPECT_EQ(planted_fault(g), "");
        EXPECT_GT(g.islands, 3000 / 10) << w << "x" << h;
    }
    o.width = 300;
    o.height = 300;

    // Without loops the network is a tree.
    o.loops = 0.0;
    g = generate(o);
    EXPECT_EQ(g.bridges.size() + 1, static_cast<std::size_t>(g.islands));
}

TEST(Generator, SameSeedSameTextOtherSeedOtherText) {
    generator_options o;
    o.width = 50;
    o.height = 40;
    o.seed = 12345;
    const std::string first = generate_puzzle(o);
    EXPECT_EQ(generate_puzzle(o), first);
    o.seed = 12346;
    EXPECT_NE(generate_puzzle(o), first);
}

TEST(Generator, TextIsTheInputFormat) {
    generator_options o;
    o.width = 3;
    o.height = 2;
    o.density = 1.0;
    o.adjacent = true;
    const generated_puzzle g = generate(o);
    std::string expected = "3 2\n";
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) expected += std::to_string(g.weight(x, y)) + (x < 2 ? " " : "\n");
    EXPECT_EQ(format_puzzle(g), expected);
}

TEST(Generator, TamperingChangesOneWeightByTheStep) {
    for (const auto& [kind, step] : {std::pair{tamper_kind::odd_total, 1}, std::pair{tamper_kind::shift_two, 2}}) {
        for (std::uint64_t seed = 1; seed <= 30; ++seed) {
            generator_options o;
            o.width = 9;
            o.height = 9;
            o.seed = seed;
            const generated_puzzle plain = generate(o);
            o.tamper = kind;
            const generated_puzzle changed = generate(o);
            ASSERT_EQ(planted_fault(changed), "");
            int differing = 0;
            for (std::size_t i = 0; i < plain.weights.size(); ++i) {
                if (plain.weights[i] == changed.weights[i]) continue;
                ++differing;
                EXPECT_EQ(std::abs(plain.weights[i] - changed.weights[i]), step);
                EXPECT_GE(changed.weights[i], 1);
                EXPECT_LE(changed.weights[i], 8);
            }
            EXPECT_EQ(differing, 1) << "seed " << seed;
        }
    }
}

TEST(Generator, ArgumentsOutOfRangeAreRejected) {
    const auto with = [](auto change) {
        generator_options o;
        change(o);
        return o;
    };
    EXPECT_THROW(generate(with([](auto& o) { o.width = 0; })), std::invalid_argument);
    EXPECT_THROW(generate(with([](auto& o) { o.height = -3; })), std::invalid_argument);
    EXPECT_THROW(generate(with([](auto& o) { o.density = 0.0; })), std::invalid_argument);
    EXPECT_THROW(generate(with([](auto& o) { o.doubles = 1.5; })), std::invalid_argument);
    EXPECT_THROW(generate(with([](auto& o) { o.loops = -0.1; })), std::invalid_argument);
}

// The solver agrees: planted puzzles have a solution, odd totals have none.
TEST(Generator, SolverFindsPlantedPuzzlesSolvableAndOddTotalsNot) {
    for (std::uint64_t seed = 1; seed <= 60; ++seed) {
        generator_options o;
        o.width = 4 + static_cast<int>(seed % 4);
        o.height = 4 + static_cast<int>(seed / 4 % 4);
        o.seed = seed;
        o.adjacent = seed % 3 == 0;
        auto p = testing::build(generate_puzzle(o));
        EXPECT_EQ(solve(*p, p->edge_list), 1) << "seed " << seed;

        o.tamper = tamper_kind::odd_total;
        p = testing::build(generate_puzzle(o));
        EXPECT_EQ(solve(*p, p->edge_list), 0) << "seed " << seed;
    }
}

}  // namespace
}  // namespace islands
