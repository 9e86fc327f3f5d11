#include "bench/support.hpp"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
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
    read_puzzle(*p, std::string_view(text));
    link_neighbours(*p);
    find_crossings(*p);
    check_isolated(*p);
    return p;
}

const char* engine_name(engine_kind which) { return which == engine_kind::literal ? "literal" : "fast"; }

int run_engine(puzzle& p, engine_kind which, std::uint64_t steps) {
    return which == engine_kind::literal ? solve_limited(p, p.edge_list, steps)
                                         : solve_fast(p, fast_limits{steps});
}

namespace {

// Writes or reads all of `size` bytes; false on a broken pipe or early end.
bool write_all(int fd, const void* data, std::size_t size) {
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, at, size);
        if (n <= 0) return false;
        at += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool read_all(int fd, void* data, std::size_t size) {
    char* at = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = read(fd, at, size);
        if (n <= 0) return false;
        at += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

struct child_report {
    int result;
    double seconds;
    std::uint64_t edges;
};

[[noreturn]] void search_in_child(const std::string& text, engine_kind which, int fd) {
    auto p = build_puzzle(text);
    const char built = 'b';
    if (!write_all(fd, &built, 1)) _exit(1);
    const auto start = bench_clock::now();
    const int result = run_engine(*p, which, 0);
    child_report report{result, seconds_since(start), 0};
    std::vector<std::int8_t> bridges;
    if (result == 1)
        for (const edge* e = p->edge_list; e; e = e->next) bridges.push_back(static_cast<std::int8_t>(e->bridges));
    report.edges = bridges.size();
    const bool ok = write_all(fd, &report, sizeof report) && write_all(fd, bridges.data(), bridges.size());
    _exit(ok ? 0 : 1);
}

}  // namespace

search_outcome search_within(const std::string& text, engine_kind which, double limit) {
    // The engines cannot be interrupted, so the search runs in a child
    // process that is killed when the limit passes; the limit starts once
    // the child reports its graph built.
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        close(fds[0]);
        search_in_child(text, which, fds[1]);
    }
    close(fds[1]);

    search_outcome out;
    char built = 0;
    bool ok = read_all(fds[0], &built, 1);
    const auto start = bench_clock::now();
    pollfd wait_for{fds[0], POLLIN, 0};
    const int ready = ok ? poll(&wait_for, 1, static_cast<int>(limit * 1000.0)) : -1;
    if (ok && ready == 0) {
        kill(child, SIGKILL);
        out.result = -1;
        out.seconds = seconds_since(start);
    } else {
        child_report report{};
        ok = ok && ready > 0 && read_all(fds[0], &report, sizeof report);
        if (ok) {
            out.bridges.resize(report.edges);
            ok = read_all(fds[0], out.bridges.data(), out.bridges.size());
            out.result = report.result;
            out.seconds = report.seconds;
        }
    }
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (out.result != -1 && (!ok || !WIFEXITED(status) || WEXITSTATUS(status) != 0))
        throw std::runtime_error(std::string("the ") + engine_name(which) + " search failed or crashed");
    return out;
}

double repeat_search(const std::string& text, engine_kind which, int min_reps, double min_seconds) {
    std::vector<double> times;
    double total = 0.0;
    while (static_cast<int>(times.size()) < min_reps || (total < min_seconds && times.size() < 1000)) {
        auto p = build_puzzle(text);
        const auto start = bench_clock::now();
        run_engine(*p, which, 0);
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
