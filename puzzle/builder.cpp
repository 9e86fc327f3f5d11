#include "puzzle/builder.hpp"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace islands {

void link_neighbours(puzzle& p) {
    // Vertices are in reading order, so a vertex's right neighbour is the
    // next vertex when it shares the row, and its down neighbour is the next
    // vertex seen in its column. One pass finds both.
    std::vector<vertex*> down(p.vertices.size(), nullptr);
    std::vector<vertex*> last_in_column;
    for (vertex* v = p.vertex_list; v; v = v->next) {
        const auto column = static_cast<std::size_t>(v->x);
        if (column >= last_in_column.size()) last_in_column.resize(column + 1, nullptr);
        if (vertex* above = last_in_column[column]) down[static_cast<std::size_t>(above->index)] = v;
        last_in_column[column] = v;
    }
    for (vertex* v = p.vertex_list; v; v = v->next) {
        if (v->next && v->next->y == v->y) add_edge(p, *v, *v->next);
        if (vertex* u = down[static_cast<std::size_t>(v->index)]) add_edge(p, *v, *u);
    }
}

void find_crossings(puzzle& p) {
    // Two edges cross only where a horizontal and a vertical edge pass over
    // the same empty cell, and each empty cell lies under at most one edge
    // of each direction. Sweep the horizontal edges row by row and look up,
    // in every column they pass, the vertical edge that spans their row.
    std::size_t columns = 0;
    for (const vertex* v = p.vertex_list; v; v = v->next)
        columns = std::max(columns, static_cast<std::size_t>(v->x) + 1);

    std::vector<std::size_t> start(columns + 1, 0);
    for (const edge* e = p.edge_list; e; e = e->next)
        if (e->a->x == e->b->x) ++start[static_cast<std::size_t>(e->a->x) + 1];
    for (std::size_t c = 0; c < columns; ++c) start[c + 1] += start[c];
    // The rows each vertical edge spans sit beside it, so the sweep below
    // reads them in order instead of following pointers to the islands.
    std::vector<edge*> vertical(start[columns]);
    std::vector<std::int32_t> top(start[columns]), bottom(start[columns]);
    {
        std::vector<std::size_t> fill(start.begin(), start.end() - 1);
        // Within a column, vertical edges arrive top to bottom.
        for (edge* e = p.edge_list; e; e = e->next)
            if (e->a->x == e->b->x) {
                const std::size_t k = fill[static_cast<std::size_t>(e->a->x)]++;
                vertical[k] = e;
                top[k] = e->a->y;
                bottom[k] = e->b->y;
            }
    }

    struct crossing_pair {
        std::int32_t earlier;  // the smaller edge index
        std::int32_t later;    // the larger one
        edge* later_edge;
    };
    std::vector<std::size_t> cursor(start.begin(), start.end() - 1);
    std::vector<crossing_pair> pairs;
    for (edge* h = p.edge_list; h; h = h->next) {
        if (h->a->y != h->b->y) continue;
        const std::int32_t row = h->a->y;
        for (std::int32_t x = h->a->x + 1; x < h->b->x; ++x) {
            const auto c = static_cast<std::size_t>(x);
            std::size_t& k = cursor[c];
            while (k < start[c + 1] && bottom[k] <= row) ++k;
            if (k == start[c + 1] || top[k] >= row) continue;
            edge* v = vertical[k];
            if (h->index < v->index)
                pairs.push_back({h->index, v->index, v});
            else
                pairs.push_back({v->index, h->index, h});
        }
    }

    // Order by (earlier, later): a counting pass by the earlier edge, then
    // each edge's few crossings by the later one.
    const std::size_t edges = p.edges.size();  // every index lies below it
    std::vector<std::size_t> first(edges + 1, 0);
    for (const crossing_pair& c : pairs) ++first[static_cast<std::size_t>(c.earlier) + 1];
    for (std::size_t k = 0; k < edges; ++k) first[k + 1] += first[k];
    {
        std::vector<crossing_pair> ordered(pairs.size());
        std::vector<std::size_t> fill(first.begin(), first.end() - 1);
        for (const crossing_pair& c : pairs) ordered[fill[static_cast<std::size_t>(c.earlier)]++] = c;
        pairs.swap(ordered);
    }
    for (std::size_t k = 0; k < edges; ++k)
        if (first[k + 1] - first[k] > 1)
            std::sort(pairs.begin() + static_cast<std::ptrdiff_t>(first[k]),
                      pairs.begin() + static_cast<std::ptrdiff_t>(first[k + 1]),
                      [](const crossing_pair& l, const crossing_pair& r) { return l.later < r.later; });
    std::size_t i = 0;
    for (edge* e = p.edge_list; e && i < pairs.size(); e = e->next) {
        crossing** tail = &e->crossings;
        for (; i < pairs.size() && pairs[i].earlier == e->index; ++i) {
            crossing& c = p.crossing_pool.emplace_back();
            c.next = nullptr;
            c.edge = pairs[i].later_edge;
            *tail = &c;
            tail = &c.next;
        }
    }
}

void check_isolated(const puzzle& p) {
    for (const vertex* v = p.vertex_list; v; v = v->next) {
        if (v->open == 0) {
            char message[64];
            std::snprintf(message, sizeof message, "vertex (%d, %d) is isolated", v->x, v->y);
            throw input_error(message);
        }
    }
}

}  // namespace islands
