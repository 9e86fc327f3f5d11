// The reference backtracking search: edges in edge_list order, bridge counts
// tried from the smallest feasible one upward. Its first solution is the
// lexicographically smallest valid assignment over edge_list.
#pragma once

#include <cstdint>

#include "puzzle/records.hpp"

namespace islands {

// Decides every edge from e onwards. Returns 1 with the solution left in the
// edges' bridges fields and every weight restored, or 0 with the records as
// they were (bridges fields aside). Runs on an explicit stack, so the depth
// of the search is bounded by memory, not by the call stack.
int solve(puzzle& p, edge* e);

// The same search, giving up after `max_steps` edge decisions (0: never).
// Returns -1 when it gave up; the records are then left mid-search.
int solve_limited(puzzle& p, edge* e, std::uint64_t max_steps);

}  // namespace islands
