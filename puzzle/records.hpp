// The in-memory model of one puzzle: islands, candidate edges, crossings and
// the connectivity chains the search keeps inside the islands.
#pragma once

#include <cstdint>
#include <deque>
#include <stdexcept>
#include <string>

namespace islands {

// One link of a connectivity chain. Every link of a chain points at the
// chain's first link, so a same-component test is one pointer comparison.
struct component_link {
    component_link* head;
    component_link* next;
};

struct vertex {
    vertex* next;
    struct component_link component_link;
    std::int32_t x;
    std::int32_t y;
    std::int32_t weight;  // bridge ends still needed
    std::int32_t open;    // incident edges neither decided nor blocked
    std::int32_t index;   // position in vertex_list, for engines that keep arrays
};

struct crossing;

struct edge {
    edge* next;
    vertex* a;  // left or upper island
    vertex* b;  // right or lower island
    crossing* crossings;
    std::int32_t bridges;
    std::int32_t blocked;  // crossing edges that currently carry bridges
    std::int32_t index;    // position in edge_list
};

struct crossing {
    crossing* next;
    struct edge* edge;  // a later edge that crosses the owner
};

// Owns every record of one puzzle. Records live in deques so that they never
// move once created: the lists and chains hold raw pointers into them.
struct puzzle {
    vertex* vertex_list = nullptr;
    edge* edge_list = nullptr;
    int component_count = 0;

    std::int32_t width = 0;
    std::int32_t height = 0;

    std::deque<vertex> vertices;
    std::deque<edge> edges;
    std::deque<crossing> crossing_pool;

    vertex** vertex_tail = &vertex_list;
    edge** edge_tail = &edge_list;

    puzzle() = default;
    puzzle(const puzzle&) = delete;
    puzzle& operator=(const puzzle&) = delete;
    puzzle(puzzle&&) = delete;
    puzzle& operator=(puzzle&&) = delete;
};

// An input failure. `what()` is the exact text the driver writes before it
// exits with status 1, line break included where there is one.
struct input_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Creates an island and appends it to vertex_list as its own one-link chain.
inline vertex& add_vertex(puzzle& p, std::int32_t x, std::int32_t y, std::int32_t weight) {
    vertex& v = p.vertices.emplace_back();
    v.next = nullptr;
    v.component_link.head = &v.component_link;
    v.component_link.next = nullptr;
    v.x = x;
    v.y = y;
    v.weight = weight;
    v.open = 0;
    v.index = static_cast<std::int32_t>(p.vertices.size() - 1);
    *p.vertex_tail = &v;
    p.vertex_tail = &v.next;
    ++p.component_count;
    return v;
}

// Creates the edge (a, b), counts it as open on both ends and appends it.
inline edge& add_edge(puzzle& p, vertex& a, vertex& b) {
    edge& e = p.edges.emplace_back();
    e.next = nullptr;
    e.a = &a;
    e.b = &b;
    e.crossings = nullptr;
    e.bridges = 0;
    e.blocked = 0;
    e.index = static_cast<std::int32_t>(p.edges.size() - 1);
    ++a.open;
    ++b.open;
    *p.edge_tail = &e;
    p.edge_tail = &e.next;
    return e;
}

}  // namespace islands
