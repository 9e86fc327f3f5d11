// Replays the fuzzing corpus (seeds and every input the fuzzer found worth
// keeping) through the fuzz target's checks, so that regressions show up in
// every build, not only in the clang fuzzing build.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz/check.hpp"
#include "support.hpp"

namespace islands {
namespace {

TEST(fuzz_corpus, every_input_passes_the_fuzz_checks) {
    const std::filesystem::path dir = std::filesystem::path(ISLANDS_SOURCE_DIR) / "tests/fuzz/corpus";
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        const std::string text = testing::read_file(entry.path().string());
        const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
        EXPECT_EQ(fuzz::check_input(data, text.size()), "") << entry.path().filename();
        ++seen;
    }
    EXPECT_GE(seen, 20);
}

}  // namespace
}  // namespace islands
