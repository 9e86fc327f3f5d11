// One input run through both engines with a bounded search, checked for the
// output shapes the program may write and for agreement between engines.
// The fuzz target and the corpus replay in the test suite share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace islands::fuzz {

// Search steps allowed per engine, so that one input cannot run for long.
inline constexpr std::uint64_t max_steps = 2000;

// Returns an empty string when the runs look right, otherwise what is wrong.
std::string check_input(const std::uint8_t* data, std::size_t size);

}  // namespace islands::fuzz
