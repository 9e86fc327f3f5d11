// The fast exact engine. Depth-first over edge_list in order, counts
// ascending, with propagation after every decision and undo through a trail.
// Propagation and learned clauses only ever remove counts that belong to no
// solution of the current branch, so the first complete assignment reached
// is the lexicographically smallest solution, the one the literal search
// returns. FAST_ENGINE.md gives the rules and the argument.
#include "search/fast.hpp"
#include "search/flow.hpp"
#include "search/edge_heap.hpp"
#include "search/int_stack.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <numeric>
#include <shared_mutex>
#include <span>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace islands {
namespace {

// An edge's domain is a bit set over its bridge counts: bit v stands for v.
using domain = std::uint8_t;
constexpr domain only_zero = 1;
constexpr domain any_count = 7;
constexpr domain some_bridge = 6;  // the counts that make an edge usable
constexpr domain gapped = 5;       // {0, 2}, the one domain that is not an interval

constexpr domain odd_counts = 2;
constexpr domain even_counts = 5;
// Per domain, the count sets that hold none of its counts (bit s for set s):
// the literals over them are false.
constexpr auto emptied_sets = [] {
    std::array<std::uint8_t, 8> table{};
    for (unsigned d = 0; d < 8; ++d)
        for (unsigned set = 1; set < 8; ++set)
            if ((d & set) == 0) table[d] |= static_cast<std::uint8_t>(1u << set);
    return table;
}();

constexpr int no_edge = -1;
constexpr int none = -1;
constexpr int max_weight = 8;  // four edges of two bridges each

// The closing rule cites every island of the groups involved; past this size
// the reason would cost more than the rule saves, and the split check finds
// a sealed-off group anyway.
constexpr int closing_limit = 24;

// A backjump over more levels than the engine's jump limit goes back one
// level only: the learned clause keeps the refutation, and the levels in
// between keep their propagation instead of redoing it. Which limit is best
// varies widely from puzzle to puzzle. A second engine with another limit
// can race the first on the other core (the first to finish answers; both
// find the same answer), stepping back one level at every contradiction.
// Since the first engine follows solutions its probes find, it won every
// such race measured, so by default the other core runs the first
// engine's probes instead.
constexpr int first_jump_limit = 50;
constexpr int second_jump_limit = 1;
// A jump of at least this many levels, but within the jump limit, first
// tries a one-level step, at most twice per contradiction: when the count
// its clause forces there holds, the levels in between are kept instead of
// redone. Most of the levels that jumps undo on the way down go in jumps
// of 16 to 50 levels, over the choices of about a whole row, most of them
// far from the contradiction.
constexpr int trial_step_from = 16;
constexpr int trial_steps_max = 2;  // per contradiction
// One-level steps in a row, within one contradiction, before jumps go as far
// as their clauses ask. Generated 1000 x 1000 puzzles take up to about 500
// such steps in a row on their way down.
constexpr int short_steps_default = 1000;
// On generated 100 x 100 puzzles (about 2500 islands) the witness takes 3
// to 6% off the search's instructions; over the published ones, at most
// 400 islands, it adds 4%.
constexpr std::size_t witness_default = 1000;  // islands

// Learned clauses beyond this many stored numbers per edge are dropped,
// except those still serving as reasons, so memory stays linear.
constexpr std::size_t clause_room = 128;

// When the search keeps meeting contradictions without getting past an
// edge, what rules its choices out often lies many levels up, beyond what
// its clauses reach. A probe, a fresh search over the part still open at
// some level, free to choose the edges most involved in its
// contradictions, often rules such a state out within a few hundred
// contradictions. These numbers come from generated 300 x 300 to
// 1000 x 1000 puzzles.
constexpr std::uint64_t stuck_default = 1000;  // contradictions without progress
constexpr std::uint64_t probe_default = 10000;  // contradictions a probe may meet
// Looking for the earliest level ruled out, a probe that needs thousands of
// contradictions costs a second or more on a 1000 x 1000 puzzle. Giving up
// sooner leaves those choices to the search for a solution above and the
// checks after it, which halved some whole runs; giving up after a few
// hundred left others going back and forth below one hard check for
// minutes.
constexpr std::uint64_t refute_default = 1500;
// A probe of the search back over more open edges than this pays that much
// more per contradiction, and such probes rule their level out at once (in
// the pass before their first choice) or, in every trace, not at all: their
// budget shrinks in proportion, to no less than refute_least.
constexpr std::ptrdiff_t refute_edges = 30000;
constexpr std::uint64_t refute_least = 50;
// What probes that gave up learned is kept for the probes after them: up
// to this many sets, and a set is passed over when a probe's start allows
// counts outside the domains it was learned within on more than
// carry_slack edges (each such edge adds a literal to every clause
// carried).
constexpr std::size_t learned_sets = 4;
constexpr std::size_t carry_slack = 64;
constexpr int probe_step = 20;                  // first step back, in levels
constexpr int solution_step = 100;              // first step back when looking for a solution
// A probe that sweeps over more open edges than this costs seconds per
// thousand contradictions, so the search for a solution stops short of
// levels that leave so much open (a generated 1000 x 1000 puzzle stuck a
// quarter of the way down spent 26 s on one such probe that gave up).
constexpr std::ptrdiff_t solution_probe_edges = 100000;
constexpr int window_margin = 4;                // cells around a changed edge a repair may change
constexpr int window_tries = 5;                 // margins 4, 8, ..., 64 before the whole puzzle
constexpr int alone_tries = 3;                  // windows tried before a whole-state check races the rest
constexpr std::uint64_t first_restart = 100;    // contradictions before a restarting probe first starts over
// A guided probe over tens of thousands of open edges decides them all
// again after every far jump (about 130 choices per contradiction on
// generated 1000 x 1000 puzzles), so the restarting style keeps a jump limit.
constexpr int guided_jump_limit = 100;
constexpr std::uint64_t solve_factor = 5;       // a whole-state check may meet five budgets, a repair window a fifth
// Where at least one edge in this many joins touching islands (which no
// edge can cross), a whole-state check sweeps guided by the kept counts
// instead of choosing in free order: see check_choice.
constexpr std::int64_t touching_share = 8;

int lowest(domain d) { return std::countr_zero(static_cast<unsigned>(d)); }
int highest(domain d) { return 7 - std::countl_zero(d); }
bool single(domain d) { return (d & (d - 1)) == 0; }
// Edges with more than one count left, from `first` on.
std::ptrdiff_t open_count(const std::vector<domain>& domains, std::size_t first = 0) {
    return std::count_if(domains.begin() + static_cast<std::ptrdiff_t>(first), domains.end(),
                         [](domain d) { return !single(d); });
}

// Whether the domain still holds both an odd and an even count: {0, 1},
// {1, 2} and {0, 1, 2}. A bit table, since searches test it at every step.
constexpr bool open_parity(domain d) { return (0b1100'1000u >> d & 1) != 0; }

// A flag that stops a search, set by another thread. A search also stops
// when any flag it is chained to is set: probes that race each other stop
// once one of them settles, and all of them when the whole search stops.
struct halt {
    std::atomic<bool> flag{false};
    const halt* parent = nullptr;
};

// Stops a helper thread and waits for it, however the scope that started
// it ends.
struct stop_and_join {
    halt& done;
    std::thread& helper;
    ~stop_and_join() {
        done.flag = true;
        if (helper.joinable()) helper.join();
    }
};

// Runs `aside` on another thread while `here` runs on this one, and waits
// for both to end by themselves; without a thread, `aside` runs here
// afterwards. If `here` throws, `done` stops `aside` before the exception
// leaves. What `aside` cannot allocate only ends it: it is a shortcut. Any
// other exception of `aside` (a self-check that tests turn on) leaves here
// once both have ended.
template <class aside_work, class here_work>
void side_by_side(halt& done, aside_work&& aside, here_work&& here) {
    std::thread helper;
    std::exception_ptr failed;
    {
        const stop_and_join guard{done, helper};
        try {
            helper = std::thread([&] {
                try {
                    aside();
                } catch (const std::bad_alloc&) {
                } catch (...) {
                    failed = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
        }
        here();
        if (helper.joinable())
            helper.join();
        else
            aside();
    }
    if (failed) std::rethrow_exception(failed);
}

// The root of r in a union-find whose roots hold `none`, halving the path
// on the way.
std::int32_t climb(std::vector<std::int32_t>& up, std::int32_t r) {
    while (up[r] != none) {
        if (up[up[r]] != none) up[r] = up[up[r]];
        r = up[r];
    }
    return r;
}

bool told(const halt* stop) {
    for (; stop != nullptr; stop = stop->parent)
        if (stop->flag.load(std::memory_order_relaxed)) return true;
    return false;
}

class engine {
public:
    engine(const puzzle& p, const fast_limits& limits, int jump_limit, bool second = false) : jump_limit_(jump_limit) {
        load(p);
        probe_sums_ = second;
        const std::size_t clause_words = limits.clause_words;
        witness_from_ = limits.witness_from != 0 ? limits.witness_from : witness_default;
        use_witness_ = static_cast<std::size_t>(n_) >= witness_from_;
        clause_limit_ = clause_words != 0 ? clause_words : clause_room * static_cast<std::size_t>(m_) + (1u << 20);
        stuck_after_ = limits.stuck_after != 0 ? limits.stuck_after : stuck_default;
        probe_budget_ = limits.probe_budget != 0 ? limits.probe_budget : probe_default;
        check_budget_ = solve_factor * probe_budget_;
        short_jump_limit_ = limits.jump_limit != 0 ? limits.jump_limit : guided_jump_limit;
        max_short_steps_ = limits.short_steps != 0 ? limits.short_steps : short_steps_default;
        probe_short_steps_ = limits.short_steps != 0 ? limits.short_steps : std::numeric_limits<int>::max();
        trial_from_ = limits.trial_steps_from != 0 ? limits.trial_steps_from : trial_step_from;
        helpers_ = !second && limits.only_engine == 0 && limits.max_steps == 0 && limits.second_after == 0;
        verify_kept_ = limits.verify_kept;
        verify_witness_ = limits.verify_witness;
        flow_wanted_ = !limits.without_flow;
    }
    // A probe: the open edges of `from` when its domains were `start`, with
    // what their islands still need. With `connection`, islands joined by
    // decided edges start in one group; without, the islands need not end
    // up joined. Ruling it out rules out `start`.
    // With `sweep`, it chooses the first open edge along the longer side of
    // the part left open (by columns when that part is wider than tall).
    // With `narrows`, `start` only narrows the current domains of `from`,
    // which saves passes over the edges decided already.
    // With `carry`, it starts with what earlier probes of `from` learned
    // (see learned_set).
    // With `window` (a repair's, which narrows), only the window's edges
    // can be open in `start`, and the groups come from `from`'s repair
    // union-find and the window's own fixed bridges.
    // `maps` picks the numbering maps of `from` the build uses: builds on
    // different threads at once must use different ones.
    struct window_edges {
        const std::vector<std::int32_t>* open;     // ascending: every edge `start` may leave open
        const std::vector<std::int32_t>* fixed;    // bridges `start` fixes that the union-find lacks
        const std::vector<std::int32_t>* islands;  // held even without an open edge
    };
    engine(const engine& from, const std::vector<std::uint8_t>& start, std::uint64_t budget, bool connection,
           bool sweep = false, bool narrows = false, bool carry = false, const window_edges* window = nullptr,
           int maps = 0);

    static constexpr int stopped = -2;
    // Stops with `stopped` once `stop` is set; calls `on_hard` once, after
    // `hard_after` contradictions.
    int run(std::uint64_t max_steps, const halt* stop = nullptr, std::uint64_t hard_after = 0,
            const std::function<void()>& on_hard = {});
    void store(puzzle& p) const;

private:
    // Why a domain shrank; conflict analysis turns it into the earlier
    // domain changes it rests on.
    enum class cause : std::uint8_t {
        decision,  // the branch's own choice
        island,    // island `why` cannot fit the other counts with its other edges
        crossing,  // edge `why` must carry a bridge and crosses this one
        closing,   // the counts would seal a group; `why`: its islands in pool_
        clause,    // learned clause `why` has no other way left to hold
        side,      // the edge alone joins its ends; `why`: in pool_, how the
                   // other edges leaving one side would have to differ
        none,      // not a domain change: a group join
    };
    // Undoing a domain change also gives back the bridge ends it took from
    // its ends' groups: its old and new lowest counts tell how many, and the
    // groups are as they were then. (An entry per group need cost 5% more
    // instructions on a generated 1000 x 1000 puzzle, callgrind.)
    enum class undo : std::uint8_t { dom, join };
    // A domain change states the fact "the edge's count is in `now`".
    struct trail_entry {
        undo kind;
        cause because;
        domain old;
        domain now;
        std::int32_t index;
        std::int32_t why;
        std::int32_t prev;   // this edge's previous domain change, or none
        std::int32_t level;  // choices in force when the change was made
    };
    struct choice {
        std::int32_t edge;
        std::size_t mark;
        std::size_t pool_mark;
        // The count chosen, as a domain: a clause over many choices reads
        // it here rather than from trail entries far apart.
        domain chosen = 0;
    };
    enum class failure_kind : std::uint8_t { emptied, island, split, parity, flow, clause, leaf };
    struct failure {
        failure_kind kind;
        cause because;  // emptied: what tried to remove the last count
        std::int32_t index;
        std::int32_t why;
    };

    void load(const puzzle& p);
    void link_islands();
    void init_state();
    bool joined_over_usable() const;

    bool restrict(int e, domain keep, cause because, int why);
    bool join(int e);
    void take_needs(int a, int b, int rise);
    // A literal, edge * 8 + a set of counts, is false once the edge's domain
    // holds none of them.
    bool is_false(std::int32_t literal) const { return (dom_[literal >> 3] & (literal & 7)) == 0; }
    int other_end(int e, int v) const { return end_a_[e] == v ? end_b_[e] : end_a_[e]; }
    int find(int v) const { return group_of_[v]; }
    void relabel(int ring, int root);

    bool propagate();
    bool settle_root(const halt* stop = nullptr);
    int settle_start(const halt* stop = nullptr);
    bool root_pass(bool& changed);
    bool fit_island(int v);
    bool close_groups(int v);
    bool still_linked(int e);
    bool ends_joined(int e);
    void build_witness();
    bool mend_witness(int e);
    void witness_add(std::int32_t f);
    void witness_drop(int e);
    // The slots a search may take, read off an island's fitting key.
    enum class over : std::uint8_t { open_parity, bridges };
    template <over slots, bool by_group = false, class usable>
    bool linked(int a, int b, usable&& ok);
    template <bool by_group = false, class visitor>
    void walk_met_path(visitor&& visit) const;
    void met_path();
    bool second_path(int a, int b);
    unsigned side_parity() const;
    unsigned island_parity(int u) const;
    bool any_open_parity(int v) const;
    bool parity_holds(int e);
    bool bridge_parity(int e);
    void mark_untested(std::size_t from);
    void leaving_edges(int skip, bool parity, std::vector<std::int32_t>& out) const;
    bool watch_clauses(int e);
    bool start_flow();
    bool mend_flow(int e);
    bool shift_flow(int e, int change);
    void undo_to(std::size_t mark);
    bool reimply();
    void clear_queues();
    void forget_clauses();

    // `own`: a clause over choices alone, the latest first, which needs no
    // analysis (see rule_out).
    bool learn(std::vector<choice>& stack, bool as_far_as_asked = false, std::int32_t own = none, int own_level = 0);
    std::int32_t analyse(const std::vector<choice>& stack, int& back);
    void backtrack(std::vector<choice>& stack, int level);
    void cite_failure(std::size_t before);
    void cite_cause(cause because, int why, std::size_t before);
    void cite(std::int32_t t);
    std::int32_t latest_before(int e, std::size_t before) const;
    std::int32_t first_outside(int e, domain values, std::size_t before) const;
    void cite_lowest(int e, std::size_t before);
    void cite_highest(int e, std::size_t before);
    void cite_lower_bounds(int v, std::size_t before);
    void cite_fit(int v, std::size_t before, int skip, bool lows, bool highs);
    domain domain_before(int e, std::size_t before) const;

    int jump_limit_;
    int max_short_steps_ = short_steps_default;  // before jumps go as far as clauses ask
    int trial_from_ = trial_step_from;  // jumps that first try a one-level step, in levels
    // Probes whose style keeps a jump limit keep it however long they step:
    // their far jumps would redo tens of thousands of choices each.
    int probe_short_steps_ = std::numeric_limits<int>::max();
    int n_ = 0;
    int m_ = 0;
    std::vector<std::int32_t> end_a_, end_b_;
    std::vector<domain> dom_;
    std::vector<std::int32_t> incident_;  // four slots per island
    // Per slot of incident_, the island at the edge's other end: searches
    // step to it without looking up the edge's two ends.
    std::vector<std::int32_t> neighbour_;
    std::vector<std::int32_t> weight_;
    // Per island, its fitting table key (its weight and its four domains),
    // which every domain change and its undo keep up to date through the
    // changed edge's slot at either end (key_shift_, two per edge): a fit
    // reads one key instead of four edges and their domains.
    std::vector<std::uint16_t> fit_keys_;
    std::vector<std::uint8_t> key_shift_;
    void init_fit_keys();
    // e, whose ends are a and b, gained or lost the counts in `flip`.
    void flip_keys(int e, int a, int b, unsigned flip) {
        const std::size_t at = 2 * static_cast<std::size_t>(e);
        fit_keys_[a] ^= static_cast<std::uint16_t>(flip << key_shift_[at]);
        fit_keys_[b] ^= static_cast<std::uint16_t>(flip << key_shift_[at + 1]);
    }
    std::vector<std::int32_t> cross_start_, cross_;

    // Islands joined by edges that must carry a bridge, with the bridge ends
    // each group still needs beyond the counts already forced. Members of a
    // group form a ring through next_member_, and each names its group's
    // root in group_of_: a join relabels the smaller group (so an island is
    // relabelled at most log n times along a branch) and its undo relabels
    // it back, which keeps every lookup a single read. Undone in order, a
    // join finds the root it went into still named by its own old root.
    std::vector<std::int32_t> group_of_, size_, resid_, next_member_;
    int groups_ = 0;

    std::vector<trail_entry> trail_;
    std::vector<std::int32_t> last_change_;  // per edge, into trail_
    std::vector<std::int32_t> pool_;         // closing reasons: a count, then islands
    int level_ = 0;

    // Probing, by a stuck engine: which kind (over sums alone, the second
    // engine's, or with every rule), after how many contradictions without
    // progress, and how many each probe may meet.
    bool probe_sums_ = false;
    std::uint64_t stuck_after_ = 0;
    std::uint64_t probe_budget_ = 0;
    int probe_back(std::vector<choice>& stack, const halt* stop);
    int refute(std::vector<choice>& stack, std::vector<std::int32_t>& literals);
    int rule_out(std::vector<choice>& stack, int level);
    std::vector<std::int32_t> choice_literals(const std::vector<choice>& stack, int level) const;
    std::vector<domain> domains_at(int level) const;
    bool step_back(std::vector<choice>& stack, int level);

    // A solution that agrees with every domain, from a probe; while one is
    // kept (no domain excludes its count: off_solution_ == 0), the state
    // surely has a solution. A choice that leaves it is checked at once:
    // first by repairing it near the change, then by a probe of the whole
    // state, which finds another such solution or rules the choice out.
    std::vector<std::uint8_t> solution_;  // empty while none is kept
    bool has_solution() const { return !solution_.empty(); }
    std::int64_t off_solution_ = 0;
    void keep(std::vector<std::uint8_t> counts);
    // How a probe chooses: by sweeping or in free order; guided by the kept
    // solution (each edge first gets its kept count), then by the count it
    // had last (`saving`); starting over now and then (`restarting`);
    // stepping back one level instead of jumping far (`short_jumps`).
    struct probe_style {
        bool sweep = false;
        bool guided = false;
        bool saving = false;
        bool restarting = false;
        bool short_jumps = false;
    };
    std::unique_ptr<engine> make_probe(const std::vector<domain>& start, std::uint64_t budget, probe_style style,
                                       bool narrows, bool carry, const window_edges* window = nullptr,
                                       int maps = 0) const;
    // Guided by the kept counts, starting over, with short jumps: the
    // steadiest style near a change.
    static constexpr probe_style restarting_guided() {
        return {.guided = true, .saving = true, .restarting = true, .short_jumps = true};
    }
    struct probe_task {
        std::uint64_t budget;
        probe_style style;
    };
    bool helpers_ = false;  // some probes run two at a time, on a second thread
    // Searches that race to settle a check: the first to find a solution or
    // rule the state out claims `outcome` and stops the others, under
    // `lock`. Each thread builds with its own numbering maps, so two builds
    // can run at once (see reading_).
    struct race {
        std::mutex lock;
        int outcome = stopped;
        halt settled;
        // Under `lock`: settles the race with `result` unless another
        // search did first; whether this one won.
        bool claim(int result) {
            settled.flag = true;
            if (outcome != stopped) return false;
            outcome = result;
            return true;
        }
    };
    int settle_first(const std::vector<domain>& start, const std::vector<probe_task>& tasks, const halt* stop,
                     const std::vector<choice>* repair_stack = nullptr);
    // What a probe that gave up had learned: clauses over the engine's
    // edges that follow from the rules and the probe's start domains
    // (`within`), so they hold for every solution within those domains. A
    // later probe starts with them. The same hard state, or one close to
    // it, tends to come back (a check that gave up is met again after the
    // search below it got stuck), and each probe used to start from
    // nothing.
    struct learned_set {
        std::vector<domain> within;
        std::vector<std::int32_t> clauses;
    };
    std::vector<learned_set> learned_;  // oldest first
    // Probes are built while other probes run, on the other thread of a
    // race: a build reads learned_ and the kept solution holding this
    // shared, and remember and keep_repaired change them holding it alone.
    mutable std::shared_mutex reading_;
    void remember(const engine& probe, const std::vector<domain>& start);
    void carry_over(const engine& from, const std::vector<domain>& start, const std::vector<std::int32_t>& edge_at);
    std::vector<std::uint8_t> solution_in(const engine& from, const std::vector<domain>& start) const;
    bool kept() const { return has_solution() && off_solution_ == 0; }
    bool verify_kept_ = false;
    bool verify_witness_ = false;  // every search the witness spares runs anyway
    void verify_kept(bool within_domains) const;
    int solution_level() const;
    std::uint64_t check_budget_ = 0;  // grows each time a whole-state check gives up
    int check_rounds_ = 1;            // rounds of budgets a check runs: more after each that gives up
    int gave_up_at_ = -1;             // the level of the last check, if it gave up (else -1)
    int gave_up_times_ = 0;           // checks in a row that gave up at that level
    int short_jump_limit_ = 0;        // of probes whose style has short jumps
    int check_choice(std::vector<choice>& stack, const halt* stop);
    bool sweep_checks_ = false;  // whole-state checks sweep instead of choosing freely
    int repair(const std::vector<choice>& stack, const halt* stop, int first_try, int end_try, race* racing = nullptr);
    int find_solution(std::vector<choice>& stack, int below, const halt* stop, int above = 0);
    std::array<int, 2> probe_pair(const std::array<const std::vector<domain>*, 2>& starts, std::uint64_t budget,
                                  std::array<std::vector<std::uint8_t>, 2>& found, const halt* stop);
    std::vector<std::int32_t> x_, y_;  // island cells, for repairs and sweeps
    // Repairs pass over the islands and edges of their windows only: a
    // pass over every open edge per window cost more than the repairs'
    // searches on generated 1000 x 1000 puzzles. The islands in reading
    // order, where each row starts among them (built at the first repair),
    // and per edge the window it was last found in.
    std::vector<std::int32_t> by_cell_, row_start_;
    std::vector<std::uint32_t> window_mark_;
    std::uint32_t window_stamp_ = 0;
    void edges_within(int x0, int y0, int x1, int y1, std::vector<std::int32_t>& out);
    void new_window_stamp();
    // During a repair: every open edge fixed at its kept count (windows
    // free theirs), and a union-find over the engine's groups joined by the
    // bridges fixed outside the widest window.
    std::vector<domain> repair_start_;
    mutable std::vector<std::int32_t> base_up_;
    std::vector<std::int32_t> base_touched_;
    std::int32_t base_root(std::int32_t v) const { return climb(base_up_, find(v)); }
    void keep_repaired(const engine& probe, const std::vector<std::int32_t>& pushed_off);
    // Building a probe: the probe's numbers of the engine's edges and
    // islands, and a union-find over the engine's groups (with the roots it
    // touched). All `none` except during a build. Two sets, so that the two
    // threads of a race can build at once.
    struct build_maps {
        std::vector<std::int32_t> edge_at, island_at, up, group_at, touched;
    };
    mutable std::array<build_maps, 2> maps_;

    // Being a probe. It chooses in free order: the edges named most in
    // recent learned clauses first (stale heap entries are skipped when
    // popped).
    bool probe_ = false;
    std::vector<domain> start_domains_;
    std::vector<double> activity_;
    double bump_by_ = 1.0;
    edge_heap by_activity_;
    int scan_ = 0;
    std::vector<std::int32_t> order_, rank_;  // a sweeping probe's order
    // A guided probe's preferred count per edge (empty: the smallest). One
    // that saves counts updates it whenever an edge is decided; one that
    // restarts goes back to its first choice after 100 contradictions (fewer
    // on a small budget), then after half again as many each time, keeping
    // what it learned.
    std::vector<std::uint8_t> phase_;
    bool saving_ = false;
    bool restarting_ = false;
    int order_scan_ = 0;                      // no open edge comes before it in order_
    void sweep_order();
    void bump(int e);
    int free_choice();
    // Whether the islands must end up joined: off in probes over sums
    // alone. A probe with every rule may hold islands of one group joined
    // by edges it leaves out, so its searches for a connection walk whole
    // groups.
    bool connection_ = true;
    bool whole_groups() const { return probe_ && connection_; }
    std::vector<std::uint32_t> group_seen_;  // per group root: the search that walked it
    // With a witness: per group root, the island that claimed the group in
    // the last search; per island reached through its group, that island.
    // The witness's paths go through groups by them.
    std::vector<std::int32_t> claimer_, hop_;
    // The rings of the groups a probe starts with, which bridges outside it
    // join and no undo splits: the witness may pass through them freely.
    std::vector<std::int32_t> first_ring_;
    // Per side of a search: groups reached whose other islands are not
    // queued yet. A side queues them only once it has nothing else to
    // search, so the other side can meet a large group without anyone
    // walking it.
    std::array<std::vector<std::int32_t>, 2> groups_pending_;
    // A probe over sums alone reports what its refutation rests on: the
    // changes before its first choice and the islands (whose decided edges
    // set what they still need) that some analysis cited.
    bool tracking() const { return !connection_; }
    std::vector<std::uint8_t> used_island_;
    std::vector<std::uint8_t> used_entry_;
    std::vector<std::int32_t> main_edge_, main_island_;  // the engine's numbers
    void use_side();
    std::vector<std::int32_t> core(const engine& from, const std::vector<domain>& start);

    // Learned clauses: "the count of one of these edges is in its set".
    // Stored as a length, then edge * 8 + set per literal; the first two
    // literals are watched.
    std::vector<std::int32_t> clauses_;
    // Each watch keeps its own literal: most changes leave it some count
    // (nine in ten in long runs of contradictions), and those are passed
    // over without reading the clause.
    struct watch_entry {
        std::int32_t clause;
        std::int32_t literal;
    };
    std::vector<std::vector<watch_entry>> watches_;
    // Per edge, the count sets its watches' literals name (bit s for set
    // s, and bits of watches gone may linger): every domain change reads
    // this one byte instead of a list header three words wide, and wakes
    // the watches only if one of those sets may have no count left.
    std::vector<std::uint8_t> watched_;
    void watch(std::int32_t literal, std::int32_t c) {
        watches_[literal >> 3].push_back({c, literal});
        watched_[literal >> 3] |= static_cast<std::uint8_t>(1u << (literal & 7));
    }
    // Stores a clause, watching its first two literals; its number.
    std::int32_t add_clause(const std::vector<std::int32_t>& literals) {
        const auto c = static_cast<std::int32_t>(clauses_.size());
        clauses_.push_back(static_cast<std::int32_t>(literals.size()));
        clauses_.insert(clauses_.end(), literals.begin(), literals.end());
        if (literals.size() >= 2) {
            watch(literals[0], c);
            watch(literals[1], c);
        }
        return c;
    }
    std::size_t watched_from_ = 0;  // clauses before this offset watch nothing
    std::size_t clause_limit_ = 0;  // stored numbers that set off forgetting
    int_stack clause_queue_;
    std::vector<std::int32_t> undone_clauses_;  // clauses whose forced count was undone

    // Islands to refit, each at most once (queued_ tells), so a slot per
    // island holds them all: a push is a store, where a growing vector's
    // push was a call on every domain change.
    std::vector<std::int32_t> island_queue_;
    std::size_t islands_queued_ = 0;
    // Unlike a std::uint8_t, a flag aliases nothing else, so a store to one
    // leaves the other arrays' addresses in registers.
    enum class flag : std::uint8_t { off, on };
    std::vector<flag> queued_;
    int_stack cut_checks_;  // edges that lost their last bridge count
    // Where every edge joins islands of two different sides, counts that
    // give every island its weight within the edges' lowest and highest
    // counts (a flow from one side to the other, kept from change to
    // change). Backtracking only widens those bounds, so the counts never
    // need undoing; an edge whose count leaves its bounds is moved back in
    // by shifting a count along a path that alternates between the sides,
    // and when none exists, the sides it reached show that no counts fit.
    bool flow_wanted_ = true;
    bool flow_on_ = false;
    std::vector<std::uint8_t> side_, flow_;
    int_stack flow_checks_;
    std::vector<std::uint8_t> flow_queued_;
    std::vector<std::uint32_t> flow_seen_;
    std::uint32_t flow_stamp_ = 0;
    std::vector<std::int32_t> flow_via_, flow_reach_;
    int_stack parity_checks_;  // edges whose count's parity became known
    // A set of edges that may carry bridges and join every island. While it
    // holds, no edge outside it can split the islands, so only losing one
    // of its own edges needs a search (for a path that replaces it).
    // Backtracking only adds usable edges, so it never needs undoing. It is
    // broken when a lost edge has no replacement: the islands are split,
    // the branch fails, and until then every split check searches.
    std::vector<std::uint8_t> in_witness_;
    int_stack witness_mends_;  // its edges that lost their last bridge count
    std::size_t witness_size_ = 0;
    int witness_lost_ = 0;  // its edges that lost their last bridge count, not yet replaced
    std::size_t witness_from_ = witness_default;  // islands from which an engine or probe keeps one
    bool use_witness_ = false;
    bool witness_on_ = false;
    bool witness_broken_ = false;
    failure failure_{};
    // Before the first choice nothing is ever undone or cited, so the split
    // and parity checks run over the whole graph at once instead of once
    // per edge.
    bool at_root_ = false;

    std::vector<std::uint32_t> seen_;
    std::uint32_t stamp_ = 0;
    std::vector<std::int32_t> from_a_, from_b_;  // n_ slots each: no island is queued twice
    std::vector<std::int32_t> via_;       // the edge a search reached each island by
    std::array<std::int32_t, 3> meet_{};  // where two searches met: island, edge, island
    std::vector<std::int32_t> path_;
    // Per edge: path_stamp_ while the edge lies on path_ and still needs its
    // own test; a test that finds a cycle clears the path edges on it.
    std::vector<std::uint32_t> untested_;
    std::vector<std::int32_t> path_from_;  // per path_ edge, its end nearer the first island
    std::uint32_t path_stamp_ = 0;
    std::vector<std::int32_t> failure_reason_;  // split or parity failure: as for cause::side
    std::span<const std::int32_t> sealed_side_;

    // Conflict analysis scratch.
    std::vector<std::uint32_t> entry_seen_;
    std::uint32_t analysis_ = 0;
    int open_at_level_ = 0;
    int analysis_level_ = 0;  // the level the contradiction arose at
    int resume_ = 0;  // no undecided edge comes before it
    std::vector<std::int32_t> lower_;        // cited changes from earlier levels
    std::vector<std::int32_t> clause_slot_;  // per edge, its literal in the clause being built
};

void engine::load(const puzzle& p) {
    std::vector<std::int32_t> position(p.vertices.size(), none);
    weight_.reserve(p.vertices.size());
    x_.reserve(p.vertices.size());
    y_.reserve(p.vertices.size());
    end_a_.reserve(p.edges.size());
    end_b_.reserve(p.edges.size());
    for (vertex* v = p.vertex_list; v; v = v->next) {
        position[v->index] = n_++;
        weight_.push_back(v->weight);
        x_.push_back(v->x);
        y_.push_back(v->y);
    }
    std::vector<std::int32_t> edge_position(p.edges.size(), none);
    std::int64_t touching = 0;
    for (edge* e = p.edge_list; e; e = e->next) {
        edge_position[e->index] = m_++;
        end_a_.push_back(position[e->a->index]);
        end_b_.push_back(position[e->b->index]);
        touching += std::abs(e->a->x - e->b->x) + std::abs(e->a->y - e->b->y) == 1;
    }
    sweep_checks_ = touching * touching_share >= m_;

    link_islands();

    // Crossings in both directions, so that either edge can block the other.
    // The lists are walked once: following their pointers costs more than
    // both passes over the pairs.
    std::vector<std::pair<std::int32_t, std::int32_t>> pairs;
    pairs.reserve(p.crossing_pool.size());
    for (edge* e = p.edge_list; e; e = e->next)
        for (crossing* c = e->crossings; c; c = c->next)
            pairs.emplace_back(edge_position[e->index], edge_position[c->edge->index]);
    cross_start_.assign(m_ + 1, 0);
    for (const auto& [x, y] : pairs) {
        ++cross_start_[x + 1];
        ++cross_start_[y + 1];
    }
    for (int e = 0; e < m_; ++e) cross_start_[e + 1] += cross_start_[e];
    cross_.assign(cross_start_[m_], 0);
    std::vector<std::int32_t> fill(cross_start_.begin(), cross_start_.end() - 1);
    for (const auto& [x, y] : pairs) {
        cross_[fill[x]++] = y;
        cross_[fill[y]++] = x;
    }
    init_state();
}

engine::engine(const engine& from, const std::vector<std::uint8_t>& start, std::uint64_t budget, bool connection,
               bool sweep, bool narrows, bool carry, const window_edges* window, int maps)
    : jump_limit_(std::numeric_limits<int>::max()) {
    connection_ = connection;
    probe_budget_ = budget;
    max_short_steps_ = from.probe_short_steps_;
    trial_from_ = from.trial_from_;
    // The numbering maps live in `from` and are `none` between builds, so
    // a build costs what the probe holds rather than the whole puzzle.
    // They are put back however the build ends.
    build_maps& own = from.maps_[maps];
    const std::shared_lock reading(from.reading_);
    struct put_back {
        build_maps& own;
        const engine& probe;
        ~put_back() {
            for (std::int32_t f : probe.main_edge_) own.edge_at[f] = none;
            for (std::int32_t v : probe.main_island_) own.island_at[v] = none;
            for (std::int32_t r : own.touched) own.up[r] = own.group_at[r] = none;
            own.touched.clear();
        }
    };
    own.edge_at.resize(from.m_, none);
    own.island_at.resize(from.n_, none);
    own.up.resize(from.n_, none);
    own.group_at.resize(from.n_, none);
    const put_back guard{own, *this};
    std::vector<std::int32_t>& edge_at = own.edge_at;
    std::vector<std::int32_t>& island_at = own.island_at;
    // The edges before the engine's current choice are decided.
    const int first_open = narrows ? from.resume_ : 0;
    const auto add_island = [&](int v) {
        if (island_at[v] != none) return;
        main_island_.push_back(v);
        island_at[v] = n_++;
        // What the island still needs beyond its decided edges.
        int need = from.weight_[v];
        for (int s = 0; s < 4; ++s) {
            const std::int32_t g = from.incident_[4 * v + s];
            if (g != no_edge && single(start[g])) need -= lowest(start[g]);
        }
        weight_.push_back(need);
        x_.push_back(from.x_[v]);
        y_.push_back(from.y_[v]);
    };
    const auto each_edge = [&](auto&& visit) {
        if (window != nullptr)
            for (std::int32_t f : *window->open) visit(f);
        else
            for (int f = first_open; f < from.m_; ++f) visit(f);
    };
    each_edge([&](std::int32_t f) {
        if (single(start[f])) return;
        main_edge_.push_back(f);
        edge_at[f] = m_++;
        for (int v : {from.end_a_[f], from.end_b_[f]}) add_island(v);
        end_a_.push_back(island_at[from.end_a_[f]]);
        end_b_.push_back(island_at[from.end_b_[f]]);
    });
    if (window != nullptr)
        for (std::int32_t v : *window->islands) add_island(v);
    link_islands();
    cross_start_.assign(m_ + 1, 0);
    start_domains_.reserve(m_);
    for (int e = 0; e < m_; ++e) {
        const std::int32_t f = main_edge_[e];
        start_domains_.push_back(start[f]);
        for (std::int32_t k = from.cross_start_[f]; k < from.cross_start_[f + 1]; ++k)
            if (edge_at[from.cross_[k]] != none) cross_.push_back(edge_at[from.cross_[k]]);
        cross_start_[e + 1] = static_cast<std::int32_t>(cross_.size());
    }
    clause_limit_ = clause_room * static_cast<std::size_t>(m_) + (1u << 16);
    init_state();
    probe_ = true;
    if (carry && connection) carry_over(from, start, edge_at);
    activity_.assign(m_, 0.0);
    if (sweep) sweep_order();
    if (tracking()) {
        used_island_.assign(n_, 0);
        used_entry_.assign(trail_.capacity(), 0);
    }
    if (!connection_) return;
    group_seen_.assign(n_, 0);
    // The groups of `start`: islands joined by edges that carry a bridge.
    // When `start` narrows the current domains, the engine's own groups
    // hold all but the bridges `start` adds. A union-find over their roots
    // (or over islands) that only holds what those bridges join.
    std::vector<std::int32_t>& up = own.up;
    const auto root = [&](int v) {
        return climb(up, window != nullptr ? from.base_root(v) : narrows ? from.find(v) : v);
    };
    const auto join_ends = [&](std::int32_t f) {
        const std::int32_t ra = root(from.end_a_[f]);
        const std::int32_t rb = root(from.end_b_[f]);
        if (ra == rb) return;
        own.touched.push_back(ra);
        up[ra] = rb;
    };
    if (window != nullptr) {
        for (std::int32_t f : *window->fixed) join_ends(f);
    } else {
        for (int f = first_open; f < from.m_; ++f)
            if ((start[f] & only_zero) == 0 && !(narrows && (from.dom_[f] & only_zero) == 0)) join_ends(f);
    }
    std::vector<std::int32_t>& group_at = own.group_at;
    // In the engine's order of islands, as a group's first island names it.
    // Sorted as plain numbers (the engine's island above the probe's), not
    // through a comparison that reads main_island_ at random.
    std::vector<std::uint64_t> order(n_);
    for (int u = 0; u < n_; ++u)
        order[u] = static_cast<std::uint64_t>(main_island_[u]) << 32 | static_cast<std::uint32_t>(u);
    std::sort(order.begin(), order.end());
    for (const std::uint64_t key : order) {
        const auto u = static_cast<std::int32_t>(key & 0xffff'ffffu);
        const std::int32_t r = root(main_island_[u]);
        std::int32_t& first = group_at[r];
        if (first == none) {
            own.touched.push_back(r);
            first = u;
            continue;
        }
        // u joins the ring of the group's first island.
        group_of_[u] = first;
        std::swap(next_member_[u], next_member_[first]);
        ++size_[first];
        resid_[first] += resid_[u];
        --groups_;
    }
    witness_from_ = from.witness_from_;
    verify_witness_ = from.verify_witness_;
    flow_wanted_ = from.flow_wanted_;
    use_witness_ = static_cast<std::size_t>(n_) >= witness_from_;
    if (use_witness_) {
        claimer_.assign(n_, none);
        hop_.assign(n_, none);
        first_ring_ = next_member_;
    }
}

// Each island's (at most four) edges and the islands across them.
void engine::link_islands() {
    incident_.assign(4 * static_cast<std::size_t>(n_), no_edge);
    neighbour_.assign(4 * static_cast<std::size_t>(n_), none);
    std::vector<int> degree(n_, 0);
    for (int e = 0; e < m_; ++e)
        for (int v : {end_a_[e], end_b_[e]}) {
            if (degree[v] == 4) throw std::invalid_argument("island with more than four edges");
            const int slot = 4 * v + degree[v]++;
            incident_[slot] = e;
            neighbour_[slot] = other_end(e, v);
        }
}

void engine::init_state() {
    dom_.assign(m_, any_count);
    init_fit_keys();
    last_change_.assign(m_, none);
    watches_.resize(m_);
    watched_.assign(m_, 0);
    clause_slot_.assign(m_, none);
    group_of_.resize(n_);
    next_member_.resize(n_);
    size_.assign(n_, 1);
    resid_.resize(n_);
    for (int v = 0; v < n_; ++v) {
        group_of_[v] = next_member_[v] = v;
        resid_[v] = weight_[v];
    }
    groups_ = n_;
    queued_.assign(n_, flag::off);
    seen_.assign(n_, 0);
    via_.assign(n_, no_edge);
    untested_.assign(m_, 0);
    path_from_.assign(m_, none);
    // Growing these while searching would copy them again and again; each
    // edge changes its domain at most twice per branch, and the joins add
    // fewer entries than there are islands.
    trail_.reserve(2 * static_cast<std::size_t>(m_) + static_cast<std::size_t>(n_) + 16);
    island_queue_.assign(n_, none);
    clause_queue_.reserve(m_);
    cut_checks_.reserve(m_);
    in_witness_.assign(m_, 0);
    witness_mends_.reserve(m_);
    parity_checks_.reserve(m_);
    pool_.reserve(m_);
    from_a_.assign(n_, none);
    from_b_.assign(n_, none);
    path_.reserve(n_);
}

void engine::store(puzzle& p) const {
    int i = 0;
    for (edge* e = p.edge_list; e; e = e->next) e->bridges = lowest(dom_[i++]);
}

// The lowest count of an edge between a and b rose by `rise` (negative: an
// undo lowered it): its ends' groups need that many bridge ends fewer.
void engine::take_needs(int a, int b, int rise) {
    const int ra = find(a);
    const int rb = find(b);
    resid_[ra] -= rise;
    resid_[rb] -= rise;
}

// Narrows e's domain to `keep` and applies what follows at once: forced
// bridge ends leave the groups' needs, a first forced bridge blocks the
// crossing edges and joins the endpoints' groups. Islands to refit, clauses
// to revisit and edges to check for a split are queued.
bool engine::restrict(int e, domain keep, cause because, int why) {
    const domain old = dom_[e];
    const domain now = old & keep;
    if (now == old) return true;
    if (now == 0) {
        failure_ = {failure_kind::emptied, because, e, why};
        return false;
    }
    trail_.push_back({undo::dom, because, old, now, e, why, last_change_[e], level_});
    last_change_[e] = static_cast<std::int32_t>(trail_.size() - 1);
    const int a = end_a_[e];
    const int b = end_b_[e];
    flip_keys(e, a, b, old ^ now);
    if (saving_ && single(now)) phase_[e] = static_cast<std::uint8_t>(lowest(now));
    if (has_solution() && (now >> solution_[e] & 1) == 0 && (old >> solution_[e] & 1) != 0) ++off_solution_;

    if ((watched_[e] & emptied_sets[now]) != 0) clause_queue_.push_back(e);
    if (flow_on_ && !flow_queued_[e] && (flow_[e] < lowest(now) || flow_[e] > highest(now))) {
        flow_queued_[e] = 1;
        flow_checks_.push_back(e);
    }
    const bool parity_known = open_parity(old) && !open_parity(now);
    if (parity_known) parity_checks_.push_back(e);
    // An island's own fitting leaves every count it keeps supported, so the
    // island that only lowered an edge's highest count need not look again;
    // a raised lowest count changes what its group still needs.
    const bool self_fitted = because == cause::island && lowest(now) == lowest(old);
    for (int v : {a, b})
        if (queued_[v] == flag::off && !(self_fitted && why == v)) {
            queued_[v] = flag::on;
            island_queue_[islands_queued_++] = v;
        }
    // Stored late: a byte may alias anything, so every array read after
    // the store is looked up again.
    dom_[e] = now;
    if ((now & some_bridge) == 0) {
        if (witness_on_ && in_witness_[e]) {
            ++witness_lost_;
            // The parity check searches between the ends anyway.
            if (!parity_known) witness_mends_.push_back(e);
        }
        // A path of open parity is a path of edges that may carry bridges,
        // so the parity check also answers whether the ends stay joined.
        if (!parity_known && connection_) cut_checks_.push_back(e);
        return true;
    }
    const int rise = lowest(now) - lowest(old);
    if (rise == 0) return true;
    take_needs(a, b, rise);
    return (old & only_zero) == 0 || join(e);
}

// Names `root` as the group of every island on the ring through `ring`.
void engine::relabel(int ring, int root) {
    int u = ring;
    do {
        group_of_[u] = root;
        u = next_member_[u];
    } while (u != ring);
}

// e has just lost the count 0: nothing that crosses it may carry a bridge,
// and its endpoints now belong to one group.
bool engine::join(int e) {
    for (std::int32_t k = cross_start_[e]; k < cross_start_[e + 1]; ++k)
        if (dom_[cross_[k]] != only_zero && !restrict(cross_[k], only_zero, cause::crossing, e)) return false;
    int ra = find(end_a_[e]);
    int rb = find(end_b_[e]);
    if (ra == rb) return true;
    if (size_[ra] < size_[rb]) std::swap(ra, rb);
    trail_.push_back({undo::join, cause::none, 0, 0, rb, 0, none, level_});
    if (witness_on_) witness_add(e);
    relabel(rb, ra);
    size_[ra] += size_[rb];
    resid_[ra] += resid_[rb];
    std::swap(next_member_[ra], next_member_[rb]);
    --groups_;
    return true;
}

// What island fitting keeps, for every weight and every four domains: the
// four domains cut to the counts that some combination summing to the
// weight uses, packed as the key packs them, or `no_fit`. One read replaces
// the sums over combinations that every refit would otherwise redo.
constexpr std::uint16_t no_fit = 0x8000;
// Set in an entry with two or more counts in some slot: a bit test, where
// working that out from the slots at every refit cost 2% more instructions
// on a generated 1000 x 1000 puzzle (callgrind).
constexpr std::uint16_t open_slot = 0x1000;
constexpr std::size_t fit_key(int weight, unsigned d0, unsigned d1, unsigned d2, unsigned d3) {
    return static_cast<std::size_t>(weight) << 12 | d0 << 9 | d1 << 6 | d2 << 3 | d3;
}
// Slot s's domain in a key or a table entry; the four slots are its low
// twelve bits.
constexpr unsigned fit_slot(unsigned packed, int s) { return packed >> (9 - 3 * s) & 7; }
constexpr std::size_t fit_slots = 0xfff;
// The lowest bit of each slot of a packed key.
constexpr unsigned slot_low_bits = 0b001'001'001'001;
// Whether some slot of a packed key or entry holds two or more counts.
constexpr bool two_or_more(unsigned packed) {
    return ((packed & packed >> 1) | (packed & packed >> 2) | (packed >> 1 & packed >> 2)) & slot_low_bits;
}
// Per slot of a packed key, at the slot's lowest bit: whether its domain has
// open parity (the count 1 and one of 0 and 2), or whether it may carry a
// bridge. A missing edge's slot holds {0}, so it has neither, and the
// searches skip it without reading its edge.
constexpr unsigned open_parity_slots(unsigned packed) { return packed >> 1 & (packed | packed >> 2) & slot_low_bits; }
constexpr unsigned bridge_slots(unsigned packed) { return (packed >> 1 | packed >> 2) & slot_low_bits; }
static_assert([] {
    for (int weight = 0; weight <= max_weight; ++weight)
        for (unsigned d = 0; d < 8; ++d)
            for (int s = 0; s < 4; ++s) {
                // Slot s holds d, the others {0}.
                const auto slot = [&](int t) { return t == s ? d : 1u; };
                const auto packed = static_cast<unsigned>(fit_key(weight, slot(0), slot(1), slot(2), slot(3)));
                if (two_or_more(packed) != (std::popcount(d) >= 2)) return false;
                if ((open_parity_slots(packed) != 0) != open_parity(static_cast<domain>(d))) return false;
                const unsigned at = 9 - 3 * static_cast<unsigned>(s);
                if ((open_parity_slots(packed) >> at & 1) != open_parity(static_cast<domain>(d))) return false;
                if ((bridge_slots(packed) >> at & 1) != ((d & some_bridge) != 0)) return false;
                if (((open_parity_slots(packed) | bridge_slots(packed)) & ~(1u << at)) != 0) return false;
            }
    return true;
}());
constexpr auto fit_table = [] {
    std::array<std::uint16_t, fit_key(max_weight + 1, 0, 0, 0, 0)> table{};
    for (unsigned d0 = 1; d0 < 8; ++d0)
        for (unsigned d1 = 1; d1 < 8; ++d1)
            for (unsigned d2 = 1; d2 < 8; ++d2)
                for (unsigned d3 = 1; d3 < 8; ++d3) {
                    // Per sum, the counts each edge takes in some combination
                    // with that sum, packed as in the key.
                    std::array<unsigned, 9> used{};
                    for (unsigned c0 = 0; c0 < 3; ++c0)
                        for (unsigned c1 = 0; c1 < 3; ++c1)
                            for (unsigned c2 = 0; c2 < 3; ++c2)
                                for (unsigned c3 = 0; c3 < 3; ++c3)
                                    if ((d0 >> c0 & d1 >> c1 & d2 >> c2 & d3 >> c3 & 1) != 0)
                                        used[c0 + c1 + c2 + c3] |= fit_key(0, 1u << c0, 1u << c1, 1u << c2, 1u << c3);
                    for (int weight = 0; weight <= max_weight; ++weight) {
                        const unsigned fits = used[weight];
                        table[fit_key(weight, d0, d1, d2, d3)] =
                            fits == 0 ? no_fit
                                      : static_cast<std::uint16_t>(two_or_more(fits) ? fits | open_slot : fits);
                    }
                }
    return table;
}();

// Every edge holds every count; a missing edge is a slot held at 0. (A
// weight outside the table stops the search before any fit.)
void engine::init_fit_keys() {
    fit_keys_.resize(n_);
    key_shift_.resize(2 * static_cast<std::size_t>(m_));
    for (int v = 0; v < n_; ++v) {
        std::array<unsigned, 4> slots{};
        for (int s = 0; s < 4; ++s) {
            const std::int32_t e = incident_[4 * v + s];
            slots[s] = e == no_edge ? only_zero : any_count;
            if (e != no_edge) key_shift_[2 * e + (end_a_[e] == v ? 0 : 1)] = static_cast<std::uint8_t>(9 - 3 * s);
        }
        fit_keys_[v] = static_cast<std::uint16_t>(fit_key(weight_[v], slots[0], slots[1], slots[2], slots[3]));
    }
}

// Keeps on each edge of v only the counts that some fitting combination of
// v's edges uses, then drops counts that would seal a group off from the
// rest: a group whose needs are all met can never reach another island.
bool engine::fit_island(int v) {
    const int base = 4 * v;
    const unsigned key = fit_keys_[v];
    const std::uint16_t fit = fit_table[key];
    if (fit == no_fit) {
        failure_ = {failure_kind::island, cause::none, v, 0};
        return false;
    }
    // The counts the fit cuts, per slot.
    const unsigned cut = (fit ^ key) & fit_slots;
    if (cut != 0)
        for (int s = 0; s < 4; ++s)
            if (fit_slot(cut, s) != 0 &&
                !restrict(incident_[base + s], static_cast<domain>(fit_slot(fit, s)), cause::island, v))
                return false;
    // Only an edge left with two or more counts, one of them a bridge, can
    // seal a group: fitting just left these counts on v's edges.
    return (fit & open_slot) == 0 || !connection_ || close_groups(v);
}

// Drops counts that would seal a small group off from the rest: a group
// whose needs are all met can never reach another island.
bool engine::close_groups(int v) {
    // One edge takes at most 4 of the ends a group still needs. Asked
    // before looking at any edge, since most groups end the call here.
    const int ra = find(v);
    if (size_[ra] > closing_limit || resid_[ra] > 4) return true;
    const int base = 4 * v;
    for (int s = 0; s < 4; ++s) {
        const std::int32_t e = incident_[base + s];
        if (e == no_edge) continue;
        const domain d = dom_[e];
        // Only undecided edges that may carry a bridge: {0, 1}, {0, 2},
        // {1, 2} and {0, 1, 2}.
        if ((0b1110'1000u >> d & 1) == 0) continue;
        const int rb = find(neighbour_[base + s]);
        const int lo = lowest(d);
        const std::int32_t need = ra == rb ? resid_[ra] + 2 * lo : resid_[ra] + resid_[rb];
        const int size = ra == rb ? size_[ra] : size_[ra] + size_[rb];
        if (size >= n_ || size > closing_limit) continue;
        domain keep = d;
        for (int c = 1; c <= 2; ++c)
            if ((d >> c & 1) && need <= 2 * c) keep &= static_cast<domain>(~(1u << c));
        if (keep == d) continue;
        const auto reason = static_cast<std::int32_t>(pool_.size());
        pool_.push_back(size);
        for (int root : {ra, rb}) {
            int u = root;
            do {
                pool_.push_back(u);
                u = next_member_[u];
            } while (u != root);
            if (ra == rb) break;
        }
        if (!restrict(e, keep, cause::closing, reason)) return false;
    }
    return true;
}

// Searches from a and from b at once over the edges of the kind `slots`
// names that `ok` accepts, the smaller frontier first. True when they meet
// (meet_ tells where); false when one side runs dry, and sealed_side_ then
// holds every island of it.
template <engine::over slots, bool by_group, class usable>
bool engine::linked(int a, int b, usable&& ok) {
    // With by_group, reaching any island of the other end's group will do:
    // its forced bridges join it to that end.
    const int group_a = by_group ? find(a) : none;
    const int group_b = by_group ? find(b) : none;
    if (stamp_ >= UINT32_MAX - 2) {
        std::fill(seen_.begin(), seen_.end(), 0);
        std::fill(group_seen_.begin(), group_seen_.end(), 0);
        stamp_ = 0;
    }
    const std::uint32_t mark_a = ++stamp_;
    const std::uint32_t mark_b = ++stamp_;
    std::int32_t* const queue_a = from_a_.data();
    std::int32_t* const queue_b = from_b_.data();
    queue_a[0] = a;
    queue_b[0] = b;
    seen_[a] = mark_a;
    seen_[b] = mark_b;
    via_[a] = via_[b] = no_edge;
    const bool hops = by_group && !hop_.empty();
    if (hops) hop_[a] = hop_[b] = none;
    std::size_t head_a = 0, head_b = 0, tail_a = 1, tail_b = 1;
    std::size_t pending_a = 0, pending_b = 0;  // islands of the groups pending on each side
    if (by_group) {
        groups_pending_[0].clear();
        groups_pending_[1].clear();
    }
    enum class step { on, met, dry };
    // Grows one side by one island (or by a pending group's islands). Each
    // side is its own instance, so its queue and counters are fixed names,
    // not picked anew at every step.
    const auto grow = [&](auto from_a) {
        constexpr bool grow_a = decltype(from_a)::value;
        std::int32_t* const queue = grow_a ? queue_a : queue_b;
        std::size_t& head = grow_a ? head_a : head_b;
        std::size_t& tail = grow_a ? tail_a : tail_b;
        std::size_t& pending = grow_a ? pending_a : pending_b;
        std::vector<std::int32_t>& groups = groups_pending_[grow_a ? 0 : 1];
        const std::uint32_t own = grow_a ? mark_a : mark_b;
        const std::uint32_t other = grow_a ? mark_b : mark_a;
        // Only a search by group has groups pending: the others skip
        // asking, at every step, whether one waits.
        if (by_group && head == tail) {
            // The group's other islands are reached through edges left out.
            const int root = groups.back();
            groups.pop_back();
            pending -= static_cast<std::size_t>(size_[root]);
            int w = root;
            do {
                if (seen_[w] == other) {
                    meet_ = {hops ? claimer_[root] : w, no_edge, w};
                    return step::met;
                }
                if (seen_[w] != own) {
                    seen_[w] = own;
                    via_[w] = no_edge;
                    if (hops) hop_[w] = claimer_[root];
                    queue[tail++] = w;
                }
                w = next_member_[w];
            } while (w != root);
        } else {
            const int u = queue[head++];
            if constexpr (by_group) {
                // Each side claims a group once per search; its other islands
                // wait in groups_pending_.
                const int group = find(u);
                if (whole_groups() && group_seen_[group] != own) {
                    if (group_seen_[group] == other) {
                        meet_ = {u, no_edge, hops ? claimer_[group] : u};
                        return step::met;
                    }
                    group_seen_[group] = own;
                    if (hops) claimer_[group] = u;
                    if (size_[group] > 1) {
                        groups.push_back(group);
                        pending += static_cast<std::size_t>(size_[group]);
                    }
                }
            }
            const unsigned key = fit_keys_[u];
            const unsigned taken = slots == over::open_parity ? open_parity_slots(key) : bridge_slots(key);
            for (int s = 0; s < 4; ++s) {
                if ((taken >> (9 - 3 * s) & 1) == 0) continue;
                // An island this side has reached already needs no look at
                // the edge: `ok` only asks, so the order of the two tests
                // changes nothing.
                const int w = neighbour_[4 * u + s];
                if (seen_[w] == own) continue;
                const std::int32_t e = incident_[4 * u + s];
                if constexpr (std::is_invocable_v<usable, std::int32_t, int, bool>) {
                    if (!ok(e, u, grow_a)) continue;
                } else {
                    if (!ok(e)) continue;
                }
                if (seen_[w] == other || (by_group && find(w) == (grow_a ? group_b : group_a))) {
                    meet_ = {u, e, w};
                    return step::met;
                }
                if (by_group && whole_groups() && group_seen_[find(w)] == other) {
                    meet_ = {u, e, hops ? claimer_[find(w)] : w};
                    return step::met;
                }
                seen_[w] = own;
                via_[w] = e;
                queue[tail++] = w;
            }
        }
        // Only the side that grew can have run dry.
        if (head != tail || (by_group && !groups.empty())) return step::on;
        sealed_side_ = std::span<const std::int32_t>(queue, tail);
        return step::dry;
    };
    for (;;) {
        const step done = tail_a - head_a + pending_a <= tail_b - head_b + pending_b
                              ? grow(std::true_type{})
                              : grow(std::false_type{});
        if (done != step::on) return done == step::met;
    }
}

// Calls visit(edge, end nearer the first island) for every edge of the path
// along which the last searches met (by_group: as linked<true> found it).
template <bool by_group, class visitor>
void engine::walk_met_path(visitor&& visit) const {
    const std::uint32_t mark_a = stamp_ - 1;
    for (int u : {meet_[0], meet_[2]}) {
        // A search that reached the other end's group ends its path at an
        // island it never marked.
        if (by_group && seen_[u] != mark_a && seen_[u] != stamp_) continue;
        const bool a_side = seen_[u] == mark_a;
        for (;;) {
            const std::int32_t e = via_[u];
            if (e == no_edge) {
                // Reached through its group: on from the island that claimed it.
                if (!by_group || hop_.empty() || hop_[u] == none) break;
                u = hop_[u];
                continue;
            }
            const int w = other_end(e, u);
            visit(e, a_side ? w : u);
            u = w;
        }
    }
    if (meet_[1] != no_edge) visit(meet_[1], seen_[meet_[0]] == mark_a ? meet_[0] : meet_[2]);
}

// Collects that path into path_, with the end each edge leaves from when
// walked from the first island.
void engine::met_path() {
    path_.clear();
    walk_met_path([&](std::int32_t e, int from) {
        path_.push_back(e);
        path_from_[e] = from;
    });
}

// Whether a and b, just joined by path_ over edges of open parity, are also
// joined by a second path sharing no edge with it: a path that crosses
// path_ edges only against its direction. Then no single edge separates a
// from b, and since an edge that is no longer on any cycle would have to,
// no edge of path_ needs a test of its own.
bool engine::second_path(int a, int b) {
    return linked<over::open_parity>(a, b, [&](std::int32_t f, int u, bool from_a) {
        if (untested_[f] != path_stamp_) return true;
        return from_a ? u != path_from_[f] : u == path_from_[f];
    });
}

// Whether e's ends are still joined by edges that may carry bridges; if
// not, the last search's sealed side holds one end's part.
bool engine::ends_joined(int e) {
    const int a = end_a_[e];
    const int b = end_b_[e];
    return find(a) == find(b) || linked<over::bridges, true>(a, b, [](std::int32_t) { return true; });
}

bool engine::still_linked(int e) {
    if (witness_on_ && !witness_broken_ && witness_lost_ == 0) {
        if (verify_witness_ && !ends_joined(e)) throw std::logic_error("the witness holds islands joined that are split");
        return true;
    }
    if (witness_on_ && in_witness_[e] && !witness_broken_ ? mend_witness(e) : ends_joined(e)) return true;
    failure_reason_.clear();
    leaving_edges(no_edge, false, failure_reason_);
    failure_ = {failure_kind::split, cause::none, 0, 0};
    return false;
}

// The parity of the bridge ends over the sealed side: its weights plus the
// edges of known parity at its islands (edges inside count twice).
unsigned engine::side_parity() const {
    unsigned sum = 0;
    for (std::int32_t u : sealed_side_) sum ^= island_parity(u);
    return sum;
}

// The parity of u's weight plus the counts of its edges of known parity.
unsigned engine::island_parity(int u) const {
    unsigned sum = static_cast<unsigned>(weight_[u]);
    for (int s = 0; s < 4; ++s) {
        const std::int32_t e = incident_[4 * u + s];
        // Of the domains of known parity only {1} is odd.
        if (e != no_edge) sum += dom_[e] == odd_counts;
    }
    return sum & 1;
}

// Over any set of islands, the weights add up to twice the bridges inside
// plus the bridges leaving it. Once e's parity is known: if its ends are no
// longer joined by edges of open parity, the side that ran dry is a set
// whose leaving edges all have known parity, and the sum must be even. If
// they are still joined, an edge that now lies on no cycle of open edges
// lies on the path just found, and one side fixes its parity.
bool engine::parity_holds(int e) {
    const int a = end_a_[e];
    const int b = end_b_[e];
    // An end with no edge of open parity left is a side of its own, and
    // fitting it has already made its sum even: no search needed.
    const bool search = any_open_parity(a) && any_open_parity(b);
    if (search && linked<over::open_parity>(a, b, [](std::int32_t) { return true; })) {
        met_path();  // bridge_parity leaves path_ alone
        if (witness_on_ && in_witness_[e] && (dom_[e] & some_bridge) == 0 && !witness_broken_) {
            // Edges of open parity may carry bridges: the path replaces e.
            for (std::int32_t f : path_) witness_add(f);
            witness_drop(e);
        }
        mark_untested(0);
        if (second_path(a, b)) return true;
        for (std::size_t i = 0; i < path_.size(); ++i) {
            if (untested_[path_[i]] != path_stamp_) continue;
            const std::size_t before = trail_.size();
            if (!bridge_parity(path_[i])) return false;
            // A forced parity may have broken the cycles found so far.
            if (trail_.size() != before) mark_untested(i + 1);
        }
        return true;
    }
    if (search && side_parity() != 0) {
        failure_reason_.clear();
        leaving_edges(no_edge, true, failure_reason_);
        failure_ = {failure_kind::parity, cause::none, 0, 0};
        use_side();
        return false;
    }
    return (dom_[e] & some_bridge) != 0 || !connection_ || still_linked(e);
}

// Whether some edge of v still has open parity: its fitting key holds
// every domain.
bool engine::any_open_parity(int v) const { return open_parity_slots(fit_keys_[v]) != 0; }

// Marks the edges of path_ from position `from` on as still to be tested.
void engine::mark_untested(std::size_t from) {
    if (++path_stamp_ == 0) {
        std::fill(untested_.begin(), untested_.end(), 0);
        path_stamp_ = 1;
    }
    for (std::size_t i = from; i < path_.size(); ++i) untested_[path_[i]] = path_stamp_;
}

// If e is the only edge of open parity between its ends, the islands on
// either side fix its parity. The reason lists the other edges leaving the
// side, each with the counts of the parity it does not have.
bool engine::bridge_parity(int e) {
    if (!open_parity(dom_[e])) return true;
    if (linked<over::open_parity>(end_a_[e], end_b_[e], [&](std::int32_t f) { return f != e; })) {
        // Every edge of the cycle just found lies on a cycle, so the path
        // edges on it are no bridges either: their own tests would only
        // find a cycle again.
        walk_met_path([&](std::int32_t f, int) { untested_[f] = 0; });
        return true;
    }
    const domain keep = side_parity() != 0 ? odd_counts : even_counts;
    const auto reason = static_cast<std::int32_t>(pool_.size());
    pool_.push_back(0);
    leaving_edges(e, true, pool_);
    pool_[reason] = static_cast<std::int32_t>(pool_.size()) - reason - 1;
    use_side();
    return restrict(e, keep, cause::side, reason);
}

// Appends, for every edge but `skip` leaving the side the last search found
// sealed, the literal "its count has the other parity" or, for a split,
// "it carries a bridge". Edges inside the side do not matter to either.
void engine::leaving_edges(int skip, bool parity, std::vector<std::int32_t>& out) const {
    const std::uint32_t own = seen_[sealed_side_[0]];
    for (std::int32_t u : sealed_side_)
        for (int s = 0; s < 4; ++s) {
            const std::int32_t f = incident_[4 * u + s];
            if (f == no_edge || f == skip) continue;
            const int w = neighbour_[4 * u + s];
            if (seen_[w] == own) continue;
            const domain other = (dom_[f] & odd_counts) != 0 ? even_counts : odd_counts;
            out.push_back(f * 8 + (parity ? other : some_bridge));
        }
}

// Revisits the clauses watching e after its domain shrank: a watch whose
// literal became false moves to another literal, and a clause with one
// literal left forces it.
bool engine::watch_clauses(int e) {
    auto& list = watches_[e];
    for (std::size_t k = 0; k < list.size();) {
        if (!is_false(list[k].literal)) {
            ++k;
            continue;
        }
        const std::int32_t c = list[k].clause;
        std::int32_t* lit = &clauses_[c + 1];
        const std::int32_t length = clauses_[c];
        if ((lit[0] >> 3) == e) std::swap(lit[0], lit[1]);
        bool moved = false;
        for (std::int32_t j = 2; j < length; ++j)
            if (!is_false(lit[j])) {
                std::swap(lit[1], lit[j]);
                watch(lit[1], c);
                list[k] = list.back();
                list.pop_back();
                moved = true;
                break;
            }
        if (moved) continue;
        ++k;
        if (is_false(lit[0])) {
            failure_ = {failure_kind::clause, cause::none, 0, c};
            return false;
        }
        if (!restrict(lit[0] >> 3, static_cast<domain>(lit[0] & 7), cause::clause, c)) return false;
    }
    if (list.empty()) watched_[e] = 0;
    return true;
}

bool engine::propagate() {
    bool ok = true;
    while (ok) {
        if (!clause_queue_.empty()) {
            const int e = clause_queue_.back();
            clause_queue_.pop_back();
            ok = watch_clauses(e);
        } else if (islands_queued_ != 0) {
            // Islands in a row for as long as no clause waits.
            do {
                const int v = island_queue_[--islands_queued_];
                queued_[v] = flag::off;
                ok = fit_island(v);
            } while (ok && islands_queued_ != 0 && clause_queue_.empty());
        } else if (!witness_mends_.empty()) {
            // Before any check relies on the witness.
            const int e = witness_mends_.back();
            witness_mends_.pop_back();
            if (!witness_broken_) witness_broken_ = !mend_witness(e);
        } else if (!flow_checks_.empty()) {
            const int e = flow_checks_.back();
            flow_checks_.pop_back();
            flow_queued_[e] = 0;
            ok = mend_flow(e);
        } else if (!cut_checks_.empty() && !at_root_) {
            const int e = cut_checks_.back();
            cut_checks_.pop_back();
            ok = still_linked(e);
        } else if (!parity_checks_.empty() && !at_root_) {
            const int e = parity_checks_.back();
            parity_checks_.pop_back();
            ok = parity_holds(e);
        } else {
            return true;
        }
    }
    clear_queues();
    return false;
}

// Propagates before the first choice: island fitting and clauses as usual,
// then one pass over the whole graph for connection and parity, repeated
// until that pass removes nothing or nothing it looks at has changed.
bool engine::settle_root(const halt* stop) {
    at_root_ = true;
    bool ok = propagate();
    bool again = ok;
    while (again) {
        // Each pass walks the whole graph: a probe that lost its race stops
        // between passes rather than after them all.
        if (told(stop)) {
            ok = false;
            break;
        }
        cut_checks_.clear();
        parity_checks_.clear();
        bool changed = false;
        ok = root_pass(changed);
        if (!ok || !changed) break;
        // The parities the pass fixed leave every part it found with an even
        // sum and cut no part further, so the pass runs again only when an
        // edge lost its last bridge count, or fitting changed what it sees.
        again = !cut_checks_.empty() ||
                std::any_of(parity_checks_.begin(), parity_checks_.end(),
                            [&](std::int32_t e) { return (dom_[e] & some_bridge) == 0; });
        cut_checks_.clear();
        parity_checks_.clear();
        ok = propagate();
        again = ok && (again || !cut_checks_.empty() || !parity_checks_.empty());
    }
    cut_checks_.clear();
    parity_checks_.clear();
    at_root_ = false;
    if (!ok) clear_queues();
    return ok;
}

// The islands must stay joined over edges that may carry bridges. Over
// edges of open parity, every connected part has only edges of known
// parity leaving it, so its weights and their counts must add up to an
// even number; and an edge whose removal would cut such a part in two gets
// the parity that either half fixes. One depth-first walk finds both.
bool engine::root_pass(bool& changed) {
    changed = false;
    // A failure here ends the search at once, so no failure is recorded.
    if (!joined_over_usable()) return false;
    // Bridges of the open-parity edges, iteratively (no deep recursion).
    // What the walk keeps per island sits together: it visits the islands
    // in no order that their arrays would follow, so each array was a
    // cache miss of its own.
    struct visit {
        std::int32_t order;
        std::int32_t low;
        std::int32_t up;  // the edge the walk came by
        std::uint8_t slot;
        std::uint8_t sum;
    };
    std::vector<visit> at(n_, visit{none, 0, no_edge, 0, 0});
    // Pushes in line: std::vector's push_back was a call per island.
    int_stack stack;
    stack.reserve(n_);
    std::vector<std::pair<std::int32_t, domain>> fixed;
    int clock = 0;
    for (int root = 0; root < n_; ++root) {
        if (at[root].order != none) continue;
        at[root].order = at[root].low = clock++;
        at[root].sum = static_cast<std::uint8_t>(island_parity(root));
        stack.push_back(root);
        while (!stack.empty()) {
            const int u = stack.back();
            visit& here = at[u];
            if (here.slot < 4) {
                const int k = 4 * u + here.slot++;
                const std::int32_t e = incident_[k];
                if (e == no_edge || e == here.up || !open_parity(dom_[e])) continue;
                const int w = neighbour_[k];
                visit& next = at[w];
                if (next.order == none) {
                    next.order = next.low = clock++;
                    next.up = e;
                    next.sum = static_cast<std::uint8_t>(island_parity(w));
                    stack.push_back(w);
                } else {
                    here.low = std::min(here.low, next.order);
                }
                continue;
            }
            stack.pop_back();
            if (here.up == no_edge) {
                if (here.sum != 0) return false;
                continue;
            }
            // The walk came to u from the island below it on the stack.
            visit& parent = at[stack.back()];
            parent.low = std::min(parent.low, here.low);
            parent.sum ^= here.sum;
            // The walk below u is one half: its sum fixes the parity of the edge.
            if (here.low > parent.order) fixed.emplace_back(here.up, here.sum != 0 ? odd_counts : even_counts);
        }
    }
    // Nothing before the first choice is ever cited, so the reason is empty.
    const auto reason = static_cast<std::int32_t>(pool_.size());
    pool_.push_back(0);
    for (const auto& [e, keep] : fixed) {
        if ((dom_[e] & keep) == dom_[e]) continue;
        changed = true;
        if (!restrict(e, keep, cause::side, reason)) return false;
    }
    return true;
}

void engine::clear_queues() {
    // The branch fails: backtracking restores every edge lost since the
    // witness last held.
    witness_mends_.clear();
    witness_lost_ = 0;
    witness_broken_ = false;
    for (std::size_t k = 0; k < islands_queued_; ++k) queued_[island_queue_[k]] = flag::off;
    islands_queued_ = 0;
    clause_queue_.clear();
    cut_checks_.clear();
    parity_checks_.clear();
    for (std::int32_t e : flow_checks_) flow_queued_[e] = 0;
    flow_checks_.clear();
}

// A clause forced one literal while the others were false. A jump back
// over fewer levels than the clause asks for can undo that count while the
// others stay false; then the clause forces it again here, since its
// watches only wake when a watched literal turns false.
bool engine::reimply() {
    bool ok = true;
    bool forced = true;
    // What one clause forces can make another unit again: repeat, with
    // propagation in between, until none forces anything.
    while (ok && forced) {
        forced = false;
        std::size_t kept = 0;
        for (std::size_t k = 0; ok && k < undone_clauses_.size(); ++k) {
            // Watches move literals around, so the one left may be anywhere.
            const std::int32_t c = undone_clauses_[k];
            const std::int32_t* lit = &clauses_[c + 1];
            std::int32_t open = none;
            int count = 0;
            for (std::int32_t j = 0; j < clauses_[c] && count < 2; ++j)
                if (!is_false(lit[j])) {
                    open = j;
                    ++count;
                }
            if (count == 2) {
                undone_clauses_[kept++] = c;
            } else if (count == 0) {
                failure_ = {failure_kind::clause, cause::none, 0, c};
                ok = false;
            } else if ((dom_[lit[open] >> 3] & ~lit[open] & 7) != 0) {
                forced = true;
                ok = restrict(lit[open] >> 3, static_cast<domain>(lit[open] & 7), cause::clause, c);
            }
        }
        undone_clauses_.resize(kept);
        if (ok && forced) ok = propagate();
    }
    undone_clauses_.clear();
    if (!ok) clear_queues();
    return ok;
}

void engine::undo_to(std::size_t mark) {
    // Newest first, and the entries go at once at the end: a pop per entry
    // worked the size out of a 20-byte stride every time.
    // The entry is copied and the arrays are named once: a store to a
    // domain, a byte, may alias anything, and had every field and array
    // read again after it.
    const trail_entry* const trail = trail_.data();
    domain* const dom = dom_.data();
    const std::int32_t* const end_a = end_a_.data();
    const std::int32_t* const end_b = end_b_.data();
    std::int32_t* const last_change = last_change_.data();
    for (std::size_t i = trail_.size(); i > mark;) {
        const trail_entry t = trail[--i];
        switch (t.kind) {
        case undo::dom: {
            if (probe_ && single(dom[t.index]) && activity_[t.index] > 0)
                by_activity_.push(t.index, activity_);
            if (has_solution() && (dom[t.index] >> solution_[t.index] & 1) == 0 &&
                (t.old >> solution_[t.index] & 1) != 0)
                --off_solution_;
            dom[t.index] = t.old;
            const int a = end_a[t.index];
            const int b = end_b[t.index];
            flip_keys(t.index, a, b, t.old ^ t.now);
            last_change[t.index] = t.prev;
            if (t.because == cause::clause) undone_clauses_.push_back(t.why);
            // Every later join is undone: the groups are those it took from.
            if ((t.now & some_bridge) != 0 && lowest(t.now) != lowest(t.old))
                take_needs(a, b, lowest(t.old) - lowest(t.now));
            break;
        }
        case undo::join: {
            const int root = group_of_[t.index];
            size_[root] -= size_[t.index];
            resid_[root] -= resid_[t.index];
            std::swap(next_member_[root], next_member_[t.index]);
            relabel(t.index, t.index);
            ++groups_;
            break;
        }
        }
    }
    if (mark < trail_.size()) trail_.resize(mark);
}

// Drops the older half of the watched clauses. Clauses a trail entry names
// as its reason are kept: the newest with their watches, older ones as
// reasons only, watching nothing any more. Keeping the recent half keeps
// what the search learned about the part of the puzzle it is working on.
void engine::forget_clauses() {
    const std::size_t half = watched_from_ + (clauses_.size() - watched_from_) / 2;
    std::size_t newest = watched_from_;
    while (newest < half) newest += 1 + static_cast<std::size_t>(clauses_[newest]);

    std::vector<std::int32_t> kept;
    std::vector<trail_entry*> moved;  // reasons among the newest clauses
    for (trail_entry& t : trail_) {
        if (t.kind != undo::dom || t.because != cause::clause) continue;
        if (static_cast<std::size_t>(t.why) >= newest) {
            moved.push_back(&t);
            continue;
        }
        const auto at = static_cast<std::int32_t>(kept.size());
        kept.insert(kept.end(), clauses_.begin() + t.why, clauses_.begin() + t.why + 1 + clauses_[t.why]);
        t.why = at;
    }
    // The newest clauses move down as one block.
    const auto shift = static_cast<std::int32_t>(kept.size()) - static_cast<std::int32_t>(newest);
    for (trail_entry* t : moved) t->why += shift;
    watched_from_ = kept.size();
    kept.insert(kept.end(), clauses_.begin() + static_cast<std::ptrdiff_t>(newest), clauses_.end());
    clauses_.swap(kept);

    for (auto& list : watches_) list.clear();
    std::fill(watched_.begin(), watched_.end(), 0);
    for (std::size_t c = watched_from_; c < clauses_.size(); c += 1 + static_cast<std::size_t>(clauses_[c])) {
        if (clauses_[c] < 2) continue;
        watch(clauses_[c + 1], static_cast<std::int32_t>(c));
        watch(clauses_[c + 2], static_cast<std::int32_t>(c));
    }
    clause_queue_.clear();
    undone_clauses_.clear();  // their numbering is gone; they only help speed
}

// The last change of e before trail position `before`, or none.
std::int32_t engine::latest_before(int e, std::size_t before) const {
    std::int32_t t = last_change_[e];
    while (t != none && static_cast<std::size_t>(t) >= before) t = trail_[t].prev;
    return t;
}

// The earliest change of e before `before` after which e's count could no
// longer be any of `values`.
std::int32_t engine::first_outside(int e, domain values, std::size_t before) const {
    std::int32_t t = latest_before(e, before);
    while (t != none && trail_[t].prev != none && (trail_[trail_[t].prev].now & values) == 0) t = trail_[t].prev;
    return t;
}

void engine::cite(std::int32_t t) {
    if (t == none || entry_seen_[t] == analysis_) return;
    entry_seen_[t] = analysis_;
    if (trail_[t].level == analysis_level_)
        ++open_at_level_;
    else if (trail_[t].level > 0)
        lower_.push_back(t);
    else if (tracking()) {
        if (static_cast<std::size_t>(t) >= used_entry_.size()) used_entry_.resize(t + 1, 0);
        used_entry_[t] = 1;
    }
}

// A side's parity rests on its islands' weights, which a probe's report
// must name; its reason names only the edges leaving it.
void engine::use_side() {
    if (tracking())
        for (std::int32_t u : sealed_side_) used_island_[u] = 1;
}

// After a probe ruled its start out: what `from`, whose domains were
// `start`, must change for that refutation to fail, as literals of `from`.
// Every change before the first choice that some analysis cited rests on
// start domains and island weights; walking them back from the latest
// names those it rests on.
std::vector<std::int32_t> engine::core(const engine& from, const std::vector<domain>& start) {
    if (++analysis_ == 0) {
        std::fill(entry_seen_.begin(), entry_seen_.end(), 0);
        analysis_ = 1;
    }
    if (entry_seen_.size() < trail_.size()) entry_seen_.resize(trail_.size(), 0);
    if (used_entry_.size() < trail_.size()) used_entry_.resize(trail_.size(), 0);
    analysis_level_ = 0;
    open_at_level_ = 0;
    lower_.clear();
    // A contradiction before any choice has not been analysed yet.
    if (level_ == 0) cite_failure(trail_.size());
    std::vector<std::int32_t> literals;
    for (std::size_t index = trail_.size(); index-- > 0;) {
        const trail_entry& t = trail_[index];
        if (t.level != 0 || t.kind != undo::dom) continue;
        if (entry_seen_[index] != analysis_ && used_entry_[index] == 0) continue;
        if (t.because == cause::decision) {
            literals.push_back(main_edge_[t.index] * 8 + (~t.now & 7));
        } else {
            cite(t.prev);
            cite_cause(t.because, t.why, index);
        }
    }
    for (int u = 0; u < n_; ++u) {
        if (used_island_[u] == 0) continue;
        const int v = main_island_[u];
        for (int s = 0; s < 4; ++s) {
            const std::int32_t g = from.incident_[4 * v + s];
            if (g != no_edge && single(start[g])) literals.push_back(g * 8 + (~start[g] & 7));
        }
    }
    // An edge decided at both ends is named twice.
    std::sort(literals.begin(), literals.end());
    literals.erase(std::unique(literals.begin(), literals.end()), literals.end());
    return literals;
}

// Cites the change that raised e's lowest count to what it was just before
// `before`, if any did.
void engine::cite_lowest(int e, std::size_t before) {
    const int low = lowest(domain_before(e, before));
    if (low > 0) cite(first_outside(e, static_cast<domain>((1u << low) - 1), before));
}

// The same for e's highest count.
void engine::cite_highest(int e, std::size_t before) {
    const int high = highest(domain_before(e, before));
    if (high < 2) cite(first_outside(e, static_cast<domain>(7u & ~((2u << high) - 1)), before));
}

// What a group needs, and which islands it holds, rests only on the lowest
// counts of its islands' edges: cites the changes that raised them.
void engine::cite_lower_bounds(int v, std::size_t before) {
    for (int s = 0; s < 4; ++s)
        if (incident_[4 * v + s] != no_edge) cite_lowest(incident_[4 * v + s], before);
}

// e's domain just before trail position `before`.
domain engine::domain_before(int e, std::size_t before) const {
    const std::int32_t t = latest_before(e, before);
    return t == none ? any_count : trail_[t].now;
}

// Cites, for v's edges but `skip`, the changes that set their lowest counts
// (lows) and their highest (highs). A domain {0, 2} breaks the bounds
// argument, so then every change counts.
void engine::cite_fit(int v, std::size_t before, int skip, bool lows, bool highs) {
    if (tracking()) used_island_[v] = 1;
    for (int s = 0; s < 4; ++s) {
        const std::int32_t e = incident_[4 * v + s];
        if (e != no_edge && domain_before(e, before) == gapped) lows = highs = true;
    }
    if (skip != no_edge && trail_[before].old == gapped) lows = highs = true;
    for (int s = 0; s < 4; ++s) {
        const std::int32_t e = incident_[4 * v + s];
        if (e == no_edge || e == skip) continue;
        if (lows && highs) {
            cite(latest_before(e, before));
            continue;
        }
        if (lows) cite_lowest(e, before);
        if (highs) cite_highest(e, before);
    }
}

// Cites the changes that a narrowing with this cause rests on, besides the
// narrowed edge's own earlier domain.
void engine::cite_cause(cause because, int why, std::size_t before) {
    switch (because) {
    case cause::island:
        if (trail_.size() > before) {
            // Counts cut from the top rest on the other edges' lowest counts,
            // counts cut from the bottom on their highest.
            const trail_entry& t = trail_[before];
            const auto cut = static_cast<domain>(t.old & ~t.now);
            const bool top = lowest(cut) > highest(t.now);
            const bool bottom = highest(cut) < lowest(t.now);
            cite_fit(why, before, t.index, !bottom, !top);
        } else {
            cite_fit(why, before, no_edge, true, true);
        }
        break;
    case cause::crossing:
        cite(first_outside(why, only_zero, before));
        break;
    case cause::closing:
        for (std::int32_t k = 1; k <= pool_[why]; ++k) cite_lower_bounds(pool_[why + k], before);
        break;
    case cause::clause: {
        const std::int32_t self = trail_.size() > before ? trail_[before].index : no_edge;
        for (std::int32_t j = 0; j < clauses_[why]; ++j) {
            const std::int32_t l = clauses_[why + 1 + j];
            if ((l >> 3) != self) cite(first_outside(l >> 3, static_cast<domain>(l & 7), before));
        }
        break;
    }
    case cause::side:
        for (std::int32_t k = 1; k <= pool_[why]; ++k) {
            const std::int32_t l = pool_[why + k];
            cite(first_outside(l >> 3, static_cast<domain>(l & 7), before));
        }
        break;
    case cause::decision:
    case cause::none:
        break;
    }
}

void engine::cite_failure(std::size_t before) {
    switch (failure_.kind) {
    case failure_kind::emptied:
        cite(latest_before(failure_.index, before));
        cite_cause(failure_.because, failure_.why, before);
        break;
    case failure_kind::island: {
        // Too much already forced rests on the lowest counts, too little
        // room left on the highest.
        int lo = 0;
        for (int s = 0; s < 4; ++s) {
            const std::int32_t e = incident_[4 * failure_.index + s];
            if (e != no_edge) lo += lowest(domain_before(e, before));
        }
        const bool over = weight_[failure_.index] < lo;
        cite_fit(failure_.index, before, no_edge, over, !over);
        break;
    }
    case failure_kind::split:   // one edge leaving the sealed side carries a bridge
    case failure_kind::parity:  // one edge leaving the sealed side has the other parity
    case failure_kind::flow:    // one edge leaving the sides reached lies outside its bounds
        for (std::int32_t l : failure_reason_) cite(first_outside(l >> 3, static_cast<domain>(l & 7), before));
        break;
    case failure_kind::clause:
        for (std::int32_t j = 0; j < clauses_[failure_.why]; ++j) {
            const std::int32_t l = clauses_[failure_.why + 1 + j];
            cite(first_outside(l >> 3, static_cast<domain>(l & 7), before));
        }
        break;
    case failure_kind::leaf:
        break;
    }
}

// Analyses the recorded failure: learns the clause of its first unique
// implication point (its number, or `none` when the failure rests on no
// choice) and sets `back` to the latest earlier level the clause names.
std::int32_t engine::analyse(const std::vector<choice>& stack, int& back) {
    back = 0;
    if (++analysis_ == 0) {
        std::fill(entry_seen_.begin(), entry_seen_.end(), 0);
        analysis_ = 1;
    }
    if (entry_seen_.size() < trail_.size()) entry_seen_.resize(trail_.capacity(), 0);
    open_at_level_ = 0;
    analysis_level_ = level_;
    lower_.clear();
    const std::size_t now = trail_.size();
    if (failure_.kind == failure_kind::leaf) {
        // Every edge is decided, yet the groups did not join: these
        // choices together admit no solution. Each choice's change is
        // the first entry after its mark.
        for (const choice& c : stack) cite(static_cast<std::int32_t>(c.mark));
    } else {
        cite_failure(now);
    }
    if (open_at_level_ == 0) {
        // Every change cited belongs to an earlier level: the
        // contradiction arose at the latest of them, so analyse it there.
        int latest = 0;
        for (std::int32_t t : lower_) latest = std::max(latest, static_cast<int>(trail_[t].level));
        if (latest == 0) return none;
        analysis_level_ = latest;
        std::size_t kept = 0;
        for (std::int32_t t : lower_) {
            if (trail_[t].level == latest)
                ++open_at_level_;
            else
                lower_[kept++] = t;
        }
        lower_.resize(kept);
    }
    std::size_t index = now;
    std::int32_t uip = none;
    for (;;) {
        do --index;
        while (trail_[index].kind != undo::dom || entry_seen_[index] != analysis_ ||
               trail_[index].level != analysis_level_);
        if (--open_at_level_ == 0) {
            uip = static_cast<std::int32_t>(index);
            break;
        }
        const trail_entry& t = trail_[index];
        if (t.because != cause::decision) {
            cite(t.prev);
            cite_cause(t.because, t.why, index);
        }
    }

    if (clauses_.size() > clause_limit_) forget_clauses();

    // The clause: the uip edge's count lies outside what the uip change
    // left, or some earlier cited change did not happen.
    const auto start = static_cast<std::int32_t>(clauses_.size());
    clauses_.push_back(0);
    std::vector<std::int32_t> edges;
    const auto add = [&](std::int32_t t) {
        const int e = trail_[t].index;
        const auto outside = static_cast<std::int32_t>(~trail_[t].now & 7);
        if (clause_slot_[e] == none) {
            clause_slot_[e] = static_cast<std::int32_t>(clauses_.size());
            clauses_.push_back(e * 8 + outside);
            edges.push_back(e);
        } else {
            clauses_[clause_slot_[e]] |= outside;
        }
    };
    add(uip);
    std::int32_t second = none;
    std::int32_t second_at = -1;
    for (std::int32_t t : lower_) {
        add(t);
        back = std::max(back, static_cast<int>(trail_[t].level));
        // The literal made false last is undone first: watch it.
        if (trail_[t].index != trail_[uip].index && t > second_at) {
            second_at = t;
            second = trail_[t].index;
        }
    }
    for (int e : edges) {
        clause_slot_[e] = none;
        if (probe_) bump(e);
    }
    if (probe_) bump_by_ /= 0.95;
    const auto length = static_cast<std::int32_t>(edges.size());
    clauses_[start] = length;
    if (length >= 2) {
        // Watch the uip literal and the one that is undone first.
        for (std::int32_t j = 1; j < length; ++j)
            if ((clauses_[start + 1 + j] >> 3) == second) {
                std::swap(clauses_[start + 2], clauses_[start + 1 + j]);
                break;
            }
        watch(clauses_[start + 1], start);
        watch(clauses_[start + 2], start);
    }
    return start;
}

// After a contradiction: finds the single change of the current level that
// the contradiction rests on together with changes of earlier levels, and
// learns the clause that one of those changes must not happen. Jumps back
// to the latest earlier level the clause mentions, where the clause forces
// the opposite of that change. False when the puzzle has no solution. A
// probe's refutation asks for jumps as far as its clauses ask, neither
// limited nor tried one level first.
bool engine::learn(std::vector<choice>& stack, bool as_far_as_asked, std::int32_t own, int own_level) {
    // Stepping back one level instead of jumping far bets that the levels
    // in between still hold. After many such steps in a row, each failing
    // at once, that bet has failed (as when a contradiction far down rests
    // on the puzzle having no solution at all), and clauses jump as far as
    // they ask.
    int short_steps = 0;
    // A tried step that fails at once costs an analysis more; after two
    // such, the jumps follow the usual rule.
    int tried_steps = as_far_as_asked ? trial_steps_max : 0;
    const int jump_limit = as_far_as_asked ? std::numeric_limits<int>::max() : jump_limit_;
    for (;;) {
        if (level_ == 0) return false;
        std::int32_t start;
        std::int32_t length;
        int conflict;
        int back = 0;
        if (own != none) {
            // Analysis would cite each choice once, find the latest one the
            // only change at its level, and learn the same clause again.
            start = own;
            length = clauses_[own];
            conflict = own_level;
            back = own_level - 1;
        } else {
            start = analyse(stack, back);
            if (start == none) return false;
            length = clauses_[start];
            conflict = analysis_level_;
        }

        const bool own_clause = own != none;
        own = none;
        const int distance = conflict - back;
        const bool trial = tried_steps < trial_steps_max && distance >= trial_from_ && distance <= jump_limit;
        tried_steps += trial ? 1 : 0;
        const bool step = trial || (distance > jump_limit && short_steps < max_short_steps_);
        short_steps += step ? 1 : 0;
        backtrack(stack, step ? conflict - 1 : back);
        // Clauses force again what the jump undid; then the new clause
        // forces its first literal, checked rather than assumed to be the
        // only one left.
        if (!reimply() || !propagate()) continue;
        const std::int32_t* lit = &clauses_[start + 1];
        // The choices below the jump still stand.
        if (!own_clause && !std::all_of(lit + 1, lit + length, [&](std::int32_t x) { return is_false(x); }))
            return true;
        if (is_false(lit[0])) {
            failure_ = {failure_kind::clause, cause::none, 0, start};
            continue;
        }
        if (restrict(lit[0] >> 3, static_cast<domain>(lit[0] & 7), cause::clause, start) && propagate())
            return true;
    }
}

// Undoes every choice above `level` and all that followed from them.
void engine::backtrack(std::vector<choice>& stack, int level) {
    const choice c = stack[level];
    stack.resize(level);
    undo_to(c.mark);
    pool_.resize(c.pool_mark);
    level_ = level;
    resume_ = c.edge;
    if (!order_.empty()) order_scan_ = rank_[c.edge];
}

// A spanning tree of the edges that may carry bridges, taking the edges
// that must carry one first, so that it spans every group with them.
void engine::build_witness() {
    std::fill(in_witness_.begin(), in_witness_.end(), 0);
    witness_size_ = 0;
    // A witness built afresh has lost no edge.
    witness_lost_ = 0;
    witness_broken_ = false;
    witness_on_ = n_ > 0;
    if (n_ == 0) return;
    std::vector<std::uint8_t> reached(n_, 0);
    std::vector<std::int32_t> forced{0};
    std::vector<std::int32_t> other;  // slots of edges that may carry none
    reached[0] = 1;
    for (;;) {
        int u;
        if (!forced.empty()) {
            u = forced.back();
            forced.pop_back();
        } else if (!other.empty()) {
            const std::int32_t k = other.back();
            other.pop_back();
            u = neighbour_[k];
            if (reached[u]) continue;
            reached[u] = 1;
            witness_add(incident_[k]);
        } else {
            break;
        }
        // A probe's first groups are joined without edges of its own. Each
        // ring is walked once (2 marks its islands): walking it again from
        // each of its islands was quadratic in the group's size.
        if (!first_ring_.empty() && reached[u] != 2) {
            reached[u] = 2;
            for (int w = first_ring_[u]; w != u; w = first_ring_[w]) {
                if (!reached[w]) forced.push_back(w);
                reached[w] = 2;
            }
        }
        for (int s = 0; s < 4; ++s) {
            const std::int32_t k = 4 * u + s;
            const std::int32_t e = incident_[k];
            if (e == no_edge || (dom_[e] & some_bridge) == 0 || reached[neighbour_[k]]) continue;
            if ((dom_[e] & only_zero) != 0) {
                other.push_back(k);
                continue;
            }
            reached[neighbour_[k]] = 1;
            witness_add(e);
            forced.push_back(neighbour_[k]);
        }
    }
}

void engine::witness_add(std::int32_t f) {
    if (in_witness_[f]) return;
    in_witness_[f] = 1;
    ++witness_size_;
}

void engine::witness_drop(int e) {
    in_witness_[e] = 0;
    --witness_size_;
    --witness_lost_;
}

// e left the usable edges: a path between its ends replaces it. The
// witness spans every group, so the path may end anywhere in the other
// end's group, and ends already in one group need none. False when the
// ends are no longer joined (the last search's sealed side tells how).
bool engine::mend_witness(int e) {
    const bool searched = find(end_a_[e]) != find(end_b_[e]);
    if (!ends_joined(e)) return false;
    if (searched) walk_met_path<true>([&](std::int32_t f, int) { witness_add(f); });
    witness_drop(e);
    return true;
}

// Whether the edges that may still carry bridges join every island.
bool engine::joined_over_usable() const {
    if (n_ == 0) return false;
    std::vector<std::uint8_t> reached(n_, 0);
    std::vector<std::uint8_t> walked(whole_groups() ? n_ : 0, 0);
    int_stack todo;
    todo.reserve(n_);
    todo.push_back(0);
    reached[0] = 1;
    int count = 1;
    while (!todo.empty()) {
        const int u = todo.back();
        todo.pop_back();
        if (whole_groups() && !std::exchange(walked[find(u)], 1))
            for (int w = next_member_[u]; w != u; w = next_member_[w])
                if (!reached[w]) {
                    reached[w] = 1;
                    ++count;
                    todo.push_back(w);
                }
        for (int s = 0; s < 4; ++s) {
            const std::int32_t e = incident_[4 * u + s];
            if (e == no_edge || (dom_[e] & some_bridge) == 0) continue;
            const int w = neighbour_[4 * u + s];
            if (reached[w]) continue;
            reached[w] = 1;
            ++count;
            todo.push_back(w);
        }
    }
    return count == n_;
}

void engine::bump(int e) {
    activity_[e] += bump_by_;
    if (activity_[e] > 1e100) {
        for (double& a : activity_) a *= 1e-100;
        bump_by_ *= 1e-100;
        by_activity_.clear();
        for (int f = 0; f < m_; ++f)
            if (activity_[f] > 0 && !single(dom_[f])) by_activity_.push(f, activity_);
    } else {
        by_activity_.push(e, activity_);
    }
}

// Columns first when the open part is wider than tall, so that the edges
// decided but not yet settled span its short side.
void engine::sweep_order() {
    const auto [x0, x1] = std::minmax_element(x_.begin(), x_.end());
    const auto [y0, y1] = std::minmax_element(y_.begin(), y_.end());
    order_.resize(m_);
    std::iota(order_.begin(), order_.end(), 0);
    if (m_ > 0 && *x1 - *x0 > *y1 - *y0) {
        const auto key = [&](int e) {
            const int a = end_a_[e], b = end_b_[e];
            return std::pair{std::min(x_[a], x_[b]), 2 * std::min(y_[a], y_[b]) + (x_[a] != x_[b] ? 1 : 0)};
        };
        std::stable_sort(order_.begin(), order_.end(), [&](int e, int f) { return key(e) < key(f); });
    }
    rank_.resize(m_);
    for (int i = 0; i < m_; ++i) rank_[order_[i]] = i;
}

// The undecided edge named most in recent clauses; before any clause, the
// first undecided one in list order. m_ when every edge is decided.
int engine::free_choice() {
    if (!order_.empty()) {
        while (order_scan_ < m_ && single(dom_[order_[order_scan_]])) ++order_scan_;
        return order_scan_ < m_ ? order_[order_scan_] : m_;
    }
    // Decided edges leave the heap when they come to its top; undoing
    // their choice puts them back.
    while (!by_activity_.empty()) {
        const std::int32_t e = by_activity_.top();
        if (!single(dom_[e])) return e;
        by_activity_.pop(activity_);
    }
    // Backtracking can reopen edges before scan_, so look from the start
    // before calling every edge decided.
    while (scan_ < m_ && single(dom_[scan_])) ++scan_;
    if (scan_ == m_) {
        scan_ = 0;
        while (scan_ < m_ && single(dom_[scan_])) ++scan_;
    }
    return scan_;
}

// The domains at the end of `level`; levels only grow along the trail.
std::vector<domain> engine::domains_at(int level) const {
    std::vector<domain> at = dom_;
    for (std::size_t t = trail_.size(); t-- > 0 && trail_[t].level > level;)
        if (trail_[t].kind == undo::dom) at[trail_[t].index] = trail_[t].old;
    return at;
}

// "Some choice up to `level` has another count", the latest choice first.
std::vector<std::int32_t> engine::choice_literals(const std::vector<choice>& stack, int level) const {
    std::vector<std::int32_t> literals;
    literals.reserve(static_cast<std::size_t>(level));
    for (int l = level; l >= 1; --l) literals.push_back(stack[l - 1].edge * 8 + (~stack[l - 1].chosen & 7));
    return literals;
}

// Learns that the choices up to `level` do not all hold (a probe ruled out
// the state they leave); the jump undoes the choice at `level`.
int engine::rule_out(std::vector<choice>& stack, int level) {
    // The latest choice watched with the one before it: it is the clause
    // that analysis would learn, asserted one level back. Such a clause
    // names every choice (tens of thousands on large puzzles), so it is
    // stored once and not analysed.
    const std::vector<std::int32_t> literals = choice_literals(stack, level);
    if (clauses_.size() > clause_limit_) forget_clauses();
    const std::int32_t c = add_clause(literals);
    failure_ = {failure_kind::clause, cause::none, 0, c};
    return learn(stack, true, c, level) ? 1 : -1;
}

// A clause a probe justified, every literal of it false now: analysed as a
// contradiction, with a jump as far back as the clause allows. 1, or -1 if
// the puzzle has no solution at all.
int engine::refute(std::vector<choice>& stack, std::vector<std::int32_t>& literals) {
    if (literals.empty()) return -1;
    // Watch the literals made false last: the jump undoes them first. Each
    // literal's place on the trail is found once, not at every comparison
    // (a clause over thousands of choices otherwise walks the trail a
    // million times).
    std::vector<std::pair<std::int32_t, std::int32_t>> by_place;
    by_place.reserve(literals.size());
    for (const std::int32_t l : literals)
        by_place.emplace_back(first_outside(l >> 3, static_cast<domain>(l & 7), trail_.size()), l);
    std::sort(by_place.begin(), by_place.end(), [](const auto& x, const auto& y) { return x.first > y.first; });
    for (std::size_t k = 0; k < literals.size(); ++k) literals[k] = by_place[k].second;
    failure_ = {failure_kind::clause, cause::none, 0, add_clause(literals)};
    return learn(stack, true) ? 1 : -1;
}

// Back to `level`, where clauses force again what they forced there. False
// if the puzzle has no solution at all.
bool engine::step_back(std::vector<choice>& stack, int level) {
    // A jump may have gone back past `level` already.
    if (level >= static_cast<int>(stack.size())) return true;
    backtrack(stack, level);
    return (reimply() && propagate()) || learn(stack);
}

// A probe's solution as counts over every edge of `from`; `start` decided
// the edges the probe left out.
std::vector<std::uint8_t> engine::solution_in(const engine& from, const std::vector<domain>& start) const {
    std::vector<std::uint8_t> counts(from.m_);
    for (int f = 0; f < from.m_; ++f) counts[f] = static_cast<std::uint8_t>(lowest(start[f]));
    for (int e = 0; e < m_; ++e) counts[main_edge_[e]] = static_cast<std::uint8_t>(lowest(dom_[e]));
    return counts;
}

// The deepest level whose domains all admit the kept solution's counts, or
// -1 if none is kept.
int engine::solution_level() const {
    if (!has_solution()) return -1;
    for (const trail_entry& t : trail_)
        if (t.kind == undo::dom && (t.now >> solution_[t.index] & 1) == 0) return t.level - 1;
    return level_;
}

// Keeps `counts`; later domain changes and undos keep the count of domains
// that exclude them.
void engine::keep(std::vector<std::uint8_t> counts) {
    solution_ = std::move(counts);
    off_solution_ = 0;
    for (int e = 0; e < m_; ++e) off_solution_ += (dom_[e] >> solution_[e] & 1) == 0;
    if (verify_kept_) verify_kept(false);
}

// Throws unless the kept counts solve the puzzle (every island's sum, no
// two crossing bridges, one group) and, with `within_domains`, lie within
// every current domain. A solution found at an earlier level is kept
// before the search steps back there.
void engine::verify_kept(bool within_domains) const {
    std::vector<std::int32_t> sum(n_, 0), up(n_, none);
    int groups = n_;
    for (int e = 0; e < m_; ++e) {
        const int count = solution_[e];
        if (within_domains && (dom_[e] >> count & 1) == 0) throw std::logic_error("kept count outside its domain");
        if (count == 0) continue;
        for (std::int32_t k = cross_start_[e]; k < cross_start_[e + 1]; ++k)
            if (solution_[cross_[k]] != 0) throw std::logic_error("kept bridges cross");
        sum[end_a_[e]] += count;
        sum[end_b_[e]] += count;
        const std::int32_t ra = climb(up, end_a_[e]);
        const std::int32_t rb = climb(up, end_b_[e]);
        if (ra != rb) {
            up[ra] = rb;
            --groups;
        }
    }
    if (sum != weight_) throw std::logic_error("kept counts miss an island's weight");
    if (groups > 1) throw std::logic_error("kept bridges leave islands apart");
}

// After a repair: the probe's counts replace the kept ones on its edges,
// and each decided edge that the last choice pushed off the kept solution
// takes its count. Every other edge was decided already or fixed at its
// kept count, or crosses a fixed bridge and kept its count 0. A pass over
// every edge per repair cost more than the probe's search on generated
// 1000 x 1000 puzzles.
void engine::keep_repaired(const engine& probe, const std::vector<std::int32_t>& pushed_off) {
    const std::unique_lock changing(reading_);
    for (std::int32_t f : pushed_off) solution_[f] = static_cast<std::uint8_t>(lowest(dom_[f]));
    for (int e = 0; e < probe.m_; ++e) solution_[probe.main_edge_[e]] = static_cast<std::uint8_t>(lowest(probe.dom_[e]));
    // The solution agrees with every domain.
    off_solution_ = 0;
    if (verify_kept_) verify_kept(true);
}

// Keeps what `probe`, started from `start`, learned, over the engine's
// edges. The newest sets are kept, within a bound proportional to the
// edges, so memory stays linear.
void engine::remember(const engine& probe, const std::vector<domain>& start) {
    const std::unique_lock changing(reading_);
    learned_set set{start, {}};
    set.clauses.reserve(probe.clauses_.size());
    for (std::size_t c = 0; c < probe.clauses_.size(); c += 1 + static_cast<std::size_t>(probe.clauses_[c])) {
        set.clauses.push_back(probe.clauses_[c]);
        for (std::int32_t j = 1; j <= probe.clauses_[c]; ++j) {
            const std::int32_t l = probe.clauses_[c + j];
            set.clauses.push_back(probe.main_edge_[l >> 3] * 8 + (l & 7));
        }
    }
    // A probe from the same state started with the older set's clauses.
    std::erase_if(learned_, [&](const learned_set& old) { return old.within == start; });
    learned_.push_back(std::move(set));
    std::size_t words = 0;
    for (const learned_set& kept : learned_) words += kept.clauses.size();
    while (learned_.size() > learned_sets || words > clause_room * static_cast<std::size_t>(m_)) {
        words -= learned_.front().clauses.size();
        learned_.erase(learned_.begin());
    }
}

// Starts a probe with the sets `from` learned, each clause less the
// literals `start` makes false. A set learned within other domains holds
// here once every clause of it also allows each edge a count `start`
// allows outside those domains: a solution within `start` either lies
// within them, where the clause holds, or gives such an edge such a count.
// Sets that would need many of these literals are passed over, and a
// clause that `start` already satisfies is left out.
void engine::carry_over(const engine& from, const std::vector<domain>& start,
                        const std::vector<std::int32_t>& edge_at) {
    std::vector<std::int32_t> outside;
    std::vector<std::int32_t> literals;
    bool refuted = false;
    for (const learned_set& set : from.learned_) {
        if (refuted) break;
        outside.clear();
        bool holds = false;
        // The next edge from f on where `start` allows a count outside
        // `within`. Nearly all edges have none, so eight are read at once.
        const auto next_beyond = [&](int f) {
            constexpr std::uint64_t every_count = 0x0707070707070707u;
            for (std::uint64_t s = 0, w = 0; f + 8 <= from.m_; f += 8) {
                std::memcpy(&s, start.data() + f, 8);
                std::memcpy(&w, set.within.data() + f, 8);
                if ((s & ~w & every_count) != 0) break;
            }
            while (f < from.m_ && (start[f] & ~set.within[f] & any_count) == 0) ++f;
            return f;
        };
        for (int f = next_beyond(0); f < from.m_ && outside.size() <= carry_slack; f = next_beyond(f + 1)) {
            const auto beyond = static_cast<domain>(~set.within[f] & any_count);
            const domain d = start[f] & beyond;
            // Every solution within `start` gives f a count outside
            // `within`, so the set says nothing about them.
            holds = d == start[f];
            if (holds) break;
            outside.push_back(edge_at[f] * 8 + beyond);
        }
        if (holds || outside.size() > carry_slack) continue;
        // A clause's literal on such an edge joins the added one.
        for (std::size_t k = 0; k < outside.size(); ++k) clause_slot_[outside[k] >> 3] = static_cast<std::int32_t>(k);
        for (std::size_t c = 0; c < set.clauses.size(); c += 1 + static_cast<std::size_t>(set.clauses[c])) {
            literals = outside;
            bool satisfied = false;
            for (std::int32_t j = 1; j <= set.clauses[c] && !satisfied; ++j) {
                const int f = set.clauses[c + j] >> 3;
                const auto counts = static_cast<domain>(set.clauses[c + j] & 7);
                if ((start[f] & counts) == 0) continue;
                satisfied = (start[f] & counts) == start[f];
                if (satisfied) break;
                // Open in `start`, since it keeps counts on both sides.
                const std::int32_t g = edge_at[f];
                if (clause_slot_[g] == none) {
                    literals.push_back(g * 8 + counts);
                } else {
                    std::int32_t& joined = literals[clause_slot_[g]];
                    joined |= counts;
                    satisfied = (start[f] & joined & 7) == start[f];
                }
            }
            if (satisfied) continue;
            if (literals.size() == 1) {
                // A fact within `start`, which the probe applies before its first choice.
                start_domains_[literals[0] >> 3] &= static_cast<domain>(literals[0] & 7);
                refuted = start_domains_[literals[0] >> 3] == 0;
                if (refuted) break;
                continue;
            }
            refuted = literals.empty();
            if (refuted) break;
            add_clause(literals);
        }
        for (std::int32_t l : outside) clause_slot_[l >> 3] = none;
    }
    // No solution within `start`: an empty domain makes the probe fail at once.
    if (refuted && m_ > 0) start_domains_[0] = 0;
    // What it learns itself gets the usual room; forgetting drops the
    // carried clauses first, as the oldest.
    clause_limit_ += clauses_.size();
}

// A probe with every rule from `start`, in `style`.
std::unique_ptr<engine> engine::make_probe(const std::vector<domain>& start, std::uint64_t budget, probe_style style,
                                           bool narrows, bool carry, const window_edges* window, int maps) const {
    auto probe = std::make_unique<engine>(*this, start, budget, true, style.sweep, narrows, carry, window, maps);
    if (style.guided) {
        const std::shared_lock reading(reading_);
        probe->phase_.resize(probe->m_);
        for (int e = 0; e < probe->m_; ++e) probe->phase_[e] = solution_[probe->main_edge_[e]];
        probe->saving_ = style.saving;
        probe->restarting_ = style.restarting;
    }
    if (style.short_jumps) probe->jump_limit_ = short_jump_limit_;
    return probe;
}

// Runs the probes of `tasks` from `start` (which narrows the current
// domains) in that order until one finds a solution (kept) or rules
// `start` out: its result, or `stopped` if none did. With `helpers_`,
// two run at a time, on this thread and one more, and the first to settle
// stops the other. Probes that give up leave what they learned to the
// probes started after them. With `repair_stack`, this thread first tries
// the repair windows wider than those tried alone, racing the probes.
int engine::settle_first(const std::vector<domain>& start, const std::vector<probe_task>& tasks, const halt* stop,
                         const std::vector<choice>* repair_stack) {
    race r;  // its lock is also over `next` and `found`
    r.settled.parent = stop;
    std::size_t next = 0;
    std::vector<std::uint8_t> found;
    const auto work = [&](int maps) {
        for (;;) {
            const probe_task* task = nullptr;
            {
                const std::lock_guard guard(r.lock);
                if (next == tasks.size() || told(&r.settled)) return;
                task = &tasks[next++];
            }
            const std::unique_ptr<engine> probe = make_probe(start, task->budget, task->style, true, true, nullptr, maps);
            const int result = probe->m_ > 0 ? probe->run(0, &r.settled) : stopped;
            const std::lock_guard guard(r.lock);
            if (result != stopped) {
                if (r.claim(result) && result == 1) found = probe->solution_in(*this, start);
                return;
            }
            if (probe->m_ > 0 && !told(&r.settled)) remember(*probe, start);
        }
    };
    const auto here = [&] {
        if (repair_stack != nullptr) repair(*repair_stack, &r.settled, alone_tries, window_tries, &r);
        work(0);
    };
    // On one thread the same loops take the searches one after another.
    if (helpers_)
        side_by_side(r.settled, [&] { work(1); }, here);
    else
        here();
    // A repair keeps its solution as it claims the check.
    if (r.outcome == 1 && !found.empty()) keep(std::move(found));
    return r.outcome;
}

// Probes that sweep, from `starts` (levels' domains, the deeper level
// first; a null start is not probed), each with `budget`. With
// helpers_ both run at once; otherwise the second only if the first found
// no solution. A solution from either stops the other, and so does ruling
// out the second, which rules out the first too. Their results; `found`
// gets their solutions.
std::array<int, 2> engine::probe_pair(const std::array<const std::vector<domain>*, 2>& starts, std::uint64_t budget,
                                      std::array<std::vector<std::uint8_t>, 2>& found, const halt* stop) {
    std::array<int, 2> result{stopped, stopped};
    std::array<bool, 2> gave_up{false, false};
    std::array<halt, 2> halts;
    std::array<std::unique_ptr<engine>, 2> probes;
    for (halt& h : halts) h.parent = stop;
    std::mutex lock;  // over the results and the halts
    // Each thread builds its own probe, with numbering maps of its own;
    // learned_ only changes once both have run.
    const auto work = [&](int i) {
        if (starts[i] == nullptr || told(&halts[i])) return;
        probes[i] = make_probe(*starts[i], budget, {.sweep = true}, false, true, nullptr, i);
        if (probes[i]->m_ == 0) return;
        const int r = probes[i]->run(0, &halts[i]);
        const std::lock_guard guard(lock);
        result[i] = r;
        gave_up[i] = r == stopped && !told(&halts[i]);
        if (r == 1) {
            found[i] = probes[i]->solution_in(*this, *starts[i]);
            halts[1 - i].flag = true;
        }
        if (r == 0 && i == 1) halts[0].flag = true;
    };
    if (helpers_) {
        side_by_side(halts[1], [&] { work(1); }, [&] { work(0); });
    } else {
        work(0);
        if (result[0] != 1) work(1);
    }
    for (int i = 0; i < 2; ++i)
        if (gave_up[i]) remember(*probes[i], *starts[i]);
    return result;
}

// Probes that sweep look for a solution at levels `solution_step`, then
// twice, four times ... as many levels above `below` (two at a time); the
// search goes back to the deepest level they find one at and keeps it. A
// level they rule out is learned as the choices up to it not all holding.
// Levels that leave more than solution_probe_edges open are not probed:
// the list order gets on there by itself, and neither are levels up to
// `above` (at least 0). 1 if found, 0 if not, -1 if the puzzle has no
// solution at all.
int engine::find_solution(std::vector<choice>& stack, int below, const halt* stop, int above) {
    // The nearest levels often hold neither a solution nor a refutation
    // that probes find, and those that give up cost the most: the first
    // pair gets a quarter of the budget, the next half of it.
    std::uint64_t budget = std::max<std::uint64_t>(1, probe_budget_ / 4);
    for (int step = std::min(solution_step, std::max(1, (below - above) / 4)); !told(stop);
         step *= 4, budget = std::min(probe_budget_, 2 * budget)) {
        std::array<int, 2> levels{};
        std::array<std::vector<domain>, 2> starts;
        std::array<const std::vector<domain>*, 2> probed{nullptr, nullptr};
        std::array<int, 2> result{stopped, stopped};
        std::array<std::vector<std::uint8_t>, 2> found;
        try {
            for (int i = 0; i < 2; ++i) {
                // Two different levels, even when the stack is shorter than both.
                const int deepest = i == 0 ? static_cast<int>(stack.size()) : levels[0] - 1;
                levels[i] = std::min(deepest, below - step * (i + 1));
                if (levels[i] <= above) break;
                starts[i] = domains_at(levels[i]);
                if (open_count(starts[i]) > solution_probe_edges) break;
                probed[i] = &starts[i];
            }
            if (probed[0] == nullptr) return 0;
            result = probe_pair(probed, budget, found, stop);
        } catch (const std::bad_alloc&) {
            return 0;  // only a shortcut
        }
        for (int i = 0; i < 2; ++i) {
            // A jump may have gone back past that level already.
            const bool standing = levels[i] <= static_cast<int>(stack.size());
            if (result[i] == 1) {
                keep(std::move(found[i]));
                return step_back(stack, levels[i]) ? 1 : -1;
            }
            // A level ruled out on the way up is learned too, rather than met
            // again when the search comes back down.
            if (result[i] == 0 && standing && rule_out(stack, levels[i]) < 0) return -1;
        }
        if (probed[1] == nullptr) return 0;
    }
    return 0;
}

// After a choice that left the kept solution: a repair near the change, or
// else a probe of the whole state, finds a solution that agrees with the
// choice (kept from then on) or rules the choice out. 1 if either, 0 if
// neither (the search goes on unguided below this choice; the kept
// solution still holds above it), -1 if the puzzle has no solution.
int engine::check_choice(std::vector<choice>& stack, const halt* stop) {
    // Every edge before the current choice is decided.
    if (std::all_of(dom_.begin() + resume_, dom_.end(), [](domain d) { return single(d); })) return 0;
    int result = repair(stack, stop, 0, alone_tries);
    if (result == stopped && !told(stop)) {
        try {
            // Which style settles a check soonest varies from check to check
            // by orders of magnitude, so each gets a sixteenth of the budget,
            // then a quarter, then all of it (as many of these rounds as
            // check_rounds_ allows). Guided ones stay near the change, and
            // starting over makes them the steadiest; free order settles
            // some checks that both guided styles miss. The guided style
            // that never starts over comes last: with its far jumps it costs
            // the most per contradiction. Where many islands touch, crossings
            // constrain little and free order gives up on most checks that a
            // sweep guided by the kept counts settles within a few hundred
            // contradictions, so that sweep takes its place.
            constexpr probe_style styles[] = {restarting_guided(),
                                              {},
                                              {.guided = true, .saving = true}};
            constexpr probe_style guided_sweep{.sweep = true, .guided = true, .saving = true};
            std::vector<probe_task> tasks;
            int round = 0;
            for (std::uint64_t share = 16; share >= 1 && round < check_rounds_; share /= 4, ++round)
                for (const probe_style& style : styles) {
                    const bool free_order = !style.guided && !style.sweep;
                    tasks.push_back({std::max<std::uint64_t>(1, check_budget_ / share),
                                     free_order && sweep_checks_ ? guided_sweep : style});
                }
            result = settle_first(dom_, tasks, stop, &stack);
            // The search may come back to the same choice: the next check
            // searches longer. A check that gives up leaves the search to go
            // on unguided below it, which soon gets stuck again, and what it
            // learns there often makes the same check easy when it comes
            // back; so rounds are added one at a time before the budget
            // grows.
            if (result == stopped && !told(stop)) {
                if (check_rounds_ < 3)
                    ++check_rounds_;
                else
                    check_budget_ *= 2;
            }
        } catch (const std::bad_alloc&) {
            result = stopped;  // only a shortcut
        }
    }
    const int level = static_cast<int>(stack.size());
    gave_up_times_ = result != stopped ? 0 : gave_up_at_ == level ? gave_up_times_ + 1 : 1;
    gave_up_at_ = result == stopped ? level : -1;
    if (result != 0) return result == 1 ? 1 : 0;
    return rule_out(stack, level);
}

// A solution that differs from the kept one only near the edges the last
// choice pushed off it: probes over the open edges within 4, 8, ... cells
// of those, every other open edge fixed at its kept count. 1 if one is
// found (and kept), 0 if a probe that held every open edge ruled the state
// out, `stopped` otherwise.
int engine::repair(const std::vector<choice>& stack, const halt* stop, int first_try, int end_try, race* racing) {
    // The kept solution agreed with every domain before this choice.
    int x0 = std::numeric_limits<int>::max(), x1 = std::numeric_limits<int>::min();
    int y0 = x0, y1 = x1;
    std::vector<std::int32_t> pushed_off, ends;
    for (std::size_t t = stack.back().mark; t < trail_.size(); ++t) {
        const trail_entry& entry = trail_[t];
        if (entry.kind != undo::dom || (dom_[entry.index] >> solution_[entry.index] & 1) != 0) continue;
        pushed_off.push_back(entry.index);
        for (int v : {end_a_[entry.index], end_b_[entry.index]}) {
            ends.push_back(v);
            x0 = std::min(x0, x_[v]);
            x1 = std::max(x1, x_[v]);
            y0 = std::min(y0, y_[v]);
            y1 = std::max(y1, y_[v]);
        }
    }
    const int widest = window_margin << (window_tries - 1);
    std::vector<std::int32_t> wide;  // the open edges within the widest window
    edges_within(x0 - widest, y0 - widest, x1 + widest, y1 + widest, wide);
    const std::uint32_t in_wide = window_stamp_;
    // Every edge before the current choice is decided, so only the edges
    // from it on can be open or fixed here.
    repair_start_ = dom_;
    base_up_.resize(n_, none);
    std::ptrdiff_t open_edges = 0;
    for (int e = resume_; e < m_; ++e) {
        if (single(dom_[e])) continue;
        ++open_edges;
        repair_start_[e] = static_cast<domain>(1u << solution_[e]);
        if (window_mark_[e] == in_wide || solution_[e] == 0 || (dom_[e] & only_zero) == 0) continue;
        const std::int32_t ra = base_root(end_a_[e]);
        const std::int32_t rb = base_root(end_b_[e]);
        if (ra == rb) continue;
        base_touched_.push_back(ra);
        base_up_[ra] = rb;
    }
    struct put_back {
        engine& self;
        ~put_back() {
            for (std::int32_t r : self.base_touched_) self.base_up_[r] = none;
            self.base_touched_.clear();
        }
    } const guard{*this};

    std::vector<std::int32_t> near, fixed;
    for (int margin = window_margin << first_try, tries = first_try; tries < end_try && !told(stop);
         ++tries, margin *= 2) {
        const auto inside = [&](int v) {
            return x_[v] >= x0 - margin && x_[v] <= x1 + margin && y_[v] >= y0 - margin && y_[v] <= y1 + margin;
        };
        near.clear();
        new_window_stamp();
        for (std::int32_t e : wide) {
            if (!inside(end_a_[e]) && !inside(end_b_[e])) continue;
            near.push_back(e);
            window_mark_[e] = window_stamp_;
        }
        // A fixed count that carries a bridge blocks the edges crossing it.
        bool empty = false;
        for (std::int32_t e : near) {
            domain d = dom_[e];
            for (std::int32_t k = cross_start_[e]; k < cross_start_[e + 1]; ++k) {
                const std::int32_t c = cross_[k];
                if (!single(dom_[c]) && window_mark_[c] != window_stamp_ && solution_[c] > 0) d &= only_zero;
            }
            repair_start_[e] = d;
            empty = empty || d == 0;
        }
        fixed.clear();
        for (std::int32_t e : wide)
            if (window_mark_[e] != window_stamp_ && solution_[e] > 0 && (dom_[e] & only_zero) != 0) fixed.push_back(e);
        int result = stopped;
        if (!empty) {
            try {
                // Where the widest window gives up, a check of the whole state
                // follows, which on dense puzzles costs seconds; it gets a whole
                // probe budget, unless that check already runs beside it.
                const bool beside = racing != nullptr && helpers_;
                const std::uint64_t budget =
                    tries + 1 == window_tries && !beside ? probe_budget_ : probe_budget_ / solve_factor;
                // A bridge the choice took away may have been all that joined
                // islands without open edges to the rest: the probe holds the
                // ends of every edge pushed off the kept solution, so that
                // its groups show such islands cut off.
                const window_edges window{&near, &fixed, &ends};
                // The widest window is tried twice. First in list order,
                // smallest count first, so that the repaired solution agrees
                // with the next choices as far as it can; where that gets
                // stuck (often on dense puzzles), guided by the kept counts,
                // which settles most such windows long before a check of
                // the whole state would.
                const int attempts = tries + 1 == window_tries ? 2 : 1;
                for (int attempt = 0; attempt < attempts && result == stopped && !told(stop); ++attempt) {
                    const probe_style style = attempt == 0 ? probe_style{} : restarting_guided();
                    const auto probe =
                        make_probe(repair_start_, std::max<std::uint64_t>(1, budget), style, true, false, &window);
                    if (probe->m_ == 0) break;
                    result = probe->run(0, stop);
                    const bool settles =
                        result == 1 || (result == 0 && static_cast<std::ptrdiff_t>(near.size()) == open_edges);
                    if (settles && racing != nullptr) {
                        // The kept solution changes only once the race is won;
                        // from then on no rival starts a build, and one under
                        // way finishes before it changes.
                        const std::lock_guard claiming(racing->lock);
                        if (!racing->claim(result)) return stopped;
                    }
                    if (result == 1) keep_repaired(*probe, pushed_off);
                }
            } catch (const std::bad_alloc&) {
                return stopped;
            }
        }
        for (std::int32_t e : near) repair_start_[e] = static_cast<domain>(1u << solution_[e]);
        if (empty) continue;
        if (result == 1 || static_cast<std::ptrdiff_t>(near.size()) == open_edges) return result;
    }
    return stopped;
}

void engine::new_window_stamp() {
    if (++window_stamp_ == 0) {
        std::fill(window_mark_.begin(), window_mark_.end(), 0);
        window_stamp_ = 1;
    }
}

// Collects the open edges from the current choice on with an end within
// the cells from (x0, y0) to (x1, y1), ascending, and marks them with a
// new window stamp.
void engine::edges_within(int x0, int y0, int x1, int y1, std::vector<std::int32_t>& out) {
    if (by_cell_.empty()) {
        by_cell_.resize(n_);
        std::iota(by_cell_.begin(), by_cell_.end(), 0);
        std::sort(by_cell_.begin(), by_cell_.end(),
                  [&](std::int32_t a, std::int32_t b) { return std::pair(y_[a], x_[a]) < std::pair(y_[b], x_[b]); });
        const int rows = n_ == 0 ? 0 : y_[by_cell_.back()] + 1;
        row_start_.assign(static_cast<std::size_t>(rows) + 1, 0);
        for (std::int32_t v : by_cell_) ++row_start_[y_[v] + 1];
        for (int y = 0; y < rows; ++y) row_start_[y + 1] += row_start_[y];
        window_mark_.assign(m_, 0);
    }
    new_window_stamp();
    out.clear();
    const int rows = static_cast<int>(row_start_.size()) - 1;
    for (int y = std::max(y0, 0); y <= std::min(y1, rows - 1); ++y) {
        const auto first = by_cell_.begin() + row_start_[y];
        const auto last = by_cell_.begin() + row_start_[y + 1];
        for (auto it = std::lower_bound(first, last, x0, [&](std::int32_t v, int x) { return x_[v] < x; });
             it != last && x_[*it] <= x1; ++it)
            for (int s = 0; s < 4; ++s) {
                const std::int32_t e = incident_[4 * *it + s];
                if (e == no_edge || e < resume_ || single(dom_[e]) || window_mark_[e] == window_stamp_) continue;
                window_mark_[e] = window_stamp_;
                out.push_back(e);
            }
    }
    std::sort(out.begin(), out.end());
}

// What a stuck search does. The second engine probes its current domains
// over sums, crossings and parity alone; a refutation names the domains
// and decided edges it rests on, a clause over those is learned, and the
// search jumps back as far as it reaches. The first engine looks for the
// earliest level whose domains a probe with every rule rules out, stepping
// back 20, 40, 80, ... levels and then halving the gap (until a probe gives
// up: with a solution to follow, a jump need not reach far). If there is
// one, it learns that the choices up to it do not all hold and jumps back
// there; then it goes back to where a probe found a solution, or looks for
// one, and follows it. 1 if a probe ruled something out, 0 if none did, -1
// if the puzzle has no solution at all.
int engine::probe_back(std::vector<choice>& stack, const halt* stop) {
    const int top = static_cast<int>(stack.size());
    if (probe_sums_) {
        const std::vector<domain> start = domains_at(top);
        try {
            engine probe(*this, start, probe_budget_, false, false, false, false);
            if (probe.m_ == 0 || probe.run(0, stop) != 0) return 0;
            std::vector<std::int32_t> literals = probe.core(*this, start);
            return refute(stack, literals);
        } catch (const std::bad_alloc&) {
            return 0;  // only a shortcut
        }
    }

    std::mutex lock;  // over the solution found
    // The deepest level a probe found a solution at, with its solution.
    int solved_at = -1;
    std::vector<std::uint8_t> solved;
    // A probe of `level` with every rule: 1 if it finds a solution, 0 if it
    // rules the level out, `stopped` otherwise. `maps`: this thread's.
    const auto settle = [&](int level, const halt* halted, int maps) {
        try {
            const std::vector<domain> start = domains_at(level);
            std::uint64_t budget = std::min(probe_budget_, refute_default);
            const std::ptrdiff_t open = open_count(start);
            if (open > refute_edges)
                budget = std::max(std::min(budget, refute_least),
                                  budget * static_cast<std::uint64_t>(refute_edges) / static_cast<std::uint64_t>(open));
            engine probe(*this, start, budget, true, false, false, true, nullptr, maps);
            const int result = probe.m_ > 0 ? probe.run(0, halted) : stopped;
            const std::lock_guard guard(lock);
            if (result == stopped && probe.m_ > 0 && !told(halted)) remember(probe, start);
            if (result == 1 && level > solved_at) {
                solved_at = level;
                solved = probe.solution_in(*this, start);
            }
            return result;
        } catch (const std::bad_alloc&) {
            return static_cast<int>(stopped);  // only a shortcut
        }
    };
    // Probes a level and, when `shallow` > 0, a shallower one beside it.
    // Ruling out the shallower one rules out the deeper one too, and a
    // deeper one not ruled out ends the search for the earliest level, so
    // either makes the other probe moot, and it is stopped. On one thread
    // the shallower one runs only after the deeper one was ruled out.
    const auto settle_two = [&](int deep, int shallow) {
        std::array<int, 2> result{stopped, stopped};
        if (shallow <= 0 || !helpers_) {
            result[0] = settle(deep, stop, 0);
            if (shallow > 0 && result[0] == 0) result[1] = settle(shallow, stop, 0);
            return result;
        }
        std::array<halt, 2> halts;
        for (halt& h : halts) h.parent = stop;
        side_by_side(
            halts[1],
            [&] {
                result[1] = settle(shallow, &halts[1], 1);
                if (result[1] == 0) halts[0].flag = true;
            },
            [&] {
                result[0] = settle(deep, &halts[0], 0);
                if (result[0] != 0) halts[1].flag = true;
            });
        return result;
    };

    int out = 0;   // the earliest level ruled out so far (0: none)
    int kept = 0;  // a level not ruled out, below `out`
    const auto next_step = [](int step) { return step == 0 ? probe_step : 2 * step; };
    for (int step = 0; top - step > 0; step = next_step(next_step(step))) {
        const int deep = top - step;
        const int shallow = top - next_step(step);
        const std::array<int, 2> result = settle_two(deep, shallow);
        if (shallow > 0 && result[1] == 0) {
            out = shallow;
            continue;
        }
        if (result[0] == 0) {
            out = deep;
            kept = std::max(shallow, 0);
        } else {
            kept = deep;
        }
        break;
    }
    if (out == 0) return 0;
    // Two levels at a time, a third and two thirds of the way down the gap.
    while (out - kept > 1) {
        const int deep = kept + std::max(1, 2 * (out - kept) / 3);
        const int shallow = kept + (out - kept) / 3;
        const std::array<int, 2> result = settle_two(deep, shallow > kept ? shallow : 0);
        if (shallow > kept && result[1] == 0) {
            out = shallow;
        } else if (result[0] == 0) {
            out = deep;
            if (shallow > kept) {
                kept = shallow;
                if (solved_at != shallow) break;
            }
        } else {
            kept = deep;
            if (solved_at != deep) break;
        }
    }
    if (rule_out(stack, out) < 0) return -1;
    if (told(stop)) return 1;
    // Go back to where a solution is known and follow it from there.
    // A solution that agrees with the choices up to some level agrees with
    // every state above it too.
    // Otherwise the solution kept before still holds above the choice that
    // left it.
    if (solved_at >= 0) keep(std::move(solved));
    const int level = solved_at >= 0 ? solved_at : solution_level();
    // But when the choice that left it is one whose check gave up twice in
    // a row, going back would only check it once more, with a larger
    // budget, and such checks tend to give up again. The search stays below
    // that choice then, and looks for a solution between it and the level
    // ruled out.
    if (solved_at < 0 && level + 1 == gave_up_at_ && gave_up_times_ >= 2 && out > gave_up_at_ + 1)
        return find_solution(stack, out, stop, gave_up_at_) < 0 ? -1 : 1;
    if (level >= 0) {
        if (!step_back(stack, level)) return -1;
        return 1;
    }
    return find_solution(stack, out, stop) < 0 ? -1 : 1;
}

// Settles the state before the first choice, at the start and when a probe
// starts over. A probe that reports its reasons skips the pass over the
// whole graph, whose conclusions cite nothing. The pass fixes parities
// without the checks that mend the witness, so the witness is built
// afresh after it. 1 when settled, 0 when no solution is left, `stopped`
// when `stop` cut it short (which proves nothing).
int engine::settle_start(const halt* stop) {
    const bool held = connection_ ? settle_root(stop) : propagate();
    if (told(stop)) return stopped;
    if (!held) return 0;
    if (use_witness_) build_witness();
    return !connection_ || !flow_wanted_ || flow_on_ || start_flow() ? 1 : 0;
}

// Turns the flow on where the islands fall into two sides: false when no
// counts within the bounds give every island its weight.
bool engine::start_flow() {
    side_ = two_sides(n_, end_a_, end_b_);
    if (side_.empty()) {
        flow_wanted_ = false;  // a probe that starts over asks again
        return true;
    }
    std::vector<std::uint8_t> low(m_), high(m_);
    for (int e = 0; e < m_; ++e) {
        low[e] = static_cast<std::uint8_t>(lowest(dom_[e]));
        high[e] = static_cast<std::uint8_t>(highest(dom_[e]));
    }
    auto counts = balanced_counts(side_, weight_, end_a_, end_b_, low, high);
    if (!counts) return false;
    flow_ = std::move(*counts);
    flow_queued_.assign(m_, 0);
    flow_checks_.reserve(m_);
    flow_seen_.assign(n_, 0);
    flow_via_.assign(n_, no_edge);
    flow_reach_.reserve(n_);
    flow_on_ = true;
    return true;
}

// Brings e's count back within its bounds, one shift at a time.
bool engine::mend_flow(int e) {
    while (flow_[e] > highest(dom_[e]))
        if (!shift_flow(e, -1)) return false;
    while (flow_[e] < lowest(dom_[e]))
        if (!shift_flow(e, 1)) return false;
    return true;
}

// Changes e's count by `change`, and the counts along a path between its
// ends the other way round at every other edge, so that every island keeps
// its sum. Side-0 islands of the path move their edges one way and side-1
// islands the other. When no such path exists, the islands it could reach
// (R) prove that no counts fit: the weights of R's side-0 islands minus
// those of its side-1 islands equal the counts leaving R from side 0 minus
// those entering it at side 1, and every such edge already stands at the
// bound that makes that difference largest, short of e.
bool engine::shift_flow(int e, int change) {
    const int a = side_[end_a_[e]] == 0 ? end_a_[e] : end_b_[e];
    const int b = other_end(e, a);
    const int first = -change;  // how side-0 islands move their edges
    if (++flow_stamp_ == 0) {
        std::fill(flow_seen_.begin(), flow_seen_.end(), 0);
        flow_stamp_ = 1;
    }
    const auto movable = [&](std::int32_t g, int by) {
        return by > 0 ? flow_[g] < highest(dom_[g]) : flow_[g] > lowest(dom_[g]);
    };
    flow_reach_.assign(1, a);
    flow_seen_[a] = flow_stamp_;
    for (std::size_t k = 0; k < flow_reach_.size(); ++k) {
        const std::int32_t p = flow_reach_[k];
        const int by = side_[p] == 0 ? first : -first;
        for (int s = 0; s < 4; ++s) {
            const std::int32_t g = incident_[4 * p + s];
            if (g == no_edge || g == e || !movable(g, by)) continue;
            const std::int32_t q = neighbour_[4 * p + s];
            if (flow_seen_[q] == flow_stamp_) continue;
            flow_seen_[q] = flow_stamp_;
            flow_via_[q] = g;
            if (q == b) {
                for (std::int32_t w = b; w != a;) {
                    const std::int32_t f = flow_via_[w];
                    const int from = other_end(f, w);
                    flow_[f] = static_cast<std::uint8_t>(flow_[f] + (side_[from] == 0 ? first : -first));
                    w = from;
                }
                flow_[e] = static_cast<std::uint8_t>(flow_[e] + change);
                return true;
            }
            flow_reach_.push_back(q);
        }
    }
    failure_reason_.clear();
    for (std::int32_t p : flow_reach_) {
        const int by = side_[p] == 0 ? first : -first;
        for (int s = 0; s < 4; ++s) {
            const std::int32_t g = incident_[4 * p + s];
            if (g == no_edge || flow_seen_[neighbour_[4 * p + s]] == flow_stamp_) continue;
            // g stands at the bound that stopped the path: the other way,
            // one of its counts beyond that bound.
            const domain beyond = by > 0 ? static_cast<domain>(any_count & ~((2u << highest(dom_[g])) - 1))
                                         : static_cast<domain>((1u << lowest(dom_[g])) - 1);
            if (beyond != 0) failure_reason_.push_back(g * 8 + beyond);
        }
    }
    failure_ = {failure_kind::flow, cause::none, 0, 0};
    return false;
}

int engine::run(std::uint64_t max_steps, const halt* stop, std::uint64_t hard_after,
                const std::function<void()>& on_hard) {
    for (int v = 0; v < n_; ++v)
        if (weight_[v] < 0 || weight_[v] > max_weight) return 0;
    for (int v = 0; v < n_; ++v) {
        queued_[v] = flag::on;
        island_queue_[islands_queued_++] = v;
    }
    if (told(stop)) return stopped;
    if (probe_)
        for (int e = 0; e < m_; ++e)
            if (!restrict(e, start_domains_[e], cause::decision, 0)) return 0;
    if (const int settled = settle_start(stop); settled != 1) return settled;

    std::vector<choice> stack;
    std::uint64_t steps = 0;
    std::uint64_t contradictions = 0;
    std::uint64_t since_progress = 0;
    bool hard_started = false;
    std::uint64_t stuck_after = stuck_after_;
    int furthest = -1;
    std::uint64_t since_restart = 0;
    // Small budgets (tests use tiny ones) start over sooner.
    std::uint64_t restart_after = std::clamp<std::uint64_t>(probe_budget_ / 8, 1, first_restart);
    for (;;) {
        int next;
        if (probe_) {
            next = free_choice();
        } else {
            // Edges before the first undecided one are all decided, so the
            // next choice is always the first undecided edge.
            next = resume_;
            while (next < m_ && single(dom_[next])) ++next;
            if (next > furthest) {
                furthest = next;
                since_progress = 0;
            } else if (since_progress >= stuck_after && !stack.empty() && max_steps == 0) {
                since_progress = 0;
                // Probes take time: the second engine must not wait for them.
                if (!hard_started && on_hard) {
                    hard_started = true;
                    on_hard();
                }
                const int probed = probe_back(stack, stop);
                if (probed < 0) return 0;
                if (told(stop)) return stopped;
                // A probe that rules nothing out makes the next one wait longer.
                if (probed == 0) stuck_after *= 2;
                continue;
            }
        }
        bool ok;
        bool leaves = false;  // a choice that leaves the kept solution
        if (next == m_) {
            if (groups_ == 1 || !connection_) return 1;
            failure_ = {failure_kind::leaf, cause::none, 0, 0};
            ok = false;
        } else {
            if (max_steps != 0 && steps == max_steps) return -1;
            // A probe that lost its race should stop within about a tenth
            // of a millisecond: its rival's caller waits for it.
            if (++steps % 64 == 0 && told(stop)) return stopped;
            if (witness_on_ && witness_size_ > static_cast<std::size_t>(n_) + static_cast<std::size_t>(n_) / 2)
                build_witness();
            int value = lowest(dom_[next]);
            if (!phase_.empty() && (dom_[next] >> phase_[next] & 1) != 0) value = phase_[next];
            stack.push_back({next, trail_.size(), pool_.size(), static_cast<domain>(1u << value)});
            level_ = static_cast<int>(stack.size());
            leaves = kept() && value != solution_[next];
            ok = restrict(next, static_cast<domain>(1u << value), cause::decision, 0) && propagate();
        }
        if (!probe_) resume_ = next;
        if (ok && leaves) {
            if (check_choice(stack, stop) < 0) return 0;
            if (told(stop)) return stopped;
            continue;
        }
        if (ok) continue;
        if (!learn(stack)) return 0;
        if (told(stop)) return stopped;
        ++since_progress;
        if (probe_ && contradictions + 1 >= probe_budget_) return stopped;
        if (restarting_ && ++since_restart >= restart_after && !stack.empty()) {
            since_restart = 0;
            restart_after += restart_after / 2;
            backtrack(stack, 0);
            // Back before the first choice, the pass over the whole graph
            // sees parts whose parity the checks per edge missed: with what
            // the probe has learned, it often rules the state out there.
            if (!reimply()) return 0;
            if (const int settled = settle_start(stop); settled != 1) return settled;
        }
        if (++contradictions >= hard_after && !hard_started && on_hard) {
            hard_started = true;
            on_hard();
        }
    }
}

}  // namespace

int solve_fast(puzzle& p, const fast_limits& limits) {
    if (p.edge_list == nullptr) return p.component_count == 1 ? 1 : 0;
    const auto jump_limit = [&](int own) { return limits.jump_limit != 0 ? limits.jump_limit : own; };
    if (limits.max_steps != 0 || limits.only_engine != 0) {
        engine alone(p, limits, jump_limit(limits.only_engine == 2 ? second_jump_limit : first_jump_limit),
                     limits.only_engine == 2);
        const int result = alone.run(limits.max_steps);
        if (result == 1) alone.store(p);
        return result;
    }

    // Both engines only read the puzzle until the winner stores its answer,
    // after the other one has stopped.
    halt done;
    std::unique_ptr<engine> second;
    int second_result = engine::stopped;
    std::thread helper;
    // The second engine is only a shortcut: when it cannot get memory or a
    // thread, the first one goes on alone.
    const auto start_second = [&] {
        try {
            helper = std::thread([&] {
                try {
                    second = std::make_unique<engine>(p, limits, jump_limit(second_jump_limit), true);
                    if (told(&done)) return;
                    second_result = second->run(0, &done);
                    if (second_result != engine::stopped) done.flag = true;
                } catch (const std::exception&) {
                    second_result = engine::stopped;
                }
            });
        } catch (const std::system_error&) {
        }
    };
    // However the first engine ends, even by running out of memory, the
    // second one is stopped and joined before anything it uses goes away.
    int result = engine::stopped;
    {
        const stop_and_join guard{done, helper};
        engine first(p, limits, jump_limit(first_jump_limit));
        result = limits.second_after != 0 ? first.run(0, &done, limits.second_after, start_second) : first.run(0, &done);
        if (result == 1) {
            done.flag = true;
            if (helper.joinable()) helper.join();
            first.store(p);
        }
    }
    if (result == engine::stopped) {
        result = second_result;
        if (result == 1) second->store(p);
    }
    return result;
}

}  // namespace islands
