// The fast exact engine: returns the same first solution as `solve`.
#pragma once

#include <cstddef>
#include <cstdint>

#include "puzzle/records.hpp"

namespace islands {

struct fast_limits {
    std::uint64_t max_steps = 0;  // 0: unlimited
    // Learned-clause storage, in numbers stored, that sets off forgetting
    // the older half (0: a default proportional to the edges). Tests make
    // it small so that forgetting runs on small puzzles.
    std::size_t clause_words = 0;
};

// Solves the whole puzzle (the graph must be built). Returns 1 with every
// edge's bridges holding the lexicographically smallest solution over
// edge_list and every weight at its input value; 0 when there is no
// solution; -1 when max_steps was reached first.
int solve_fast(puzzle& p, const fast_limits& limits = {});

}  // namespace islands
