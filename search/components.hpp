// Connectivity chains: which islands the bridges placed so far connect.
#pragma once

#include "puzzle/records.hpp"

namespace islands {

// Joins the chains of e's endpoints. Returns the link at which b's chain was
// appended, or null when the endpoints were already connected.
component_link* merge_components(puzzle& p, const edge& e);

// Undoes the most recent merge still in force, given its non-null record.
void split_components(puzzle& p, component_link* tail);

// 1 when the unblocked edges from e onwards that join different components
// are still enough to connect every component, else 0.
int enough_links_left(const puzzle& p, const edge* e);

}  // namespace islands
