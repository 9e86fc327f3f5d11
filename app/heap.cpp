// Huge pages for the solver's heap. A 1000 x 1000 puzzle touches about
// 120 MB before its first choice; where the kernel hands out huge pages
// only to memory that asks for them, that was a page fault per 4 KiB
// (30,000 of them, a third of the time before the first choice), and the
// search paid in address translation too. Every allocation goes through
// here: blocks under 64 MiB stay on the heap (where freed memory is handed
// out again, also to the probes that come and go), the heap grows 64 MiB
// at a time, and each part it grows by is marked for huge pages before
// anything touches it. Only the executable does this; sanitizer builds
// keep their own allocator.
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <new>

namespace {

constexpr int heap_step = 64 << 20;

// The heap is marked for huge pages from its start up to here.
std::atomic<char*> marked_to{nullptr};

void mark_growth() {
    char* const end = static_cast<char*>(sbrk(0));
    char* to = marked_to.load(std::memory_order_relaxed);
    if (end == to || to == nullptr) return;
    // A heap that shrank is marked again from its new end when it grows.
    if (!marked_to.compare_exchange_strong(to, end) || std::less<>{}(end, to)) return;
    madvise(to, static_cast<std::size_t>(end - to), MADV_HUGEPAGE);
}

struct heap_setup {
    heap_setup() {
        mallopt(M_TOP_PAD, heap_step);
        mallopt(M_MMAP_THRESHOLD, heap_step);
        char* const first = static_cast<char*>(std::malloc(1));
        const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
        marked_to = first - (reinterpret_cast<std::uintptr_t>(first) & (page - 1));
        std::free(first);
        mark_growth();
    }
} const setup;

}  // namespace

void* operator new(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        // Near an address-space limit, the heap grows by what is asked only.
        mallopt(M_TOP_PAD, 0);
        block = std::malloc(size == 0 ? 1 : size);
        if (block == nullptr) throw std::bad_alloc();
    }
    mark_growth();
    return block;
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
