#include "search/flow.hpp"

#include <algorithm>
#include <cstddef>

namespace islands {

std::vector<std::uint8_t> two_sides(int n, const std::vector<std::int32_t>& end_a,
                                    const std::vector<std::int32_t>& end_b) {
    const auto edges = static_cast<std::int32_t>(end_a.size());
    std::vector<std::int32_t> start(static_cast<std::size_t>(n) + 1, 0), next(2 * end_a.size());
    for (std::int32_t e = 0; e < edges; ++e) {
        ++start[end_a[e] + 1];
        ++start[end_b[e] + 1];
    }
    for (int v = 0; v < n; ++v) start[v + 1] += start[v];
    std::vector<std::int32_t> fill(start.begin(), start.end() - 1);
    for (std::int32_t e = 0; e < edges; ++e) {
        next[fill[end_a[e]]++] = end_b[e];
        next[fill[end_b[e]]++] = end_a[e];
    }
    constexpr std::uint8_t unset = 2;
    std::vector<std::uint8_t> side(n, unset);
    std::vector<std::int32_t> queue;
    queue.reserve(n);
    for (int root = 0; root < n; ++root) {
        if (side[root] != unset) continue;
        side[root] = 0;
        queue.assign(1, root);
        for (std::size_t k = 0; k < queue.size(); ++k) {
            const std::int32_t u = queue[k];
            for (std::int32_t j = start[u]; j < start[u + 1]; ++j) {
                const std::int32_t w = next[j];
                if (side[w] == unset) {
                    side[w] = static_cast<std::uint8_t>(1 - side[u]);
                    queue.push_back(w);
                } else if (side[w] == side[u]) {
                    return {};
                }
            }
        }
    }
    return side;
}

// Dinic's maximum flow from the source through side 0, the edges and side
// 1 to the sink, with an explicit stack so that long paths cannot exhaust
// the call stack.
std::optional<std::vector<std::uint8_t>> balanced_counts(const std::vector<std::uint8_t>& side,
                                                         const std::vector<std::int32_t>& weight,
                                                         const std::vector<std::int32_t>& end_a,
                                                         const std::vector<std::int32_t>& end_b,
                                                         const std::vector<std::uint8_t>& low,
                                                         const std::vector<std::uint8_t>& high) {
    const auto n = static_cast<std::int32_t>(weight.size());
    const auto edges = static_cast<std::int32_t>(end_a.size());
    std::vector<std::int32_t> need(weight);
    for (std::int32_t e = 0; e < edges; ++e) {
        if (low[e] > high[e]) return std::nullopt;
        need[end_a[e]] -= low[e];
        need[end_b[e]] -= low[e];
    }
    std::int64_t give = 0, take = 0;
    for (std::int32_t v = 0; v < n; ++v) {
        if (need[v] < 0) return std::nullopt;
        (side[v] == 0 ? give : take) += need[v];
    }
    if (give != take) return std::nullopt;

    const std::int32_t source = n, sink = n + 1, nodes = n + 2;
    // Arcs in pairs (an arc and its reverse); arc 2e is edge e's forward arc.
    std::vector<std::int32_t> to, cap, head(nodes, -1), link;
    const auto add_arc = [&](std::int32_t u, std::int32_t w, std::int32_t c) {
        to.push_back(w);
        cap.push_back(c);
        link.push_back(head[u]);
        head[u] = static_cast<std::int32_t>(to.size()) - 1;
        to.push_back(u);
        cap.push_back(0);
        link.push_back(head[w]);
        head[w] = static_cast<std::int32_t>(to.size()) - 1;
    };
    for (std::int32_t e = 0; e < edges; ++e) {
        const bool a_first = side[end_a[e]] == 0;
        add_arc(a_first ? end_a[e] : end_b[e], a_first ? end_b[e] : end_a[e], high[e] - low[e]);
    }
    for (std::int32_t v = 0; v < n; ++v) {
        if (need[v] == 0) continue;
        if (side[v] == 0)
            add_arc(source, v, need[v]);
        else
            add_arc(v, sink, need[v]);
    }

    std::vector<std::int32_t> level(nodes), arc_at(nodes), queue, path;
    queue.reserve(nodes);
    std::int64_t sent = 0;
    for (;;) {
        std::fill(level.begin(), level.end(), -1);
        level[source] = 0;
        queue.assign(1, source);
        for (std::size_t k = 0; k < queue.size(); ++k) {
            const std::int32_t u = queue[k];
            for (std::int32_t a = head[u]; a != -1; a = link[a])
                if (cap[a] > 0 && level[to[a]] < 0) {
                    level[to[a]] = level[u] + 1;
                    queue.push_back(to[a]);
                }
        }
        if (level[sink] < 0) break;
        arc_at = head;
        path.clear();
        std::int32_t u = source;
        for (;;) {
            if (u == sink) {
                std::int32_t least = cap[path[0]];
                for (std::int32_t a : path) least = std::min(least, cap[a]);
                std::size_t cut = path.size();
                for (std::size_t k = 0; k < path.size(); ++k) {
                    cap[path[k]] -= least;
                    cap[path[k] ^ 1] += least;
                    if (cap[path[k]] == 0 && cut == path.size()) cut = k;
                }
                sent += least;
                path.resize(cut);
                u = path.empty() ? source : to[path.back()];
                continue;
            }
            std::int32_t& a = arc_at[u];
            while (a != -1 && (cap[a] == 0 || level[to[a]] != level[u] + 1)) a = link[a];
            if (a != -1) {
                path.push_back(a);
                u = to[a];
                continue;
            }
            level[u] = -1;  // nothing more gets through here this round
            if (path.empty()) break;
            path.pop_back();
            u = path.empty() ? source : to[path.back()];
            arc_at[u] = link[arc_at[u]];
        }
    }
    if (sent != give) return std::nullopt;
    std::vector<std::uint8_t> count(edges);
    for (std::int32_t e = 0; e < edges; ++e)
        count[e] = static_cast<std::uint8_t>(high[e] - cap[2 * static_cast<std::size_t>(e)]);
    return count;
}

}  // namespace islands
