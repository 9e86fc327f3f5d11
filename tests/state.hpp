// A full copy of the search state of a puzzle, for undo checks.
#pragma once

#include <vector>

#include "puzzle/records.hpp"

namespace islands::testing {

struct search_state {
    std::vector<int> weight, open, bridges, blocked;
    std::vector<const component_link*> head, chain_next;
    int component_count = 0;

    bool operator==(const search_state&) const = default;
};

// `bridges_from`: edges from this index on are left out of the bridges
// comparison (the search may leave stale values there).
inline search_state snapshot(const puzzle& p, int bridges_from = 1 << 30) {
    search_state s;
    for (const vertex* v = p.vertex_list; v; v = v->next) {
        s.weight.push_back(v->weight);
        s.open.push_back(v->open);
        s.head.push_back(v->component_link.head);
        s.chain_next.push_back(v->component_link.next);
    }
    for (const edge* e = p.edge_list; e; e = e->next) {
        s.bridges.push_back(e->index < bridges_from ? e->bridges : 0);
        s.blocked.push_back(e->blocked);
    }
    s.component_count = p.component_count;
    return s;
}

}  // namespace islands::testing
