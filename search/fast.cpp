// The fast exact engine. Depth-first over edge_list in order, values
// ascending, with propagation after every decision and undo through a trail.
// Propagation only ever removes values that belong to no solution of the
// current branch, and a backjump only skips branches that a recorded reason
// proves empty, so the first complete assignment reached is the
// lexicographically smallest solution, the one the literal search returns.
// FAST_ENGINE.md explains the rules and the backjumping.
#include "search/fast.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace islands {
namespace {

// An edge's domain is a bit set over its bridge counts: bit v stands for v.
using domain = std::uint8_t;
constexpr domain only_zero = 1;
constexpr domain any_count = 7;
constexpr domain some_bridge = 6;  // the counts that make an edge usable

constexpr int no_edge = -1;
constexpr int none = -1;
constexpr int max_weight = 8;  // four edges of two bridges each

// The closing rule cites every island of the groups involved; past this size
// the reason would cost more than the rule saves, and the split check finds
// a sealed-off group anyway.
constexpr int closing_limit = 24;

int lowest(domain d) { return std::countr_zero(static_cast<unsigned>(d)); }
bool single(domain d) { return (d & (d - 1)) == 0; }

class engine {
public:
    explicit engine(puzzle& p) { load(p); }

    int run(std::uint64_t max_steps);
    void store(puzzle& p) const;

private:
    // Why a domain shrank: what conflict analysis expands it into.
    enum class cause : std::uint8_t {
        decision,  // the branch's own choice; `why` is its level
        flip,      // a refuted choice; `why` is its reason: levels in the pool
        island,    // island `why` cannot fit the count with its other edges
        crossing,  // edge `why` must carry a bridge and crosses this one
        closing,   // the count would seal a group; `why`: its islands in the pool
        none,      // not a domain change: a group update
    };
    enum class undo : std::uint8_t { dom, resid, join };
    struct trail_entry {
        undo kind;
        cause because;
        std::int32_t index;
        std::int32_t old;
        std::int32_t why;
        std::int32_t prev;   // this edge's previous domain change, or none
        std::int32_t level;  // choices in force when the change was made
    };
    struct choice {
        std::int32_t edge;
        std::int32_t value;
        std::size_t mark;
        std::size_t pool_mark;
    };
    // The last contradiction, in the form conflict analysis starts from.
    enum class failure_kind : std::uint8_t { emptied, island, split, leaf };
    struct failure {
        failure_kind kind;
        cause because;  // emptied: what tried to remove the last count
        std::int32_t index;
        std::int32_t why;
    };

    void load(puzzle& p);
    bool whole_graph_connected() const;

    bool restrict(int e, domain keep, cause because, int why);
    bool join(int e);
    void set_resid(int root, std::int32_t value);
    int find(int v) const {
        while (parent_[v] != v) v = parent_[v];
        return v;
    }

    bool propagate();
    bool fit_island(int v);
    bool still_linked(int a, int b);
    void undo_to(std::size_t mark);

    void analyse(std::vector<std::int32_t>& levels);
    void expand(cause because, int why, std::size_t before);
    void cite_edge(int e, std::size_t before);
    void cite_island(int v, std::size_t before);
    void cite_level(int level);

    int n_ = 0;
    int m_ = 0;
    std::vector<std::int32_t> end_a_, end_b_;
    std::vector<domain> dom_;
    std::vector<std::int32_t> incident_;  // four slots per island
    std::vector<std::int32_t> weight_;
    std::vector<std::int32_t> cross_start_, cross_;

    // Islands joined by edges that must carry a bridge, with the bridge ends
    // each group still needs beyond the counts already forced. Members of a
    // group form a ring through next_member_.
    std::vector<std::int32_t> parent_, size_, resid_, next_member_;
    int groups_ = 0;

    std::vector<trail_entry> trail_;
    std::vector<std::int32_t> last_change_;  // per edge, into trail_
    // Variable-length reasons, each a count and then the items, owned by
    // the trail entry that names it.
    std::vector<std::int32_t> pool_;
    int level_ = 0;

    std::vector<std::int32_t> island_queue_;
    std::vector<std::uint8_t> queued_;
    std::vector<std::int32_t> cut_checks_;  // edges that lost their last bridge count
    failure failure_{};

    std::vector<std::uint32_t> seen_;
    std::uint32_t stamp_ = 0;
    std::vector<std::int32_t> from_a_, from_b_;
    const std::vector<std::int32_t>* sealed_side_ = nullptr;

    // Conflict analysis scratch.
    std::vector<std::uint32_t> entry_seen_;
    std::vector<std::uint32_t> level_seen_;
    std::uint32_t analysis_ = 0;
    std::vector<std::int32_t> work_;
    std::vector<std::int32_t>* levels_ = nullptr;
};

void engine::load(puzzle& p) {
    std::vector<std::int32_t> position(p.vertices.size(), none);
    for (vertex* v = p.vertex_list; v; v = v->next) {
        position[v->index] = n_++;
        weight_.push_back(v->weight);
    }
    std::vector<std::int32_t> edge_position(p.edges.size(), none);
    for (edge* e = p.edge_list; e; e = e->next) {
        edge_position[e->index] = m_++;
        end_a_.push_back(position[e->a->index]);
        end_b_.push_back(position[e->b->index]);
    }

    incident_.assign(4 * static_cast<std::size_t>(n_), no_edge);
    std::vector<int> degree(n_, 0);
    for (int e = 0; e < m_; ++e)
        for (int v : {end_a_[e], end_b_[e]}) {
            if (degree[v] == 4) throw std::invalid_argument("island with more than four edges");
            incident_[4 * v + degree[v]++] = e;
        }

    // Crossings in both directions, so that either edge can block the other.
    cross_start_.assign(m_ + 1, 0);
    for (edge* e = p.edge_list; e; e = e->next)
        for (crossing* c = e->crossings; c; c = c->next) {
            ++cross_start_[edge_position[e->index] + 1];
            ++cross_start_[edge_position[c->edge->index] + 1];
        }
    for (int e = 0; e < m_; ++e) cross_start_[e + 1] += cross_start_[e];
    cross_.assign(cross_start_[m_], 0);
    std::vector<std::int32_t> fill(cross_start_.begin(), cross_start_.end() - 1);
    for (edge* e = p.edge_list; e; e = e->next)
        for (crossing* c = e->crossings; c; c = c->next) {
            const std::int32_t x = edge_position[e->index];
            const std::int32_t y = edge_position[c->edge->index];
            cross_[fill[x]++] = y;
            cross_[fill[y]++] = x;
        }

    dom_.assign(m_, any_count);
    last_change_.assign(m_, none);
    parent_.resize(n_);
    next_member_.resize(n_);
    size_.assign(n_, 1);
    resid_.resize(n_);
    for (int v = 0; v < n_; ++v) {
        parent_[v] = next_member_[v] = v;
        resid_[v] = weight_[v];
    }
    groups_ = n_;
    queued_.assign(n_, 0);
    seen_.assign(n_, 0);
}

void engine::store(puzzle& p) const {
    int i = 0;
    for (edge* e = p.edge_list; e; e = e->next) e->bridges = lowest(dom_[i++]);
}

void engine::set_resid(int root, std::int32_t value) {
    trail_.push_back({undo::resid, cause::none, root, resid_[root], 0, none, level_});
    resid_[root] = value;
}

// Narrows e's domain to `keep` and applies what follows at once: forced
// bridge ends leave the groups' needs, a first forced bridge blocks the
// crossing edges and joins the endpoints' groups. Islands to refit and
// edges to check for a split are queued.
bool engine::restrict(int e, domain keep, cause because, int why) {
    const domain old = dom_[e];
    const domain now = old & keep;
    if (now == old) return true;
    if (now == 0) {
        failure_ = {failure_kind::emptied, because, e, why};
        return false;
    }
    trail_.push_back({undo::dom, because, e, old, why, last_change_[e], level_});
    last_change_[e] = static_cast<std::int32_t>(trail_.size() - 1);
    dom_[e] = now;

    const int a = end_a_[e];
    const int b = end_b_[e];
    for (int v : {a, b})
        if (!queued_[v]) {
            queued_[v] = 1;
            island_queue_.push_back(v);
        }
    if ((now & some_bridge) == 0) {
        cut_checks_.push_back(e);
        return true;
    }
    const int rise = lowest(now) - lowest(old);
    if (rise == 0) return true;
    const int ra = find(a);
    const int rb = find(b);
    if (ra == rb) {
        set_resid(ra, resid_[ra] - 2 * rise);
    } else {
        set_resid(ra, resid_[ra] - rise);
        set_resid(rb, resid_[rb] - rise);
    }
    return (old & only_zero) == 0 || join(e);
}

// e has just lost the count 0: nothing that crosses it may carry a bridge,
// and its endpoints now belong to one group.
bool engine::join(int e) {
    for (std::int32_t k = cross_start_[e]; k < cross_start_[e + 1]; ++k)
        if (!restrict(cross_[k], only_zero, cause::crossing, e)) return false;
    int ra = find(end_a_[e]);
    int rb = find(end_b_[e]);
    if (ra == rb) return true;
    if (size_[ra] < size_[rb]) std::swap(ra, rb);
    trail_.push_back({undo::join, cause::none, rb, 0, 0, none, level_});
    parent_[rb] = ra;
    size_[ra] += size_[rb];
    resid_[ra] += resid_[rb];
    std::swap(next_member_[ra], next_member_[rb]);
    --groups_;
    return true;
}

// Keeps on each edge of v only the counts that some fitting combination of
// v's edges uses, then drops counts that would seal a group off from the
// rest: a group whose needs are all met can never reach another island.
bool engine::fit_island(int v) {
    const int base = 4 * v;
    std::array<unsigned, 4> d{};
    for (int s = 0; s < 4; ++s) {
        const std::int32_t e = incident_[base + s];
        d[s] = e == no_edge ? only_zero : dom_[e];
    }
    // reach[s]: sums the edges before slot s can make; want[s]: sums from
    // which the edges from slot s on can still make the weight.
    std::array<unsigned, 5> reach{1, 0, 0, 0, 0};
    std::array<unsigned, 5> want{};
    want[4] = 1u << weight_[v];
    for (int s = 0; s < 4; ++s)
        for (unsigned c = 0; c < 3; ++c)
            if (d[s] >> c & 1) reach[s + 1] |= reach[s] << c;
    for (int s = 4; s-- > 0;)
        for (unsigned c = 0; c < 3; ++c)
            if (d[s] >> c & 1) want[s] |= want[s + 1] >> c;
    if ((reach[4] & want[4]) == 0) {
        failure_ = {failure_kind::island, cause::none, v, 0};
        return false;
    }
    for (int s = 0; s < 4; ++s) {
        const std::int32_t e = incident_[base + s];
        if (e == no_edge) continue;
        unsigned keep = 0;
        for (unsigned c = 0; c < 3; ++c)
            if ((d[s] >> c & 1) && ((reach[s] << c) & want[s + 1])) keep |= 1u << c;
        if (!restrict(e, static_cast<domain>(keep), cause::island, v)) return false;
    }
    for (int s = 0; s < 4; ++s) {
        const std::int32_t e = incident_[base + s];
        if (e == no_edge) continue;
        const domain d = dom_[e];
        if ((d & some_bridge) == 0 || single(d)) continue;
        const int ra = find(end_a_[e]);
        const int rb = find(end_b_[e]);
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

// Whether a and b are still joined by edges that may carry bridges. Both
// sides grow breadth-first, the smaller frontier first, so a short detour
// or a small cut-off part is found quickly.
bool engine::still_linked(int a, int b) {
    if (find(a) == find(b)) return true;
    if (stamp_ >= UINT32_MAX - 2) {
        std::fill(seen_.begin(), seen_.end(), 0);
        stamp_ = 0;
    }
    const std::uint32_t mark_a = ++stamp_;
    const std::uint32_t mark_b = ++stamp_;
    from_a_.assign(1, a);
    from_b_.assign(1, b);
    seen_[a] = mark_a;
    seen_[b] = mark_b;
    std::size_t head_a = 0, head_b = 0;
    while (head_a < from_a_.size() && head_b < from_b_.size()) {
        const bool grow_a = from_a_.size() - head_a <= from_b_.size() - head_b;
        auto& queue = grow_a ? from_a_ : from_b_;
        std::size_t& head = grow_a ? head_a : head_b;
        const std::uint32_t own = grow_a ? mark_a : mark_b;
        const std::uint32_t other = grow_a ? mark_b : mark_a;
        const int u = queue[head++];
        for (int s = 0; s < 4; ++s) {
            const std::int32_t e = incident_[4 * u + s];
            if (e == no_edge || (dom_[e] & some_bridge) == 0) continue;
            const int w = end_a_[e] == u ? end_b_[e] : end_a_[e];
            if (seen_[w] == other) return true;
            if (seen_[w] == own) continue;
            seen_[w] = own;
            queue.push_back(w);
        }
    }
    sealed_side_ = head_a == from_a_.size() ? &from_a_ : &from_b_;
    failure_ = {failure_kind::split, cause::none, 0, 0};
    return false;
}

bool engine::propagate() {
    bool ok = true;
    while (ok) {
        if (!island_queue_.empty()) {
            const int v = island_queue_.back();
            island_queue_.pop_back();
            queued_[v] = 0;
            ok = fit_island(v);
        } else if (!cut_checks_.empty()) {
            const int e = cut_checks_.back();
            cut_checks_.pop_back();
            ok = still_linked(end_a_[e], end_b_[e]);
        } else {
            return true;
        }
    }
    for (std::int32_t v : island_queue_) queued_[v] = 0;
    island_queue_.clear();
    cut_checks_.clear();
    return false;
}

void engine::undo_to(std::size_t mark) {
    while (trail_.size() > mark) {
        const trail_entry t = trail_.back();
        trail_.pop_back();
        switch (t.kind) {
        case undo::dom:
            dom_[t.index] = static_cast<domain>(t.old);
            last_change_[t.index] = t.prev;
            break;
        case undo::resid:
            resid_[t.index] = t.old;
            break;
        case undo::join: {
            const int root = parent_[t.index];
            parent_[t.index] = t.index;
            size_[root] -= size_[t.index];
            resid_[root] -= resid_[t.index];
            std::swap(next_member_[root], next_member_[t.index]);
            ++groups_;
            break;
        }
        }
    }
}

// Conflict analysis: the set of choices that, with the puzzle itself, imply
// the last contradiction. Each domain change on the trail is expanded into
// what caused it until only choices remain; changes made before any choice
// follow from the puzzle alone and are left out.
void engine::analyse(std::vector<std::int32_t>& levels) {
    levels.clear();
    levels_ = &levels;
    if (++analysis_ == 0) {
        std::fill(entry_seen_.begin(), entry_seen_.end(), 0);
        std::fill(level_seen_.begin(), level_seen_.end(), 0);
        analysis_ = 1;
    }
    if (entry_seen_.size() < trail_.size()) entry_seen_.resize(trail_.capacity(), 0);
    if (level_seen_.size() <= static_cast<std::size_t>(level_)) level_seen_.resize(level_ + 1, 0);
    work_.clear();

    const std::size_t now = trail_.size();
    switch (failure_.kind) {
    case failure_kind::emptied:
        cite_edge(failure_.index, now);
        expand(failure_.because, failure_.why, now);
        break;
    case failure_kind::island:
        cite_island(failure_.index, now);
        break;
    case failure_kind::split:
        // Every edge leaving the sealed side can no longer carry a bridge.
        for (std::int32_t u : *sealed_side_)
            for (int s = 0; s < 4; ++s) {
                const std::int32_t e = incident_[4 * u + s];
                if (e != no_edge && (dom_[e] & some_bridge) == 0) cite_edge(e, now);
            }
        break;
    case failure_kind::leaf:
        for (int level = 1; level <= level_; ++level) cite_level(level);
        break;
    }
    while (!work_.empty()) {
        const std::int32_t t = work_.back();
        work_.pop_back();
        expand(trail_[t].because, trail_[t].why, static_cast<std::size_t>(t));
    }
}

void engine::expand(cause because, int why, std::size_t before) {
    switch (because) {
    case cause::decision:
        cite_level(why);
        break;
    case cause::flip:
        for (std::int32_t k = 1; k <= pool_[why]; ++k) cite_level(pool_[why + k]);
        break;
    case cause::island:
        cite_island(why, before);
        break;
    case cause::crossing:
        cite_edge(why, before);
        break;
    case cause::closing:
        for (std::int32_t k = 1; k <= pool_[why]; ++k) cite_island(pool_[why + k], before);
        break;
    case cause::none:
        break;
    }
}

// Cites the domain of e as it stood before trail position `before`.
void engine::cite_edge(int e, std::size_t before) {
    for (std::int32_t t = last_change_[e]; t != none; t = trail_[t].prev) {
        if (static_cast<std::size_t>(t) >= before) continue;
        if (entry_seen_[t] == analysis_) break;  // the older changes are cited too
        entry_seen_[t] = analysis_;
        if (trail_[t].level > 0) work_.push_back(t);
    }
}

void engine::cite_island(int v, std::size_t before) {
    for (int s = 0; s < 4; ++s)
        if (incident_[4 * v + s] != no_edge) cite_edge(incident_[4 * v + s], before);
}

void engine::cite_level(int level) {
    if (level_seen_[level] == analysis_) return;
    level_seen_[level] = analysis_;
    levels_->push_back(level);
}

bool engine::whole_graph_connected() const {
    if (n_ == 0) return false;
    std::vector<std::uint8_t> reached(n_, 0);
    std::vector<std::int32_t> todo{0};
    reached[0] = 1;
    int count = 1;
    while (!todo.empty()) {
        const int u = todo.back();
        todo.pop_back();
        for (int s = 0; s < 4; ++s) {
            const std::int32_t e = incident_[4 * u + s];
            if (e == no_edge) continue;
            const int w = end_a_[e] == u ? end_b_[e] : end_a_[e];
            if (reached[w]) continue;
            reached[w] = 1;
            ++count;
            todo.push_back(w);
        }
    }
    return count == n_;
}

int engine::run(std::uint64_t max_steps) {
    for (int v = 0; v < n_; ++v)
        if (weight_[v] < 0 || weight_[v] > max_weight) return 0;
    if (!whole_graph_connected()) return 0;
    for (int v = 0; v < n_; ++v) {
        queued_[v] = 1;
        island_queue_.push_back(v);
    }
    if (!propagate()) return 0;

    std::vector<choice> stack;
    std::vector<std::int32_t> conflict;
    std::uint64_t steps = 0;
    int next = 0;
    for (;;) {
        bool ok = true;
        while (next < m_ && single(dom_[next])) ++next;
        if (next == m_) {
            if (groups_ == 1) return 1;
            failure_ = {failure_kind::leaf, cause::none, 0, 0};
            ok = false;
        } else {
            if (max_steps != 0 && steps == max_steps) return -1;
            ++steps;
            const int value = lowest(dom_[next]);
            stack.push_back({next, value, trail_.size(), pool_.size()});
            level_ = static_cast<int>(stack.size());
            ok = restrict(next, static_cast<domain>(1u << value), cause::decision, level_) && propagate();
        }
        // The choices behind the contradiction are found; every branch below
        // the latest of them holds no solution, and its value is refuted
        // there, with the remaining choices as the reason.
        while (!ok) {
            analyse(conflict);
            if (conflict.empty()) return 0;
            const int latest = *std::max_element(conflict.begin(), conflict.end());
            stack.resize(latest);
            const choice c = stack.back();
            stack.pop_back();
            undo_to(c.mark);
            pool_.resize(c.pool_mark);
            level_ = static_cast<int>(stack.size());
            next = c.edge;
            const auto reason = static_cast<std::int32_t>(pool_.size());
            pool_.push_back(static_cast<std::int32_t>(conflict.size() - 1));
            for (std::int32_t level : conflict)
                if (level != latest) pool_.push_back(level);
            ok = restrict(c.edge, static_cast<domain>(~(1u << c.value)), cause::flip, reason) && propagate();
        }
    }
}

}  // namespace

int solve_fast(puzzle& p, const fast_limits& limits) {
    if (p.edge_list == nullptr) return p.component_count == 1 ? 1 : 0;
    engine search(p);
    const int result = search.run(limits.max_steps);
    if (result == 1) search.store(p);
    return result;
}

}  // namespace islands
