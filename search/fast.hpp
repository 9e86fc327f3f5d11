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
    // 0: the first engine, which runs some of its probes two at a time on
    // two threads; 1 or 2: that engine alone, on one thread. A step limit
    // always runs the first engine alone.
    int only_engine = 0;
    // When not 0, the first engine runs its probes on one thread and, after
    // this many contradictions, a second engine (with another jump limit)
    // races it on another core. Tests make it 1 so that both engines race.
    std::uint64_t second_after = 0;
    // Backjumps over more levels than this go back one level only (0: each
    // engine's own limit, and the one of probes that keep one). Tests make
    // it 1, so that nearly every jump is a one-level step and clauses are
    // forced at levels above their own.
    int jump_limit = 0;
    // One-level steps in a row, within one contradiction, after which jumps
    // go as far as their clauses ask (0: a default). Tests make it 2, so
    // that small puzzles switch over too.
    int short_steps = 0;
    // Jumps over at least this many levels, within the jump limit, first
    // try a one-level step, at most twice per contradiction (0: a default).
    // Tests make it 2, so that small puzzles try such steps too.
    int trial_steps_from = 0;
    // Puzzles with at least this many islands keep a tree of edges that may
    // carry bridges, so that only losing one of its edges needs a search (0:
    // a default). On small puzzles it costs more than it saves; tests make
    // it 1 so that small puzzles use it too.
    std::size_t witness_from = 0;
    // Contradictions in a row without reaching a later edge before an
    // engine hands its state to a probe, a separate search in free order
    // over the open part of the puzzle (0: a default; a step limit turns
    // probes off). Tests make it 1.
    std::uint64_t stuck_after = 0;
    // Contradictions each probe may meet before it gives up (0: a default;
    // the first engine's probes for the earliest level ruled out stop at
    // 1500 either way). Tests make it tiny so that probes give up too.
    std::uint64_t probe_budget = 0;
    // Tests set it: every solution the search keeps to follow (from a probe
    // or a repair) is checked against the rules and the search's domains,
    // and a wrong one throws std::logic_error. The search only follows
    // them, so a wrong one would cost time rather than change an answer.
    bool verify_kept = false;
    // Tests set it: every split search that the tree of edges joining all
    // islands spares runs anyway, and a tree that holds islands joined that
    // are split throws std::logic_error. Such a tree would only miss
    // contradictions, which costs time rather than changing an answer.
    bool verify_witness = false;
    // Tests set it to compare the search with and without the flow that
    // decides island sums at once where the islands fall into two sides.
    bool without_flow = false;
};

// Solves the whole puzzle (the graph must be built). Returns 1 with every
// edge's bridges holding the lexicographically smallest solution over
// edge_list and every weight at its input value; 0 when there is no
// solution; -1 when max_steps was reached first.
int solve_fast(puzzle& p, const fast_limits& limits = {});

}  // namespace islands
