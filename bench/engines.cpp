// Engine comparison: the literal and the fast engine side by side on the
// published puzzles (when their folder exists) and on generated ones, each
// answer checked against the other. Prints per-size medians, maxima and
// the speed ratio; exits 1 if the engines ever disagree.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/support.hpp"
#include "puzzle/records.hpp"
#include "tools/generator.hpp"

namespace islands::bench {
namespace {

struct options {
    std::string published = ISLANDS_PUBLISHED_DIR;
    bool run_published = true;
    bool run_generated = true;
    int every = 1;  // take every k-th published puzzle
    std::vector<grid_size> sizes = {{10, 10}, {20, 20}, {30, 30}, {50, 50}, {100, 100}, {150, 150}, {200, 200}};
    int seeds = 5;
    double density = 0.25;
    double limit = 2.0;        // literal engine
    double fast_limit = 10.0;  // a guard only: the fast engine should never need it
    bool verbose = false;
};

const char usage[] =
    "usage: islands-bench-engines [options]\n"
    "  --published DIR   folder of published puzzles (*.in); skipped when absent\n"
    "  --no-published    skip the published puzzles\n"
    "  --no-generated    skip the generated puzzles\n"
    "  --every K         take only every K-th published puzzle (default 1)\n"
    "  --sizes LIST      generated sizes, N or WxH (default 10,20,30,50,100,150,200)\n"
    "  --seeds N         generated puzzles per size (default 5)\n"
    "  --density D       islands per cell asked of the generator (default 0.25)\n"
    "  --limit S         seconds after which the literal search is capped (default 2)\n"
    "  --fast-limit S    the same for the fast engine (default 10)\n"
    "  --quick           --every 5 --seeds 2 --sizes 10,20,50,100 --limit 0.5\n"
    "  --verbose         one line per puzzle\n";

struct puzzle_case {
    std::string group;  // rows of the table: one per size
    long area = 0;      // orders the rows
    std::string name;
    std::string text;
};

struct case_result {
    search_outcome literal, fast;
    double literal_time = 0.0;  // median of repeated runs when quick enough to repeat
    double fast_time = 0.0;
    bool compared = false;
    bool agree = true;
};

// Times under this are repeated and their median taken, so that ratios of
// microsecond searches are not clock noise.
constexpr double repeat_below = 0.05;

double timed(const std::string& text, engine_kind which, const search_outcome& s) {
    if (s.result < 0 || s.seconds >= repeat_below) return s.seconds;
    return repeat_search(text, which, 5, 0.02);
}

case_result compare(const puzzle_case& c, const options& o) {
    case_result r;
    r.literal = search_within(c.text, engine_kind::literal, o.limit);
    r.fast = search_within(c.text, engine_kind::fast, o.fast_limit);
    r.literal_time = timed(c.text, engine_kind::literal, r.literal);
    r.fast_time = timed(c.text, engine_kind::fast, r.fast);
    if (r.literal.result >= 0 && r.fast.result >= 0) {
        r.compared = true;
        r.agree = r.literal.result == r.fast.result && r.literal.bridges == r.fast.bridges;
    }
    return r;
}

std::vector<puzzle_case> published_cases(const options& o) {
    namespace fs = std::filesystem;
    std::vector<puzzle_case> out;
    std::error_code error;
    if (!fs::is_directory(o.published, error)) {
        std::printf("published puzzles: %s not found, skipped\n", o.published.c_str());
        return out;
    }
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(o.published))
        if (entry.path().extension() == ".in") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (std::size_t i = 0; i < files.size(); i += static_cast<std::size_t>(o.every)) {
        std::ifstream in(files[i], std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        puzzle_case c;
        c.name = files[i].filename().string();
        c.text = text.str();
        long w = 0, h = 0;
        std::istringstream(c.text) >> w >> h;
        c.group = "pub " + std::to_string(w) + "x" + std::to_string(h);
        c.area = w * h;
        out.push_back(std::move(c));
    }
    return out;
}

std::vector<puzzle_case> generated_cases(const options& o) {
    std::vector<puzzle_case> out;
    for (const grid_size size : o.sizes) {
        for (int seed = 1; seed <= o.seeds; ++seed) {
            generator_options g;
            g.width = size.width;
            g.height = size.height;
            g.density = o.density;
            g.seed = static_cast<std::uint64_t>(seed);
            puzzle_case c;
            c.group = "gen " + size.label();
            c.area = static_cast<long>(size.width) * size.height;
            c.name = c.group + " seed " + std::to_string(seed);
            c.text = generate_puzzle(g);
            out.push_back(std::move(c));
        }
    }
    return out;
}

// A capped time is a lower bound; the table marks it with '>'.
std::string time_cell(double seconds, bool capped) {
    std::string cell = capped ? ">" : "";
    cell += format_time(seconds);
    return cell;
}

std::string ratio_cell(double ratio, bool lower_bound) {
    char text[32];
    std::snprintf(text, sizeof text, ratio >= 100.0 ? "%s%.0fx" : "%s%.3gx", lower_bound ? ">" : "", ratio);
    return text;
}

struct group_summary {
    std::vector<double> literal, fast;
    bool literal_capped_max = false, fast_capped_max = false;
    int literal_capped = 0, fast_capped = 0, disagree = 0;
    // The smallest per-puzzle ratio among puzzles the literal search needs
    // more than 0.1 s for; a lower bound when that literal run was capped.
    double min_ratio = 0.0;
    bool min_ratio_bound = false;
    bool has_min_ratio = false;
    double literal_max = 0.0, fast_max = 0.0;

    void add(const case_result& r) {
        const bool lc = r.literal.result < 0, fc = r.fast.result < 0;
        literal.push_back(r.literal_time);
        fast.push_back(r.fast_time);
        literal_capped += lc;
        fast_capped += fc;
        disagree += r.compared && !r.agree;
        if (r.literal_time >= literal_max) {
            literal_capped_max = lc || (r.literal_time == literal_max && literal_capped_max);
            literal_max = r.literal_time;
        }
        if (r.fast_time >= fast_max) {
            fast_capped_max = fc || (r.fast_time == fast_max && fast_capped_max);
            fast_max = r.fast_time;
        }
        if (r.literal_time > 0.1 && !fc) {
            const double ratio = r.literal_time / std::max(r.fast_time, 1e-9);
            if (!has_min_ratio || ratio < min_ratio) {
                min_ratio = ratio;
                min_ratio_bound = lc;
                has_min_ratio = true;
            }
        }
    }
};

void print_header() {
    std::printf("%-14s %4s %10s %10s %10s %10s %10s %11s %7s %7s %8s\n", "set", "n", "lit med", "lit max",
                "fast med", "fast max", "med ratio", "min ratio*", "lit cap", "fst cap", "disagree");
}

void print_row(const std::string& label, const group_summary& g) {
    const double lm = median(g.literal), fm = median(g.fast);
    // The median is a lower bound as soon as half the runs were capped.
    const bool lm_bound = 2 * g.literal_capped >= static_cast<int>(g.literal.size());
    const bool fm_bound = 2 * g.fast_capped >= static_cast<int>(g.fast.size());
    std::printf("%-14s %4zu %10s %10s %10s %10s %10s %11s %7d %7d %8d\n", label.c_str(), g.literal.size(),
                time_cell(lm, lm_bound).c_str(), time_cell(g.literal_max, g.literal_capped_max).c_str(),
                time_cell(fm, fm_bound).c_str(), time_cell(g.fast_max, g.fast_capped_max).c_str(),
                fm_bound ? "-" : ratio_cell(lm / std::max(fm, 1e-9), lm_bound).c_str(),
                g.has_min_ratio ? ratio_cell(g.min_ratio, g.min_ratio_bound).c_str() : "-", g.literal_capped,
                g.fast_capped, g.disagree);
    std::fflush(stdout);
}

int run(const options& o) {
    std::vector<puzzle_case> cases;
    if (o.run_published) cases = published_cases(o);
    if (o.run_generated) {
        auto generated = generated_cases(o);
        cases.insert(cases.end(), std::make_move_iterator(generated.begin()),
                     std::make_move_iterator(generated.end()));
    }
    std::printf("literal capped at %gs, fast at %gs; times are search only\n", o.limit, o.fast_limit);

    // Rows in the order of first appearance within each set, by area.
    std::map<std::pair<std::string, long>, group_summary> groups;
    std::vector<std::pair<std::string, long>> order;
    group_summary all;
    int failures = 0;
    for (const puzzle_case& c : cases) {
        case_result r;
        try {
            r = compare(c, o);
        } catch (const std::exception& e) {
            std::printf("%s: %s\n", c.name.c_str(), e.what());
            ++failures;
            continue;
        }
        const std::pair<std::string, long> id{c.group, c.area};
        if (!groups.count(id)) order.push_back(id);
        groups[id].add(r);
        all.add(r);
        if (r.compared && !r.agree) {
            ++failures;
            std::printf("DISAGREE %s: literal %d, fast %d\n", c.name.c_str(), r.literal.result, r.fast.result);
        }
        if (o.verbose)
            std::printf("  %-28s literal %-11s fast %-11s %s\n", c.name.c_str(),
                        time_cell(r.literal_time, r.literal.result < 0).c_str(),
                        time_cell(r.fast_time, r.fast.result < 0).c_str(),
                        r.compared ? (r.agree ? "same answer" : "DIFFERENT") : "not compared");
    }
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        if (a.first.substr(0, 3) != b.first.substr(0, 3)) return a.first.substr(0, 3) > b.first.substr(0, 3);
        return a.second < b.second;
    });

    if (all.literal.empty()) {
        std::printf("no puzzles to run\n");
        return 0;
    }
    std::printf("\n");
    print_header();
    for (const auto& id : order) print_row(id.first, groups[id]);
    print_row("all", all);
    std::printf("* smallest per-puzzle ratio among puzzles where the literal search needs over 0.1 s\n");
    std::printf("%zu puzzles, %d disagreement(s) or failure(s)\n", all.literal.size(), failures);
    return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace islands::bench

int main(int argc, char** argv) {
    islands::bench::options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool has_value = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(islands::bench::usage, stdout);
            return 0;
        } else if (arg == "--published" && has_value) {
            o.published = argv[++i];
        } else if (arg == "--no-published") {
            o.run_published = false;
        } else if (arg == "--no-generated") {
            o.run_generated = false;
        } else if (arg == "--every" && has_value) {
            o.every = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--sizes" && has_value) {
            o.sizes = islands::bench::parse_sizes(argv[++i]);
        } else if (arg == "--seeds" && has_value) {
            o.seeds = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--density" && has_value) {
            o.density = std::atof(argv[++i]);
        } else if (arg == "--limit" && has_value) {
            o.limit = std::atof(argv[++i]);
        } else if (arg == "--fast-limit" && has_value) {
            o.fast_limit = std::atof(argv[++i]);
        } else if (arg == "--quick") {
            o.every = 5;
            o.seeds = 2;
            o.sizes = {{10, 10}, {20, 20}, {50, 50}, {100, 100}};
            o.limit = 0.5;
        } else if (arg == "--verbose") {
            o.verbose = true;
        } else {
            std::fprintf(stderr, "unknown or incomplete option %s\n%s", arg.c_str(), islands::bench::usage);
            return 2;
        }
    }
    return islands::bench::run(o);
}
