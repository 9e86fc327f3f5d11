// Shared helpers for the test suite.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "puzzle/records.hpp"

namespace islands::testing {

// Builds the search graph of a puzzle given as text (no isolation check).
std::unique_ptr<puzzle> build(const std::string& text);

// Grid text from rows of weights, e.g. {{1, 2, 1}} gives "3 1\n1 2 1\n".
std::string grid(const std::vector<std::vector<int>>& rows);

struct process_result {
    std::string out;
    int status = -1;
};

// Resource limits for the child process, in bytes (0: inherited).
struct process_limits {
    unsigned long long stack = 0;
    unsigned long long address_space = 0;
};

// Runs the built islands binary with `input` on standard input.
process_result run_binary(const std::string& input, const process_limits& limits = {},
                          const std::string& binary = ISLANDS_BINARY);

// Replaces the number in "runtime: <n>s" lines by "*", so outputs compare
// whatever the clock said.
std::string mask_runtime(const std::string& text);

// The edge between (ax, ay) and (bx, by), or null.
edge* find_edge(puzzle& p, int ax, int ay, int bx, int by);

std::string read_file(const std::string& path);

// One line "(ax, ay) <-> (bx, by): n" per bridged edge, as the listing shows.
std::string listing(const puzzle& p);

}  // namespace islands::testing
