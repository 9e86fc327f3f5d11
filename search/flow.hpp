// Island sums as a flow, on graphs whose islands fall into two sides with
// every edge between them (a grid of islands two cells apart, any network
// without a cycle of odd length). There, counts between per-edge bounds
// that give every island its weight exist exactly when a flow from one
// side to the other does, so the flow decides the sums over the whole
// puzzle at once, where fitting one island at a time sees only the
// neighbourhood.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace islands {

// Per island, 0 or 1, such that every edge joins islands of different
// sides; empty when some cycle has odd length. Islands are numbered 0 to
// n - 1; edge i joins end_a[i] and end_b[i].
std::vector<std::uint8_t> two_sides(int n, const std::vector<std::int32_t>& end_a,
                                    const std::vector<std::int32_t>& end_b);

// Counts with low[i] <= count[i] <= high[i] whose sum over each island's
// edges is its weight, or nothing when there are none. `side` is as
// two_sides gives it.
std::optional<std::vector<std::uint8_t>> balanced_counts(const std::vector<std::uint8_t>& side,
                                                         const std::vector<std::int32_t>& weight,
                                                         const std::vector<std::int32_t>& end_a,
                                                         const std::vector<std::int32_t>& end_b,
                                                         const std::vector<std::uint8_t>& low,
                                                         const std::vector<std::uint8_t>& high);

}  // namespace islands
