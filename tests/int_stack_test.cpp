#include "search/int_stack.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace islands {
namespace {

// Each case runs its operations on an int_stack and on a std::vector and
// expects the same contents after each one: pushes past the reserved room
// and past each growth, pops down to empty, clears and pushes again.
TEST(int_stack, holds_what_a_vector_holds) {
    // An operation: a number >= 0 pushes it, -1 pops, -2 clears.
    constexpr int pop = -1;
    constexpr int clear = -2;
    const auto pushes = [](int from, int count) {
        std::vector<int> ops(static_cast<std::size_t>(count));
        for (int k = 0; k < count; ++k) ops[static_cast<std::size_t>(k)] = from + k;
        return ops;
    };
    const auto join = [](const std::vector<std::vector<int>>& parts) {
        std::vector<int> ops;
        for (const auto& part : parts) ops.insert(ops.end(), part.begin(), part.end());
        return ops;
    };
    const struct {
        const char* name;
        std::size_t reserved;
        std::vector<int> ops;
    } cases[] = {
        {"nothing", 0, {}},
        {"one push without room", 0, {7}},
        {"push, pop, push", 0, {3, pop, 4}},
        {"within the room", 4, {1, 2, 3, 4, pop, 5}},
        {"past the room", 2, {1, 2, 3, pop, pop, 4, 5}},
        {"past the first growth", 0, pushes(0, 17)},
        {"past several growths, then down to empty", 3, join({pushes(100, 70), std::vector<int>(70, pop)})},
        {"clear, then past the room again", 2, join({pushes(0, 5), {clear}, pushes(10, 40), {pop}})},
        {"a large number", 1, {2147483647, 0, pop}},
    };
    for (const auto& c : cases) {
        int_stack stack;
        stack.reserve(c.reserved);
        std::vector<std::int32_t> expected;
        for (std::size_t i = 0; i < c.ops.size(); ++i) {
            const int op = c.ops[i];
            if (op == pop) {
                stack.pop_back();
                expected.pop_back();
            } else if (op == clear) {
                stack.clear();
                expected.clear();
            } else {
                stack.push_back(op);
                expected.push_back(op);
            }
            const std::string at = std::string(c.name) + ", after operation " + std::to_string(i);
            ASSERT_EQ(stack.empty(), expected.empty()) << at;
            ASSERT_EQ(stack.size(), expected.size()) << at;
            ASSERT_EQ(std::vector<std::int32_t>(stack.begin(), stack.end()), expected) << at;
            if (!expected.empty()) {
                ASSERT_EQ(stack.back(), expected.back()) << at;
            }
        }
    }
}

}  // namespace
}  // namespace islands
