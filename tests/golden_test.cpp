// Golden whole-run cases: every NAME.in in tests/golden and examples has its
// expected standard output in NAME.out beside it. The runtime value is
// masked; a run exits 1 exactly when its output has no runtime line.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support.hpp"

namespace islands {
namespace {

namespace fs = std::filesystem;
using testing::mask_runtime;
using testing::read_file;
using testing::run_binary;

std::vector<fs::path> golden_inputs() {
    std::vector<fs::path> inputs;
    for (const char* folder : {"tests/golden", "examples"}) {
        const fs::path dir = fs::path(ISLANDS_SOURCE_DIR) / folder;
        if (!fs::is_directory(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().extension() == ".in") inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

TEST(golden, every_case_matches_byte_for_byte) {
    const auto inputs = golden_inputs();
    ASSERT_FALSE(inputs.empty());
    for (const auto& in : inputs) {
        fs::path out = in;
        out.replace_extension(".out");
        ASSERT_TRUE(fs::exists(out)) << out;
        const std::string expected = read_file(out.string());
        const auto result = run_binary(read_file(in.string()));
        EXPECT_EQ(mask_runtime(result.out), mask_runtime(expected)) << in;
        const bool completed = expected.find("\nruntime: ") != std::string::npos;
        EXPECT_EQ(result.status, completed ? 0 : 1) << in;
    }
}

}  // namespace
}  // namespace islands
