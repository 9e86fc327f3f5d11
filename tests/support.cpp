#include "support.hpp"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "app/report.hpp"
#include "puzzle/builder.hpp"
#include "puzzle/reader.hpp"

namespace islands::testing {

std::unique_ptr<puzzle> build(const std::string& text) {
    auto p = std::make_unique<puzzle>();
    read_puzzle(*p, std::string_view(text));
    link_neighbours(*p);
    find_crossings(*p);
    return p;
}

std::string grid(const std::vector<std::vector<int>>& rows) {
    std::ostringstream text;
    text << (rows.empty() ? 0 : rows[0].size()) << ' ' << rows.size() << '\n';
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) text << (i ? " " : "") << row[i];
        text << '\n';
    }
    return text.str();
}

process_result run_binary(const std::string& input, const process_limits& limits, const std::string& binary) {
    char in_path[] = "/tmp/islands-test-in-XXXXXX";
    const int in_fd = mkstemp(in_path);
    if (in_fd < 0) throw std::runtime_error("mkstemp failed");
    unlink(in_path);
    for (std::size_t done = 0; done < input.size();) {
        const ssize_t n = write(in_fd, input.data() + done, input.size() - done);
        if (n <= 0) throw std::runtime_error("write failed");
        done += static_cast<std::size_t>(n);
    }
    lseek(in_fd, 0, SEEK_SET);

    int out_pipe[2];
    if (pipe(out_pipe) != 0) throw std::runtime_error("pipe failed");
    const pid_t child = fork();
    if (child == 0) {
        if (limits.stack != 0) {
            const rlimit stack{limits.stack, limits.stack};
            setrlimit(RLIMIT_STACK, &stack);
        }
        if (limits.address_space != 0) {
            const rlimit space{limits.address_space, limits.address_space};
            setrlimit(RLIMIT_AS, &space);
        }
        dup2(in_fd, 0);
        dup2(out_pipe[1], 1);
        close(out_pipe[0]);
        close(out_pipe[1]);
        execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in_fd);
    close(out_pipe[1]);
    process_result result;
    char buffer[1 << 16];
    for (ssize_t n; (n = read(out_pipe[0], buffer, sizeof buffer)) > 0;)
        result.out.append(buffer, static_cast<std::size_t>(n));
    close(out_pipe[0]);
    int status = 0;
    waitpid(child, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

std::string mask_runtime(const std::string& text) {
    // Hand-written rather than <regex>, whose code draws false
    // maybe-uninitialized warnings from GCC in the sanitizer build.
    static const std::string label = "runtime: ";
    std::string masked;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(label, from)) != std::string::npos;) {
        const std::size_t value = at + label.size();
        masked.append(text, from, value - from);
        from = value;
        // The value runs up to the first "s" or line break; only "s\n" ends it.
        const std::size_t end = text.find_first_of("s\n", value);
        if (end != std::string::npos && text.compare(end, 2, "s\n") == 0) {
            masked += '*';
            from = end;
        }
    }
    masked.append(text, from);
    return masked;
}

edge* find_edge(puzzle& p, int ax, int ay, int bx, int by) {
    for (edge* e = p.edge_list; e; e = e->next)
        if (e->a->x == ax && e->a->y == ay && e->b->x == bx && e->b->y == by) return e;
    return nullptr;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string listing(const puzzle& p) {
    std::string out;
    print_solution(p, out);
    return out;
}

}  // namespace islands::testing
