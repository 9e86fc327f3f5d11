#include "check.hpp"

#include <cstdio>
#include <map>
#include <numeric>
#include <tuple>
#include <vector>

#include "app/run.hpp"
#include "puzzle/builder.hpp"
#include "puzzle/reader.hpp"

namespace islands::fuzz {

namespace {

struct outcome {
    std::string out;
    run_result result;
};

outcome run_engine(std::vector<char>& bytes, engine use) {
    outcome o;
    // fmemopen reads NUL bytes like any other and accepts an empty buffer.
    std::FILE* in = fmemopen(bytes.data(), bytes.size(), "r");
    if (!in) {
        o.result.status = -1;
        return o;
    }
    o.result = run(in, o.out, run_options{use, max_steps});
    std::fclose(in);
    return o;
}

// The runtime value differs between runs; everything before it must not.
std::string without_runtime(const std::string& out) {
    const auto at = out.rfind("\nruntime: ");
    return at == std::string::npos ? out : out.substr(0, at);
}

// The messages and listing lines carry numbers; each is read back and
// written again, and must come out the same (no stray signs, zeros or
// spaces).
bool is_isolated_message(const std::string& text) {
    int x = 0, y = 0;
    if (std::sscanf(text.c_str(), "vertex (%d, %d) is isolated", &x, &y) != 2) return false;
    char again[64];
    std::snprintf(again, sizeof again, "vertex (%d, %d) is isolated", x, y);
    return text == again;
}

bool is_listing_line(const std::string& line) {
    int ax = 0, ay = 0, bx = 0, by = 0, n = 0;
    if (std::sscanf(line.c_str(), "(%d, %d) <-> (%d, %d): %d", &ax, &ay, &bx, &by, &n) != 5) return false;
    if (ax < 0 || ay < 0 || bx < 0 || by < 0 || n < 1 || n > 2) return false;
    char again[96];
    std::snprintf(again, sizeof again, "(%d, %d) <-> (%d, %d): %d", ax, ay, bx, by, n);
    return line == again;
}

bool ends_with_runtime(const std::string& out) {
    const auto at = out.rfind("\nruntime: ");
    if (at == std::string::npos) return false;
    const std::string value = out.substr(at + 10);
    if (value.size() < 3 || value.compare(value.size() - 2, 2, "s\n") != 0) return false;
    return value.find_first_not_of("0123456789.e+") == value.size() - 2;
}

std::string shape_error(const outcome& o) {
    if (o.result.status == 1) {
        if (o.result.gave_up) return "gave up on an input error";
        if (o.out == "Failed to read grid size\n" || o.out == "Failed to read weight\n" ||
            o.out == "Out of memory\n" || is_isolated_message(o.out))
            return {};
        return "unexpected error text";
    }
    if (o.result.status != 0) return "status other than 0 or 1";
    if (o.result.gave_up) return o.out.empty() ? std::string{} : "text written after giving up";
    if (!ends_with_runtime(o.out)) return "no runtime line at the end";

    const std::string body = without_runtime(o.out);
    if (body == "no solution found\n") return {};
    // A listing of at least one bridge, an empty line, then the picture.
    const auto split = body.find("\n\n");
    if (split == std::string::npos) return "no empty line after the listing";
    std::size_t start = 0;
    while (start <= split) {
        const auto end = body.find('\n', start);
        if (!is_listing_line(body.substr(start, end - start))) return "malformed listing line";
        start = end + 1;
    }
    const std::string picture = body.substr(split + 2);
    if (picture.empty() || picture.back() != '\n') return "picture does not end with a line break";
    const auto width = picture.find('\n');
    for (std::size_t row = 0; row < picture.size(); row += width + 1)
        if (picture.find('\n', row) != row + width) return "picture rows differ in width";
    if (picture.find_first_not_of(" +#123456789\n") != std::string::npos) return "unexpected picture glyph";
    return {};
}

// Checks a reported solution against the rules on a freshly built graph,
// so that a fault both engines share still shows.
std::string solution_error(std::vector<char>& bytes, const std::string& out) {
    if (out.rfind("no solution found\n", 0) == 0) return {};
    puzzle p;
    read_puzzle(p, std::string_view(bytes.data(), bytes.size()));
    link_neighbours(p);
    find_crossings(p);

    std::map<std::tuple<int, int, int, int>, edge*> by_ends;
    for (edge* e = p.edge_list; e; e = e->next) {
        e->bridges = 0;
        by_ends[{e->a->x, e->a->y, e->b->x, e->b->y}] = e;
    }
    std::vector<std::int64_t> ends(p.vertices.size(), 0);
    std::vector<std::size_t> group(p.vertices.size());
    std::iota(group.begin(), group.end(), std::size_t{0});
    auto root = [&](std::size_t v) {
        while (group[v] != v) v = group[v] = group[group[v]];
        return v;
    };
    std::size_t groups = group.size();

    for (std::size_t at = 0; out[at] == '(';) {
        int ax = 0, ay = 0, bx = 0, by = 0, n = 0;
        if (std::sscanf(out.c_str() + at, "(%d, %d) <-> (%d, %d): %d", &ax, &ay, &bx, &by, &n) != 5)
            return "unreadable listing line";
        const auto found = by_ends.find({ax, ay, bx, by});
        if (found == by_ends.end()) return "bridge between islands that are not neighbours";
        edge& e = *found->second;
        if (e.bridges != 0) return "pair listed twice";
        e.bridges = n;
        ends[static_cast<std::size_t>(e.a->index)] += n;
        ends[static_cast<std::size_t>(e.b->index)] += n;
        const auto ra = root(static_cast<std::size_t>(e.a->index));
        const auto rb = root(static_cast<std::size_t>(e.b->index));
        if (ra != rb) {
            group[ra] = rb;
            --groups;
        }
        at = out.find('\n', at) + 1;
    }
    for (const vertex& v : p.vertices)
        if (ends[static_cast<std::size_t>(v.index)] != v.weight) return "bridges do not add up to an island's weight";
    for (const edge& e : p.edges)
        for (const crossing* c = e.crossings; c; c = c->next)
            if (e.bridges != 0 && c->edge->bridges != 0) return "bridges cross";
    if (groups != 1) return "islands not all connected";
    return {};
}

}  // namespace

std::string check_input(const std::uint8_t* data, std::size_t size) {
    std::vector<char> bytes(data, data + size);
    const outcome literal = run_engine(bytes, engine::literal);
    const outcome fast = run_engine(bytes, engine::fast);

    if (auto e = shape_error(literal); !e.empty()) return "literal engine: " + e;
    if (auto e = shape_error(fast); !e.empty()) return "fast engine: " + e;
    for (const outcome* o : {&literal, &fast}) {
        if (o->result.status != 0 || o->result.gave_up) continue;
        if (auto e = solution_error(bytes, o->out); !e.empty())
            return (o == &literal ? "literal engine: " : "fast engine: ") + e;
    }
    // Input errors come before the search, so a run that gave up must have
    // got as far as the other one.
    if (literal.result.gave_up || fast.result.gave_up) {
        if (literal.result.status != 0 || fast.result.status != 0) return "one engine gave up, the other failed";
        return {};
    }
    if (literal.result.status != fast.result.status) return "engines exit with different statuses";
    if (without_runtime(literal.out) != without_runtime(fast.out)) return "engines write different text";
    return {};
}

}  // namespace islands::fuzz
