#include "bench/support.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "puzzle/builder.hpp"
#include "puzzle/reader.hpp"
#include "search/fast.hpp"
#include "search/search.hpp"

namespace islands::bench {

std::unique_ptr<puzzle> build_puzzle(const std::string& text) {
    auto p = std::make_unique<puzzle>();
    std::FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (in == nullptr) throw std::runtime_error("fmemopen failed");
    try {
        read_puzzle(*p, in);
    } catch (...) {
        std::fclose(in);
        throw;
    }
    std::fclose(in);
    link_neighbours(*p);
    find_crossings(*p);
    check_isolated(*p);
    return p;
}

const char* engine_name(engine_kind which) { return which == engine_kind::literal ? "literal" : "fast"; }

namespace {

int run_engine(puzzle& p, engine_kind which, std::uint64_t steps) {
    return which == engine_kind::literal ? solve_limited(p, p.edge_list, steps)
                                         : solve_fast(p, fast_limits{steps});
}

}  // namespace

search_outcome search_within(const std::string& text, engine_kind which, double limit) {
    std::uint64_t steps = 1 << 12;
    for (;;) {
        auto p = build_puzzle(text);
        const auto start = bench_clock::now();
        const int result = run_engine(*p, which, steps);
        const double took = seconds_since(start);
        if (result >= 0) {
            search_outcome out{result, took, steps, {}};
            if (result == 1)
                for (const edge* e = p->edge_list; e; e = e->next)
                    out.bridges.push_back(static_cast<std::int8_t>(e->bridges));
            return out;
        }
        if (took >= limit) return {-1, took, steps, {}};
        // Aim the next run at the limit, but grow at least twofold.
        const double factor = std::clamp(limit / std::max(took, 1e-6), 2.0, 64.0);
        steps = static_cast<std::uint64_t>(static_cast<double>(steps) * factor);
    }
}

double repeat_search(const std::string& text, engine_kind which, std::uint64_t steps, int min_reps,
                     double min_seconds) {
    std::vector<double> times;
    double total = 0.0;
    while (static_cast<int>(times.size()) < min_reps || (total < min_seconds && times.size() < 1000)) {
        auto p = build_puzzle(text);
        const auto start = bench_clock::now();
        run_engine(*p, which, steps);
        times.push_back(seconds_since(start));
        total += times.back();
    }
    return median(std::move(times));
}

double median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

std::vector<grid_size> parse_sizes(const std::string& text) {
    std::vector<grid_size> out;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        long w = 0, h = 0;
        char x = 0, rest = 0;
        const int n = std::sscanf(item.c_str(), "%ld%c%ld%c", &w, &x, &h, &rest);
        if (n == 1) h = w;
        const bool ok = (n == 1 || (n == 3 && x == 'x')) && w >= 1 && h >= 1 && w <= 100000000 && h <= 100000000;
        if (!ok) {
            std::fprintf(stderr, "bad size '%s': give N or WxH with positive numbers\n", item.c_str());
            std::exit(2);
        }
        out.push_back({static_cast<std::int32_t>(w), static_cast<std::int32_t>(h)});
    }
    return out;
}

std::string format_time(double seconds) {
    char text[32];
    const double us = seconds * 1e6;
    if (us < 1000.0)
        std::snprintf(text, sizeof text, "%.3g us", us);
    else if (us < 1e6)
        std::snprintf(text, sizeof text, "%.3g ms", us / 1e3);
    else
        std::snprintf(text, sizeof text, "%.3g s", us / 1e6);
    return text;
}

std::string format_bytes(double bytes) {
    char text[32];
    if (bytes < 1e6)
        std::snprintf(text, sizeof text, "%.3g KB", bytes / 1e3);
    else
        std::snprintf(text, sizeof text, "%.3g MB", bytes / 1e6);
    return text;
}

}  // namespace islands::bench
