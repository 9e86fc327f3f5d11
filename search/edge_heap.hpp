// Edges by activity, the highest first (ties: the higher edge number), each
// edge at most once. A probe in free order asks it for its next choice.
// std::priority_queue took a new entry at every bump and every reopened
// edge and compared pairs of a double and an int: on dense generated
// puzzles that was about 4% of a whole run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace islands {

class edge_heap {
public:
    bool empty() const { return heap_.empty(); }
    std::size_t size() const { return heap_.size(); }
    bool contains(std::int32_t e) const { return static_cast<std::size_t>(e) < place_.size() && place_[e] != absent; }
    std::int32_t top() const { return heap_.front(); }

    // Adds e, or moves it up after its key grew (keys never shrink while
    // in the heap).
    void push(std::int32_t e, std::span<const double> key) {
        if (static_cast<std::size_t>(e) >= place_.size()) place_.resize(static_cast<std::size_t>(e) + 1, absent);
        if (place_[e] == absent) {
            place_[e] = static_cast<std::int32_t>(heap_.size());
            heap_.push_back(e);
        }
        up(place_[e], key);
    }

    void pop(std::span<const double> key) {
        const std::int32_t last = heap_.back();
        place_[heap_.front()] = absent;
        heap_.pop_back();
        if (heap_.empty()) return;
        heap_.front() = last;
        down(0, key);
    }

    void clear() {
        for (const std::int32_t e : heap_) place_[e] = absent;
        heap_.clear();
    }

private:
    static constexpr std::int32_t absent = -1;
    static bool above(std::int32_t a, std::int32_t b, std::span<const double> key) {
        const double ka = key[a];
        const double kb = key[b];
        return ka > kb || (ka == kb && a > b);
    }
    void put(std::int32_t at, std::int32_t e) {
        heap_[at] = e;
        place_[e] = at;
    }
    void up(std::int32_t at, std::span<const double> key) {
        const std::int32_t e = heap_[at];
        while (at > 0) {
            const std::int32_t parent = (at - 1) / 2;
            if (!above(e, heap_[parent], key)) break;
            put(at, heap_[parent]);
            at = parent;
        }
        put(at, e);
    }
    void down(std::int32_t at, std::span<const double> key) {
        const std::int32_t e = heap_[at];
        const auto n = static_cast<std::int32_t>(heap_.size());
        for (;;) {
            std::int32_t child = 2 * at + 1;
            if (child >= n) break;
            if (child + 1 < n && above(heap_[child + 1], heap_[child], key)) ++child;
            if (!above(heap_[child], e, key)) break;
            put(at, heap_[child]);
            at = child;
        }
        put(at, e);
    }

    std::vector<std::int32_t> heap_;
    std::vector<std::int32_t> place_;  // each edge's index in heap_, or absent
};

}  // namespace islands
