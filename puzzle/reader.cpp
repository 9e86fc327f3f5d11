#include "puzzle/reader.hpp"

#include <limits>
#include <stdexcept>

namespace islands {

namespace {

// White space as the C locale's isspace sees it.
bool is_space(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool is_digit(int c) { return c >= '0' && c <= '9'; }

}  // namespace

bool number_reader::refill() {
    if (eof_) return false;
    len_ = std::fread(buf_, 1, sizeof buf_, in_);
    pos_ = 0;
    if (len_ == 0) {
        eof_ = true;
        return false;
    }
    return true;
}

int number_reader::peek() {
    if (pos_ == len_ && !refill()) return EOF;
    return buf_[pos_];
}

std::optional<std::int32_t> number_reader::next() {
    int c = peek();
    while (is_space(c)) {
        advance();
        c = peek();
    }
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        advance();
        c = peek();
    }
    if (!is_digit(c)) return std::nullopt;

    // The magnitude may reach 2^31 for the most negative value.
    const std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + (negative ? 1 : 0);
    std::int64_t value = 0;
    bool too_large = false;
    while (is_digit(c)) {
        if (!too_large) {
            value = value * 10 + (c - '0');
            too_large = value > limit;
        }
        advance();
        c = peek();
    }
    if (too_large) return std::nullopt;
    return static_cast<std::int32_t>(negative ? -value : value);
}

void read_puzzle(puzzle& p, std::FILE* in) {
    number_reader reader(in);
    const auto width = reader.next();
    const auto height = width ? reader.next() : std::nullopt;
    if (!width || !height) throw input_error("Failed to read grid size\n");
    p.width = *width;
    p.height = *height;

    if (p.width <= 0 || p.height <= 0) return;
    for (std::int32_t y = 0; y < p.height; ++y) {
        for (std::int32_t x = 0; x < p.width; ++x) {
            const auto w = reader.next();
            if (!w || *w < 0) throw input_error("Failed to read weight\n");
            if (*w > 0) add_vertex(p, x, y, *w);
        }
    }
}

void read_puzzle(puzzle& p, std::string_view text) {
    // An empty memory stream cannot be opened, so empty text reads as an
    // empty file.
    std::FILE* in = text.empty() ? std::fopen("/dev/null", "r")
                                 : fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (in == nullptr) throw std::runtime_error("cannot open puzzle text");
    try {
        read_puzzle(p, in);
    } catch (...) {
        std::fclose(in);
        throw;
    }
    std::fclose(in);
}

}  // namespace islands
