#include "app/report.hpp"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace islands {

namespace {

char* put_number(char* at, char* end, std::int32_t n) { return std::to_chars(at, end, n).ptr; }

char* put_text(char* at, std::string_view text) {
    std::memcpy(at, text.data(), text.size());
    return at + text.size();
}

}  // namespace

void print_solution(const puzzle& p, std::string& out) {
    // Each line is built in place and appended at once: an append per
    // number and separator cost twice the instructions.
    char line[96];  // five numbers of at most 11 characters and 16 others
    char* const end = line + sizeof line;
    for (const edge* e = p.edge_list; e; e = e->next) {
        if (e->bridges == 0) continue;
        char* at = put_text(line, "(");
        at = put_number(at, end, e->a->x);
        at = put_text(at, ", ");
        at = put_number(at, end, e->a->y);
        at = put_text(at, ") <-> (");
        at = put_number(at, end, e->b->x);
        at = put_text(at, ", ");
        at = put_number(at, end, e->b->y);
        at = put_text(at, "): ");
        at = put_number(at, end, e->bridges);
        at = put_text(at, "\n");
        out.append(line, static_cast<std::size_t>(at - line));
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
