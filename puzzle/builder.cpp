#include "puzzle/builder.hpp"

#include <algorithm>
#include <cstdio>
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
    //
    // Edges come in the reading order of their first island, so a vertical
    // edge, whose upper island lies above every row it is crossed in, comes
    // before the horizontal edges that cross it, and the sweep meets those
    // in list order: a crossing only needs appending to the vertical edge's
    // list, with no pairs to collect and sort.
    std::size_t columns = 0;
    for (const vertex* v = p.vertex_list; v; v = v->next)
        columns = std::max(columns, static_cast<std::size_t>(v->x) + 1);

    std::vector<std::size_t> start(columns + 1, 0);
    for (const edge* e = p.edge_list; e; e = e->next)
        if (e->a->x == e->b->x) ++start[static_cast<std::size_t>(e->a->x) + 1];
    for (std::size_t c = 0; c < columns; ++c) start[c + 1] += start[c];
    const std::size_t verticals = start[columns];
    // The rows each vertical edge spans sit beside the end of its list, so
    // the sweep reads them in order instead of following pointers.
    std::vector<crossing**> tail(verticals);
    std::vector<std::int32_t> top(verticals), bottom(verticals);
    std::vector<std::size_t> in_list_order(verticals);
    {
        std::vector<std::size_t> fill(start.begin(), start.end() - 1);
        // Within a column, vertical edges arrive top to bottom.
        std::size_t j = 0;
        for (edge* e = p.edge_list; e; e = e->next)
            if (e->a->x == e->b->x) {
                const std::size_t k = fill[static_cast<std::size_t>(e->a->x)]++;
                tail[k] = &e->crossings;
                top[k] = e->a->y;
                bottom[k] = e->b->y;
                in_list_order[j++] = k;
            }
    }

    // Calls found(k, h) for each crossing of vertical edge k and horizontal edge h.
    const auto sweep = [&](auto&& found) {
        std::vector<std::size_t> cursor(start.begin(), start.end() - 1);
        for (edge* h = p.edge_list; h; h = h->next) {
            if (h->a->y != h->b->y) continue;
            const std::int32_t row = h->a->y;
            for (std::int32_t x = h->a->x + 1; x < h->b->x; ++x) {
                const auto c = static_cast<std::size_t>(x);
                std::size_t& k = cursor[c];
                while (k < start[c + 1] && bottom[k] <= row) ++k;
                if (k == start[c + 1] || top[k] >= row) continue;
                found(k, h);
            }
        }
    };
    // Each list's records lie together, in list order, as whoever walks
    // the lists in order reads them: a second sweep costs less than the
    // cache misses of records left in the order the sweep meets them.
    std::vector<std::size_t> at(verticals, 0);
    sweep([&](std::size_t k, edge*) { ++at[k]; });
    std::size_t next = p.crossing_pool.size();
    for (const std::size_t k : in_list_order) {
        const std::size_t count = at[k];
        at[k] = next;
        next += count;
    }
    p.crossing_pool.resize(next);
    sweep([&](std::size_t k, edge* h) {
        crossing& added = p.crossing_pool[at[k]++];
        added.next = nullptr;
        added.edge = h;
        *tail[k] = &added;
        tail[k] = &added.next;
    });
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
