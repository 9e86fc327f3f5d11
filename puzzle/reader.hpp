// Reading the puzzle text: the grid size, then every cell's weight.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string_view>

#include "puzzle/records.hpp"

namespace islands {

// Reads decimal integers the way a "%d" conversion does: leading white
// space is skipped, then an optional sign and at least one digit. What
// follows the digits stays unread for the next call. Values that do not fit
// a signed 32-bit integer are rejected rather than wrapped.
class number_reader {
public:
    explicit number_reader(std::FILE* in) : in_(in) {}
    number_reader(const number_reader&) = delete;
    number_reader& operator=(const number_reader&) = delete;

    std::optional<std::int32_t> next();

private:
    int peek();
    void advance() { ++pos_; }
    bool refill();

    std::FILE* in_;
    unsigned char buf_[1 << 16]{};
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    bool eof_ = false;
};

// Reads the grid size and the weights from `in` and creates one vertex per
// island in reading order. Throws input_error on bad input.
void read_puzzle(puzzle& p, std::FILE* in);

// The same, reading from puzzle text held in memory.
void read_puzzle(puzzle& p, std::string_view text);

}  // namespace islands
