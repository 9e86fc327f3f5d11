// Sizes derived from coordinates near the int32 limits must not wrap.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <new>

#include "picture/picture.hpp"
#include "puzzle/records.hpp"

namespace islands {
namespace {

constexpr std::int32_t far = std::numeric_limits<std::int32_t>::max();

// Records are placed directly: text reaching such coordinates would be
// gigabytes long.
TEST(overflow, picture_of_far_corners_is_too_large_rather_than_wrapped) {
    puzzle p;
    add_vertex(p, far, 0, 1);
    // 2^31 + 1 text rows of 2^33 - 2 characters wrap a 64-bit size to
    // about 4 GiB, far less than the rows need.
    add_vertex(p, 0, 1 << 30, 1);
    EXPECT_THROW(render_grid(p), std::bad_alloc);
}

}  // namespace
}  // namespace islands
