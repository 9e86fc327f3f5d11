// The islands solver: one puzzle on standard input, the report on standard
// output. Arguments are ignored.
#include <cstdio>
#include <string>

#include "app/run.hpp"

int main() {
    std::string out;
    const islands::run_result result = islands::run(stdin, out);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    return result.status;
}
