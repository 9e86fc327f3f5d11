#include "app/report.hpp"

#include <charconv>
#include <cstdint>
#include <cstdio>

namespace islands {

namespace {

void append_number(std::string& out, std::int32_t n) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    out.append(digits, end);
}

}  // namespace

void print_solution(const puzzle& p, std::string& out) {
    for (const edge* e = p.edge_list; e; e = e->next) {
        if (e->bridges == 0) continue;
        out += '(';
        append_number(out, e->a->x);
        out += ", ";
        append_number(out, e->a->y);
        out += ") <-> (";
        append_number(out, e->b->x);
        out += ", ";
        append_number(out, e->b->y);
        out += "): ";
        append_number(out, e->bridges);
        out += '\n';
    }
}

void run_report(run_clock::time_point start, std::string& out) {
    // The tick is one millisecond, so a run shorter than that shows 0.
    const std::int64_t ticks =
        std::chrono::duration_cast<std::chrono::milliseconds>(run_clock::now() - start).count();
    char line[64];
    const int n = std::snprintf(line, sizeof line, "\nruntime: %gs\n", static_cast<double>(ticks) / 1000.0);
    out.append(line, static_cast<std::size_t>(n));
}

}  // namespace islands
