#include "search/decisions.hpp"

namespace islands {

namespace {

void close_ends(edge& e) {
    --e.a->open;
    --e.b->open;
}

void reopen_ends(edge& e) {
    ++e.a->open;
    ++e.b->open;
}

bool ends_feasible(const edge& e) { return feasible(*e.a) && feasible(*e.b); }

}  // namespace

int retire_edge(edge& e) {
    close_ends(e);
    if (!ends_feasible(e)) {
        reopen_ends(e);
        return 0;
    }
    return 1;
}

int add_bridge(edge& e) {
    if (e.bridges >= 2 || e.a->weight == 0 || e.b->weight == 0) return 0;
    --e.a->weight;
    --e.b->weight;
    ++e.bridges;
    return 1;
}

int adjust_crossings(edge& e, int delta) {
    for (crossing* c = e.crossings; c; c = c->next) {
        edge& f = *c->edge;
        if (f.blocked == 0) {
            close_ends(f);
            if (!ends_feasible(f)) {
                reopen_ends(f);
                for (crossing* d = e.crossings; d != c; d = d->next) {
                    edge& g = *d->edge;
                    g.blocked -= delta;
                    if (g.blocked == 0) reopen_ends(g);
                }
                return 0;
            }
        }
        f.blocked += delta;
        if (f.blocked == 0) reopen_ends(f);
    }
    return 1;
}

}  // namespace islands
