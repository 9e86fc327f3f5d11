// Stage benchmark: on generated puzzles of growing size, the median time to
// read and build the graph, to search, and to write the listing and picture,
// with the peak heap the whole run needs. Prints one table row per size.
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "app/report.hpp"
#include "bench/support.hpp"
#include "picture/picture.hpp"
#include "tools/generator.hpp"

// Heap accounting. Every allocation of the process goes through these, so
// the high-water mark of live bytes during one puzzle's run is its peak heap.
namespace {
std::size_t live_bytes = 0;
std::size_t peak_bytes = 0;

void* counted_alloc(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    live_bytes += malloc_usable_size(p);
    peak_bytes = std::max(peak_bytes, live_bytes);
    return p;
}

void counted_free(void* p) noexcept {
    if (p == nullptr) return;
    live_bytes -= malloc_usable_size(p);
    std::free(p);
}
}  // namespace

void* operator new(std::size_t size) { return counted_alloc(size); }
void* operator new[](std::size_t size) { return counted_alloc(size); }
void operator delete(void* p) noexcept { counted_free(p); }
void operator delete[](void* p) noexcept { counted_free(p); }
void operator delete(void* p, std::size_t) noexcept { counted_free(p); }
void operator delete[](void* p, std::size_t) noexcept { counted_free(p); }

namespace islands::bench {
namespace {

struct options {
    std::vector<grid_size> sizes = {{10, 10}, {30, 30}, {100, 100}, {300, 300}, {1000, 1000}};
    int seeds = 3;
    int reps = 5;
    double min_seconds = 0.05;  // per stage and seed, for stable small timings
    double search_limit = 1.0;
    engine_kind engine = engine_kind::fast;
    double density = 0.25;
};

const char usage[] =
    "usage: islands-bench-stages [options]\n"
    "  --sizes LIST        sizes N (square) or WxH, comma separated\n"
    "                      (default 10,30,100,300,1000)\n"
    "  --seeds N           generated puzzles per size (default 3)\n"
    "  --reps N            least repetitions of each stage (default 5)\n"
    "  --search-limit S    seconds after which a search counts as capped (default 1)\n"
    "  --engine NAME       fast or literal (default fast)\n"
    "  --density D         islands per cell asked of the generator (default 0.25)\n";

// Puts the planted solution on the graph's edges, so the listing and the
// picture are timed on a full solution whatever the search managed.
std::size_t plant(puzzle& p, const generated_puzzle& g) {
    const auto w = static_cast<std::size_t>(g.width);
    std::vector<std::uint8_t> right(g.weights.size(), 0), down(g.weights.size(), 0);
    for (const planted_bridge& b : g.bridges) {
        auto& side = b.ay == b.by ? right : down;
        side[static_cast<std::size_t>(b.ay) * w + static_cast<std::size_t>(b.ax)] = static_cast<std::uint8_t>(b.count);
    }
    std::size_t placed = 0;
    for (edge* e = p.edge_list; e; e = e->next) {
        const std::size_t at = static_cast<std::size_t>(e->a->y) * w + static_cast<std::size_t>(e->a->x);
        e->bridges = e->a->y == e->b->y ? right[at] : down[at];
        if (e->bridges != 0) ++placed;
    }
    return placed;
}

template <class F>
double repeat(const options& o, F&& once) {
    std::vector<double> times;
    double total = 0.0;
    while (static_cast<int>(times.size()) < o.reps || (total < o.min_seconds && times.size() < 1000)) {
        const double t = once();
        times.push_back(t);
        total += t;
    }
    return median(std::move(times));
}

struct seed_result {
    std::size_t islands = 0, edges = 0, crossings = 0;
    double build = 0.0, output = 0.0;
    double search = 0.0;
    bool capped = false;
    std::size_t graph = 0;  // heap held by the built graph
    std::size_t peak = 0;   // heap high-water mark of a whole run
};

seed_result measure(const options& o, grid_size size, std::uint64_t seed) {
    generator_options go;
    go.width = size.width;
    go.height = size.height;
    go.density = o.density;
    go.seed = seed;
    const generated_puzzle g = generate(go);
    const std::string text = format_puzzle(g);

    seed_result r;
    r.build = repeat(o, [&] {
        const auto start = bench_clock::now();
        auto p = build_puzzle(text);
        const double t = seconds_since(start);
        r.islands = p->vertices.size();
        r.edges = p->edges.size();
        r.crossings = p->crossing_pool.size();
        return t;
    });

    const search_outcome s = search_within(text, o.engine, o.search_limit);
    r.capped = s.result < 0;
    r.search = r.capped ? s.seconds : repeat_search(text, o.engine, o.reps, o.min_seconds);

    {
        auto p = build_puzzle(text);
        if (plant(*p, g) != g.bridges.size())
            std::fprintf(stderr, "warning: %s seed %llu: a planted bridge has no edge\n", size.label().c_str(),
                         static_cast<unsigned long long>(seed));
        r.output = repeat(o, [&] {
            std::string out;
            const auto start = bench_clock::now();
            print_solution(*p, out);
            out += '\n';
            out += render_grid(*p);
            return seconds_since(start);
        });
    }

    // One more whole run, start to end, for the heap high-water mark.
    const std::size_t base = live_bytes;
    peak_bytes = live_bytes;
    {
        auto p = build_puzzle(text);
        r.graph = live_bytes - base;
        // A search that could not finish in time is measured over its first
        // thousand decisions only.
        run_engine(*p, o.engine, r.capped ? 1000 : 0);
        plant(*p, g);
        std::string out;
        print_solution(*p, out);
        out += render_grid(*p);
    }
    r.peak = peak_bytes - base;
    return r;
}

int run(const options& o) {
    std::printf("engine: %s; %d seed(s) per size; medians over seeds of per-seed medians\n",
                engine_name(o.engine), o.seeds);
    std::printf("%-13s %9s %9s %9s %11s %11s %11s %10s %10s %8s\n", "size", "islands", "edges", "crossings",
                "read+build", "search", "output", "graph", "peak heap", "B/island");
    for (const grid_size size : o.sizes) {
        std::vector<seed_result> rs;
        rs.reserve(static_cast<std::size_t>(o.seeds));
        for (int seed = 1; seed <= o.seeds; ++seed) rs.push_back(measure(o, size, static_cast<std::uint64_t>(seed)));

        auto med = [&](auto field) {
            std::vector<double> v;
            v.reserve(rs.size());
            for (const seed_result& r : rs) v.push_back(static_cast<double>(field(r)));
            return median(std::move(v));
        };
        std::vector<double> searched;
        int capped = 0;
        for (const seed_result& r : rs) {
            if (r.capped)
                ++capped;
            else
                searched.push_back(r.search);
        }
        std::string search;
        if (capped == 0)
            search = format_time(median(searched));
        else
            search = "capped " + std::to_string(capped) + "/" + std::to_string(rs.size());
        const double islands = med([](const seed_result& r) { return r.islands; });
        const double peak = med([](const seed_result& r) { return r.peak; });
        const std::string label = size.label();
        std::printf("%-13s %9.0f %9.0f %9.0f %11s %11s %11s %10s %10s %8.0f\n", label.c_str(), islands,
                    med([](const seed_result& r) { return r.edges; }),
                    med([](const seed_result& r) { return r.crossings; }),
                    format_time(med([](const seed_result& r) { return r.build; })).c_str(), search.c_str(),
                    format_time(med([](const seed_result& r) { return r.output; })).c_str(),
                    format_bytes(med([](const seed_result& r) { return r.graph; })).c_str(),
                    format_bytes(peak).c_str(), islands > 0 ? peak / islands : 0.0);
        std::fflush(stdout);
    }
    rusage usage_now{};
    getrusage(RUSAGE_SELF, &usage_now);
    std::printf("search capped after %gs; process peak RSS %s\n", o.search_limit,
                format_bytes(static_cast<double>(usage_now.ru_maxrss) * 1024.0).c_str());
    return 0;
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
        } else if (arg == "--sizes" && has_value) {
            o.sizes = islands::bench::parse_sizes(argv[++i]);
        } else if (arg == "--seeds" && has_value) {
            o.seeds = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--reps" && has_value) {
            o.reps = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--search-limit" && has_value) {
            o.search_limit = std::atof(argv[++i]);
        } else if (arg == "--density" && has_value) {
            o.density = std::atof(argv[++i]);
        } else if (arg == "--engine" && has_value) {
            const std::string name = argv[++i];
            if (name != "fast" && name != "literal") {
                std::fprintf(stderr, "unknown engine %s\n", name.c_str());
                return 2;
            }
            o.engine = name == "fast" ? islands::bench::engine_kind::fast : islands::bench::engine_kind::literal;
        } else {
            std::fprintf(stderr, "unknown or incomplete option %s\n%s", arg.c_str(), islands::bench::usage);
            return 2;
        }
    }
    return islands::bench::run(o);
}
