// libFuzzer entry: raw bytes as the puzzle text, through both engines.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "check.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem = islands::fuzz::check_input(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "islands fuzz: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
