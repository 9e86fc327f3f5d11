#include "search/edge_heap.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <set>
#include <utility>
#include <string>
#include <vector>

namespace islands {
namespace {

// Each case runs its operations on an edge_heap and on a std::set of
// (key, edge) pairs, the reference order, and expects the same top and
// size after each one. Keys only grow while an edge is in the heap, as
// the engine's bumps do; ties go to the higher edge number.
TEST(edge_heap, keeps_the_highest_key_first) {
    // An operation: raise edge `edge` to `key` and push it, or pop (edge -1),
    // or clear (edge -2).
    struct op {
        std::int32_t edge;
        double key;
    };
    constexpr std::int32_t pop = -1;
    constexpr std::int32_t clear = -2;
    const auto many = [](int count, int stride) {
        // Keys that climb and tie in turn: edge e gets (e * stride) % 7.
        std::vector<op> ops;
        ops.reserve(static_cast<std::size_t>(count));
        for (int e = 0; e < count; ++e) ops.push_back({e, static_cast<double>(e * stride % 7)});
        return ops;
    };
    const auto then = [](std::vector<op> a, const std::vector<op>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const struct {
        const char* name;
        std::vector<op> ops;
    } cases[] = {
        {"one edge", {{3, 1.0}, {pop, 0}}},
        {"ties go to the higher edge", {{2, 1.0}, {5, 1.0}, {4, 1.0}, {pop, 0}, {pop, 0}, {pop, 0}}},
        {"a raised key moves up", {{1, 1.0}, {2, 2.0}, {3, 3.0}, {1, 4.0}, {pop, 0}, {2, 5.0}, {pop, 0}}},
        {"pushing a present edge again keeps one copy", {{7, 2.0}, {7, 2.0}, {8, 1.0}, {pop, 0}, {pop, 0}}},
        {"back after a pop", {{1, 5.0}, {2, 1.0}, {pop, 0}, {1, 5.0}, {pop, 0}, {pop, 0}}},
        {"clear, then again", {{1, 1.0}, {9, 2.0}, {clear, 0}, {4, 3.0}, {9, 2.0}, {pop, 0}}},
        {"many, emptied one by one", then(many(60, 3), std::vector<op>(60, {pop, 0}))},
        {"many, raised while in", then(many(40, 5), then(many(40, 1), std::vector<op>(45, {pop, 0})))},
    };
    for (const auto& c : cases) {
        edge_heap heap;
        std::vector<double> key;
        std::set<std::pair<double, std::int32_t>> expected;
        for (std::size_t i = 0; i < c.ops.size(); ++i) {
            const op o = c.ops[i];
            const std::string at = std::string(c.name) + ", after operation " + std::to_string(i);
            if (o.edge == pop) {
                if (expected.empty()) continue;
                heap.pop(key);
                expected.erase(std::prev(expected.end()));
            } else if (o.edge == clear) {
                heap.clear();
                expected.clear();
            } else {
                if (key.size() <= static_cast<std::size_t>(o.edge)) key.resize(static_cast<std::size_t>(o.edge) + 1, 0.0);
                // Keys never shrink while an edge is in the heap.
                const double raised = heap.contains(o.edge) ? std::max(key[o.edge], o.key) : o.key;
                expected.erase({key[o.edge], o.edge});
                key[o.edge] = raised;
                heap.push(o.edge, key);
                expected.insert({raised, o.edge});
            }
            ASSERT_EQ(heap.size(), expected.size()) << at;
            ASSERT_EQ(heap.empty(), expected.empty()) << at;
            if (!expected.empty()) {
                ASSERT_EQ(heap.top(), std::prev(expected.end())->second) << at;
            }
            for (const auto& [k, e] : expected) ASSERT_TRUE(heap.contains(e)) << at;
        }
    }
}

}  // namespace
}  // namespace islands
