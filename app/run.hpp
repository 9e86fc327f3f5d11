// One whole run, from puzzle text to report, with the output kept in memory
// so that the process entry, tests, tools and the fuzzer share one path.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace islands {

enum class engine { literal, fast };

struct run_options {
    engine use = engine::fast;
    // Gives up the search after this many steps (0: never). Only the fuzzer
    // and benchmarks set it; a run that gives up reports no solution text.
    std::uint64_t max_steps = 0;
};

struct run_result {
    int status = 0;         // process exit status
    bool gave_up = false;   // the step limit was reached
};

// Reads one puzzle from `in` and appends everything the program writes on
// standard output to `out`. Never throws for bad input; the status says.
run_result run(std::FILE* in, std::string& out, const run_options& options = {});

}  // namespace islands
