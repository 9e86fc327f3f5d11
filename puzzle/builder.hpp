// Turns the islands into the search graph: nearest-neighbour edges, their
// crossing lists, and the rejection of islands that have no edge at all.
#pragma once

#include "puzzle/records.hpp"

namespace islands {

// Creates one edge per pair of nearest neighbours, ordered by the reading
// order of the first endpoint, a horizontal edge before a vertical one.
void link_neighbours(puzzle& p);

// Lists on every edge the later edges that cross it, in edge_list order.
// Expects the edges in the order link_neighbours makes.
void find_crossings(puzzle& p);

// Throws input_error naming the first island in reading order without edges.
void check_isolated(const puzzle& p);

}  // namespace islands
