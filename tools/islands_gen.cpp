// islands-gen: writes a random solvable (or deliberately broken) puzzle.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "tools/generator.hpp"

namespace {

const char usage[] =
    "usage: islands-gen [options] WIDTH HEIGHT\n"
    "\n"
    "Grows a random connected bridge network on a WIDTH x HEIGHT grid and\n"
    "writes the puzzle it solves (\"W H\", then one line of weights per row).\n"
    "The same options and seed always give the same puzzle.\n"
    "\n"
    "options:\n"
    "  --seed N          seed of the random generator (default 1)\n"
    "  --density D       islands wanted per cell, in (0, 1] (default 0.25);\n"
    "                    growth stops early when the grid is full\n"
    "  --doubles S       share of double bridges, in [0, 1] (default 0.3)\n"
    "  --loops S         chance that a bridge reaching an island joins it,\n"
    "                    making cycles, in [0, 1] (default 0.3)\n"
    "  --max-span N      longest bridge in cells (default from the density)\n"
    "  --adjacent        allow touching islands joined by length-1 bridges\n"
    "  --unsolvable      move one weight by 1: the total becomes odd, and\n"
    "                    since every bridge adds 2 there is no solution\n"
    "  --shift           move one weight by 2 (may or may not stay solvable)\n"
    "  -o, --output FILE write the puzzle to FILE instead of standard output\n"
    "  --planted FILE    also write the planted bridges, one per line\n"
    "  --help            show this text\n";

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "islands-gen: %s\n%s", message.c_str(), "try 'islands-gen --help'\n");
    std::exit(2);
}

long long parse_int(const char* s, const char* what) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s, &end, 10);
    if (errno != 0 || end == s || *end != '\0') fail(std::string("bad ") + what + ": " + s);
    return v;
}

double parse_real(const char* s, const char* what) {
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(s, &end);
    if (errno != 0 || end == s || *end != '\0') fail(std::string("bad ") + what + ": " + s);
    return v;
}

bool write_file(const std::string& path, const std::string& text) {
    std::FILE* f = path == "-" ? stdout : std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return (f == stdout ? std::fflush(f) == 0 : std::fclose(f) == 0) && ok;
}

}  // namespace

int main(int argc, char** argv) {
    islands::generator_options o;
    std::string output = "-";
    std::string planted;
    int sizes = 0;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) fail(std::string("missing value for ") + name);
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return 0;
        } else if (arg == "--seed") {
            const char* s = value("--seed");
            char* end = nullptr;
            errno = 0;
            o.seed = std::strtoull(s, &end, 10);
            if (errno != 0 || end == s || *end != '\0' || *s == '-') fail(std::string("bad seed: ") + s);
        } else if (arg == "--density") {
            o.density = parse_real(value("--density"), "density");
        } else if (arg == "--doubles") {
            o.doubles = parse_real(value("--doubles"), "share of doubles");
        } else if (arg == "--loops") {
            o.loops = parse_real(value("--loops"), "share of loops");
        } else if (arg == "--max-span") {
            const long long v = parse_int(value("--max-span"), "max span");
            if (v < 1 || v > 1000000000) fail("max span must be between 1 and 1000000000");
            o.max_span = static_cast<std::int32_t>(v);
        } else if (arg == "--adjacent") {
            o.adjacent = true;
        } else if (arg == "--unsolvable") {
            o.tamper = islands::tamper_kind::odd_total;
        } else if (arg == "--shift") {
            o.tamper = islands::tamper_kind::shift_two;
        } else if (arg == "-o" || arg == "--output") {
            output = value("--output");
        } else if (arg == "--planted") {
            planted = value("--planted");
        } else if (!arg.empty() && arg[0] == '-') {
            fail("unknown option " + arg);
        } else {
            const long long v = parse_int(arg.c_str(), sizes == 0 ? "width" : "height");
            if (v < 1 || v > 100000000) fail("width and height must be between 1 and 100000000");
            if (sizes == 0)
                o.width = static_cast<std::int32_t>(v);
            else if (sizes == 1)
                o.height = static_cast<std::int32_t>(v);
            else
                fail("too many arguments");
            ++sizes;
        }
    }
    if (sizes != 2) fail("WIDTH and HEIGHT are required");

    islands::generated_puzzle g;
    try {
        g = islands::generate(o);
    } catch (const std::exception& e) {
        fail(e.what());
    }
    if (!write_file(output, islands::format_puzzle(g))) fail("cannot write " + output);
    if (!planted.empty() && !write_file(planted, islands::format_bridges(g))) fail("cannot write " + planted);
    return 0;
}
