#include "search/fast.hpp"

#include "search/search.hpp"

namespace islands {

// Placeholder until the fast engine lands: the reference search.
int solve_fast(puzzle& p, const fast_limits& limits) { return solve_limited(p, p.edge_list, limits.max_steps); }

}  // namespace islands
