// The small state changes from which every decision about one edge is built.
// Each either succeeds or leaves every counter exactly as it found it.
#pragma once

#include "puzzle/records.hpp"

namespace islands {

// An island can still be satisfied only while weight <= 2 * open.
inline bool feasible(const vertex& v) { return v.weight <= 2 * v.open; }

// Takes e out of its endpoints' open edges; 0 if that makes one infeasible.
int retire_edge(edge& e);

// Places one more bridge on e; 0 if e is full or an endpoint needs nothing.
int add_bridge(edge& e);

// Blocks (delta +1) or unblocks (delta -1) every edge on e's crossing list.
int adjust_crossings(edge& e, int delta);

}  // namespace islands
