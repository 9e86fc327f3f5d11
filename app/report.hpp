// The run's report: the bridge listing and the runtime line.
#pragma once

#include <chrono>
#include <string>

#include "puzzle/records.hpp"

namespace islands {

using run_clock = std::chrono::steady_clock;

// One line per edge that carries bridges, in edge_list order.
void print_solution(const puzzle& p, std::string& out);

// The elapsed time since `start`, in whole milliseconds shown as seconds.
void run_report(run_clock::time_point start, std::string& out);

}  // namespace islands
