#include "search/flow.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace islands {
namespace {

struct graph {
    int n;
    std::vector<std::int32_t> a, b;
};

TEST(flow, two_sides_splits_exactly_the_graphs_without_odd_cycles) {
    const struct {
        const char* name;
        graph g;
        bool split;
    } cases[] = {
        {"no edges", {3, {}, {}}, true},
        {"path", {4, {0, 1, 2}, {1, 2, 3}}, true},
        {"square", {4, {0, 1, 2, 3}, {1, 2, 3, 0}}, true},
        {"triangle", {3, {0, 1, 2}, {1, 2, 0}}, false},
        {"square and a separate triangle", {7, {0, 1, 2, 3, 4, 5, 6}, {1, 2, 3, 0, 5, 6, 4}}, false},
        {"two squares sharing an edge", {6, {0, 1, 2, 3, 1, 4, 5}, {1, 2, 3, 0, 4, 5, 2}}, true},
        {"pentagon", {5, {0, 1, 2, 3, 4}, {1, 2, 3, 4, 0}}, false},
    };
    for (const auto& c : cases) {
        const auto side = two_sides(c.g.n, c.g.a, c.g.b);
        ASSERT_EQ(!side.empty(), c.split) << c.name;
        if (side.empty()) continue;
        ASSERT_EQ(side.size(), static_cast<std::size_t>(c.g.n)) << c.name;
        for (std::size_t e = 0; e < c.g.a.size(); ++e) EXPECT_NE(side[c.g.a[e]], side[c.g.b[e]]) << c.name;
    }
}

// Small deterministic generator, so that failures repeat.
struct lcg {
    std::uint64_t state;
    std::uint32_t below(std::uint32_t n) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>((state >> 33) % n);
    }
};

// Every assignment within the bounds, counted out: whether one gives every
// island its weight.
bool some_counts_fit(const graph& g, const std::vector<std::int32_t>& weight, const std::vector<std::uint8_t>& low,
                     const std::vector<std::uint8_t>& high) {
    const std::size_t m = g.a.size();
    std::vector<std::uint8_t> count(low);
    for (;;) {
        std::vector<std::int32_t> sum(g.n, 0);
        for (std::size_t e = 0; e < m; ++e) {
            sum[g.a[e]] += count[e];
            sum[g.b[e]] += count[e];
        }
        if (sum == weight) return true;
        std::size_t e = 0;
        while (e < m && count[e] == high[e]) count[e] = low[e], ++e;
        if (e == m) return false;
        ++count[e];
    }
}

// Random graphs without odd cycles (grid pieces, trees, even rings) with
// random weights and bounds: the flow finds counts exactly when counting
// every assignment out does, and the counts it finds fit.
TEST(flow, balanced_counts_agrees_with_counting_every_assignment) {
    lcg random{20261211};
    int found = 0, none = 0;
    for (int round = 0; round < 3000; ++round) {
        // Islands on a small grid two cells apart, joined along rows and
        // columns with some links left out: every cycle has even length.
        const int w = 1 + static_cast<int>(random.below(4)), h = 1 + static_cast<int>(random.below(3));
        graph g{w * h, {}, {}};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (x + 1 < w && random.below(5) != 0) g.a.push_back(y * w + x), g.b.push_back(y * w + x + 1);
                if (y + 1 < h && random.below(5) != 0) g.a.push_back(y * w + x), g.b.push_back((y + 1) * w + x);
            }
        if (g.a.size() > 9) continue;  // 3^9 assignments at most
        const auto side = two_sides(g.n, g.a, g.b);
        ASSERT_FALSE(side.empty());
        std::vector<std::uint8_t> low(g.a.size()), high(g.a.size());
        for (std::size_t e = 0; e < g.a.size(); ++e) {
            low[e] = static_cast<std::uint8_t>(random.below(4) == 0 ? random.below(3) : 0);
            high[e] = static_cast<std::uint8_t>(random.below(3) == 0 ? low[e] + random.below(3 - low[e]) : 2);
        }
        // Half the rounds take the weights of some counts within the
        // bounds, the rest random weights (mostly without counts that fit).
        std::vector<std::int32_t> weight(g.n, 0);
        if (round % 2 == 0) {
            for (std::size_t e = 0; e < g.a.size(); ++e) {
                const auto count = static_cast<std::int32_t>(low[e] + random.below(high[e] - low[e] + 1));
                weight[g.a[e]] += count;
                weight[g.b[e]] += count;
            }
        } else {
            for (auto& v : weight) v = static_cast<std::int32_t>(random.below(7));
        }
        const bool expected = some_counts_fit(g, weight, low, high);
        const auto got = balanced_counts(side, weight, g.a, g.b, low, high);
        ASSERT_EQ(got.has_value(), expected) << "round " << round;
        if (!got) {
            ++none;
            continue;
        }
        ++found;
        std::vector<std::int32_t> sum(g.n, 0);
        for (std::size_t e = 0; e < g.a.size(); ++e) {
            EXPECT_GE((*got)[e], low[e]);
            EXPECT_LE((*got)[e], high[e]);
            sum[g.a[e]] += (*got)[e];
            sum[g.b[e]] += (*got)[e];
        }
        EXPECT_EQ(sum, weight) << "round " << round;
    }
    EXPECT_GT(found, 100);
    EXPECT_GT(none, 100);
}

// A long chain whose counts must all be found in one augmenting pass, deep
// enough to overflow a recursive search's stack.
TEST(flow, long_chains_need_no_deep_call_stack) {
    const int n = 400000;
    graph g{n, {}, {}};
    for (int v = 0; v + 1 < n; ++v) g.a.push_back(v), g.b.push_back(v + 1);
    std::vector<std::int32_t> weight(n, 2);
    weight.front() = weight.back() = 1;
    const auto side = two_sides(n, g.a, g.b);
    ASSERT_FALSE(side.empty());
    const auto got = balanced_counts(side, weight, g.a, g.b, std::vector<std::uint8_t>(n - 1, 0),
                                     std::vector<std::uint8_t>(n - 1, 2));
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(*got, std::vector<std::uint8_t>(n - 1, 1));
    weight[n / 2] = 4;  // an even total, but one side needs two more than the other gives
    EXPECT_FALSE(balanced_counts(side, weight, g.a, g.b, std::vector<std::uint8_t>(n - 1, 0),
                                 std::vector<std::uint8_t>(n - 1, 2))
                     .has_value());
}

}  // namespace
}  // namespace islands
