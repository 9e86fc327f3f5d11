#include "search/search.hpp"

#include <vector>

#include "search/components.hpp"
#include "search/decisions.hpp"

namespace islands {

namespace {

void give_back_weight(edge& e) {
    e.a->weight += e.bridges;
    e.b->weight += e.bridges;
}

void reopen_ends(edge& e) {
    ++e.a->open;
    ++e.b->open;
}

// One decided edge. `raising` tells where the frame resumes when the
// search below it returns: false after trying zero bridges, true once the
// edge carries bridges and blocks its crossings.
struct frame {
    edge* e;
    component_link* merged;
    bool raising;
};

}  // namespace

int solve_limited(puzzle& p, edge* e, std::uint64_t max_steps) {
    std::vector<frame> stack;
    std::uint64_t steps = 0;
    int result = 0;

    enum class next_step { enter, block, unwind } step = next_step::enter;
    for (;;) {
        switch (step) {
        case next_step::enter:
            // Skip blocked edges; the component test runs before each.
            for (;;) {
                if (!e) {
                    result = p.component_count == 1 ? 1 : 0;
                    break;
                }
                if (!enough_links_left(p, e)) {
                    result = 0;
                    e = nullptr;
                    break;
                }
                e->bridges = 0;
                if (e->blocked == 0) break;
                e = e->next;
            }
            if (!e) {
                step = next_step::unwind;
                break;
            }
            if (max_steps != 0 && ++steps > max_steps) return -1;
            if (retire_edge(*e)) {
                stack.push_back({e, nullptr, false});
                e = e->next;
                break;
            }
            // Zero is infeasible: take the smallest count that is.
            for (;;) {
                if (!add_bridge(*e)) {
                    give_back_weight(*e);
                    result = 0;
                    step = next_step::unwind;
                    break;
                }
                --e->a->open;
                --e->b->open;
                if (feasible(*e->a) && feasible(*e->b)) {
                    step = next_step::block;
                    break;
                }
                reopen_ends(*e);
            }
            break;

        case next_step::block:
            if (!adjust_crossings(*e, +1)) {
                give_back_weight(*e);
                reopen_ends(*e);
                result = 0;
                step = next_step::unwind;
                break;
            }
            stack.push_back({e, merge_components(p, *e), true});
            e = e->next;
            step = next_step::enter;
            break;

        case next_step::unwind: {
            if (stack.empty()) return result;
            frame& f = stack.back();
            edge& d = *f.e;
            if (!f.raising) {
                if (result == 1) {
                    stack.pop_back();
                    break;
                }
                stack.pop_back();
                if (!add_bridge(d)) {
                    reopen_ends(d);
                    break;
                }
                // The edge stays retired; its ends' weights only fell.
                e = &d;
                step = next_step::block;
                break;
            }
            if (result == 1) {
                give_back_weight(d);
                stack.pop_back();
                break;
            }
            if (add_bridge(d)) {
                e = d.next;
                step = next_step::enter;
                break;
            }
            adjust_crossings(d, -1);
            if (f.merged) split_components(p, f.merged);
            give_back_weight(d);
            reopen_ends(d);
            stack.pop_back();
            break;
        }
        }
    }
}

int solve(puzzle& p, edge* e) { return solve_limited(p, e, 0); }

}  // namespace islands
