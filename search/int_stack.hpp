// A stack of numbers whose push stays in line: a check, a store and an
// increment. The fast engine's domain changes queue their checks on these,
// and gcc called std::vector's push_back there out of line (2.7% of the
// instructions on a generated 1000 x 1000 puzzle, callgrind).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace islands {

class int_stack {
public:
    // Room for n without growing.
    void reserve(std::size_t n) {
        if (n > slots_.size()) slots_.resize(n);
    }
    // Forced in line: with more callers, gcc's growth limits turned it
    // back into a call in the engine's hottest function.
    [[gnu::always_inline]] inline void push_back(std::int32_t x) {
        if (size_ == slots_.size()) [[unlikely]]
            slots_.resize(std::max<std::size_t>(16, 2 * slots_.size()));
        slots_[size_++] = x;
    }
    std::int32_t back() const { return slots_[size_ - 1]; }
    void pop_back() { --size_; }
    bool empty() const { return size_ == 0; }
    void clear() { size_ = 0; }
    std::size_t size() const { return size_; }
    const std::int32_t* begin() const { return slots_.data(); }
    const std::int32_t* end() const { return slots_.data() + size_; }

private:
    std::vector<std::int32_t> slots_;
    std::size_t size_ = 0;
};

}  // namespace islands
