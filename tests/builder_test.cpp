#include "puzzle/builder.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "support.hpp"

namespace islands {
namespace {

using testing::build;
using testing::grid;

using segment = std::tuple<int, int, int, int>;  // a.x, a.y, b.x, b.y

segment ends(const edge& e) { return {e.a->x, e.a->y, e.b->x, e.b->y}; }

std::vector<segment> edges_of(const puzzle& p) {
    std::vector<segment> out;
    for (const edge* e = p.edge_list; e; e = e->next) out.push_back(ends(*e));
    return out;
}

// The neighbour and crossing rules written out directly, with their
// quadratic scans, to check the linear builder against.
struct direct_graph {
    std::vector<segment> edges;
    std::vector<std::vector<int>> crossings;  // later edge indexes per edge
    std::vector<int> open;
};

direct_graph direct(const puzzle& p) {
    std::vector<const vertex*> vs;
    for (const vertex* v = p.vertex_list; v; v = v->next) vs.push_back(v);
    direct_graph g;
    g.open.assign(vs.size(), 0);
    std::vector<std::pair<int, int>> pairs;
    for (std::size_t i = 0; i < vs.size(); ++i) {
        for (int direction = 0; direction < 2; ++direction) {
            int best = -1;
            for (std::size_t j = 0; j < vs.size(); ++j) {
                const bool right = vs[j]->y == vs[i]->y && vs[j]->x > vs[i]->x;
                const bool down = vs[j]->x == vs[i]->x && vs[j]->y > vs[i]->y;
                if (direction == 0 ? !right : !down) continue;
                if (best < 0 || (direction == 0 ? vs[j]->x < vs[best]->x : vs[j]->y < vs[best]->y))
                    best = static_cast<int>(j);
            }
            if (best < 0) continue;
            pairs.emplace_back(static_cast<int>(i), best);
            g.edges.emplace_back(vs[i]->x, vs[i]->y, vs[best]->x, vs[best]->y);
            ++g.open[i];
            ++g.open[static_cast<std::size_t>(best)];
        }
    }
    g.crossings.resize(g.edges.size());
    for (std::size_t e = 0; e < g.edges.size(); ++e) {
        const auto [eax, eay, ebx, eby] = g.edges[e];
        for (std::size_t f = e; f < g.edges.size(); ++f) {
            const auto [fax, fay, fbx, fby] = g.edges[f];
            if (eax < fbx && eay < fby && ebx > fax && eby > fay) g.crossings[e].push_back(static_cast<int>(f));
        }
    }
    return g;
}

TEST(builder, plus_shape_edge_order) {
    const auto p = build(grid({{0, 1, 0}, {1, 4, 1}, {0, 1, 0}}));
    EXPECT_EQ(edges_of(*p), (std::vector<segment>{{1, 0, 1, 1}, {0, 1, 1, 1}, {1, 1, 2, 1}, {1, 1, 1, 2}}));
    std::vector<int> open;
    for (const vertex* v = p->vertex_list; v; v = v->next) open.push_back(v->open);
    EXPECT_EQ(open, (std::vector<int>{1, 1, 4, 1, 1}));
    for (const edge* e = p->edge_list; e; e = e->next) EXPECT_EQ(e->crossings, nullptr);
}

TEST(builder, crossing_recorded_once_on_earlier_edge) {
    const auto p = build(grid({{0, 1, 0}, {1, 0, 1}, {0, 1, 0}}));
    ASSERT_EQ(edges_of(*p), (std::vector<segment>{{1, 0, 1, 2}, {0, 1, 2, 1}}));
    const edge* first = p->edge_list;
    ASSERT_NE(first->crossings, nullptr);
    EXPECT_EQ(first->crossings->edge, first->next);
    EXPECT_EQ(first->crossings->next, nullptr);
    EXPECT_EQ(first->next->crossings, nullptr);
}

TEST(builder, touching_and_parallel_edges_never_cross) {
    // A ring of four edges meeting at corners, and two parallel rows.
    for (const auto& rows : {std::vector<std::vector<int>>{{2, 0, 2}, {0, 0, 0}, {2, 0, 2}},
                             std::vector<std::vector<int>>{{1, 0, 1}, {1, 0, 1}},
                             std::vector<std::vector<int>>{{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}}) {
        const auto p = build(grid(rows));
        for (const edge* e = p->edge_list; e; e = e->next) EXPECT_EQ(e->crossings, nullptr);
    }
}

TEST(builder, isolated_island_named_first_in_reading_order) {
    struct isolated_case {
        std::vector<std::vector<int>> rows;
        std::string message;
    };
    const std::vector<isolated_case> cases = {
        {{{3}}, "vertex (0, 0) is isolated"},
        {{{0, 0, 0}, {0, 0, 0}, {0, 0, 5}}, "vertex (2, 2) is isolated"},
        {{{1, 1, 0}, {0, 0, 0}, {0, 0, 1}}, "vertex (2, 2) is isolated"},
        {{{0, 1, 0}, {1, 0, 1}, {0, 1, 0}}, ""},
        {{{0, 2}, {1, 0}}, "vertex (1, 0) is isolated"},
        {{{0, 0}, {0, 0}}, ""},
    };
    for (const auto& c : cases) {
        const auto p = build(grid(c.rows));
        std::string message;
        try {
            check_isolated(*p);
        } catch (const input_error& e) {
            message = e.what();
        }
        EXPECT_EQ(message, c.message) << grid(c.rows);
    }
}

TEST(builder, matches_direct_rules_on_random_puzzles) {
    std::mt19937 rng(20261208);
    for (int round = 0; round < 2000; ++round) {
        const int width = 1 + static_cast<int>(rng() % 12);
        const int height = 1 + static_cast<int>(rng() % 12);
        const unsigned density = 1 + rng() % 9;
        std::vector<std::vector<int>> rows(static_cast<std::size_t>(height), std::vector<int>(static_cast<std::size_t>(width)));
        for (auto& row : rows)
            for (int& cell : row) cell = rng() % 10 < density ? 1 + static_cast<int>(rng() % 8) : 0;
        const std::string text = grid(rows);
        const auto p = build(text);
        const direct_graph expected = direct(*p);
        ASSERT_EQ(edges_of(*p), expected.edges) << text;
        for (const edge* e = p->edge_list; e; e = e->next) {
            std::vector<int> listed;
            for (const crossing* c = e->crossings; c; c = c->next) listed.push_back(c->edge->index);
            ASSERT_EQ(listed, expected.crossings[static_cast<std::size_t>(e->index)]) << text;
        }
        int i = 0;
        for (const vertex* v = p->vertex_list; v; v = v->next, ++i)
            ASSERT_EQ(v->open, expected.open[static_cast<std::size_t>(i)]) << text;
    }
}

}  // namespace
}  // namespace islands
