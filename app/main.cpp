// The islands solver: one puzzle on standard input, the report on standard
// output. Arguments are ignored.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/run.hpp"

namespace {

// Huge pages for the heap. A 1000 x 1000 puzzle touches about 120 MB before
// its first choice, and where the kernel hands out huge pages only on
// request, that is a page fault per 4 KiB: 30,000 of them, a third of the
// time before the search starts. glibc asks for huge pages when its tunables
// say so, and it reads them only as a process starts, so the solver starts
// itself once more with them set. Tunables the caller set are left as they
// are; if the restart fails, the solver simply goes on.
void restart_with_huge_pages(char** argv) {
#ifdef __GLIBC__
    if (std::getenv("GLIBC_TUNABLES") != nullptr) return;
    if (setenv("GLIBC_TUNABLES", "glibc.malloc.hugetlb=1", 0) != 0) return;
    execv("/proc/self/exe", argv);
    unsetenv("GLIBC_TUNABLES");
#else
    (void)argv;
#endif
}

}  // namespace

int main(int, char** argv) {
    restart_with_huge_pages(argv);
    std::string out;
    const islands::run_result result = islands::run(stdin, out);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    return result.status;
}
