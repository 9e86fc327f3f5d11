#include "check.hpp"

#include <cstdio>
#include <regex>
#include <vector>

#include "app/run.hpp"

namespace islands::fuzz {

namespace {

struct outcome {
    std::string out;
    run_result result;
};

outcome run_engine(std::vector<char>& bytes, engine use) {
    outcome o;
    // fmemopen reads NUL bytes like any other and accepts an empty buffer.
    std::FILE* in = fmemopen(bytes.data(), bytes.size(), "r");
    if (!in) {
        o.result.status = -1;
        return o;
    }
    o.result = run(in, o.out, run_options{use, max_steps});
    std::fclose(in);
    return o;
}

// The runtime value differs between runs; everything before it must not.
std::string without_runtime(const std::string& out) {
    const auto at = out.rfind("\nruntime: ");
    return at == std::string::npos ? out : out.substr(0, at);
}

std::string shape_error(const outcome& o) {
    static const std::regex isolated("vertex \\(-?[0-9]+, -?[0-9]+\\) is isolated");
    static const std::regex ending("\nruntime: [0-9.e+]+s\n$");
    static const std::regex listing_line("\\([0-9]+, [0-9]+\\) <-> \\([0-9]+, [0-9]+\\): [12]");

    if (o.result.status == 1) {
        if (o.result.gave_up) return "gave up on an input error";
        if (o.out == "Failed to read grid size\n" || o.out == "Failed to read weight\n" ||
            o.out == "Out of memory\n" || std::regex_match(o.out, isolated))
            return {};
        return "unexpected error text";
    }
    if (o.result.status != 0) return "status other than 0 or 1";
    if (o.result.gave_up) return o.out.empty() ? std::string{} : "text written after giving up";
    if (!std::regex_search(o.out, ending)) return "no runtime line at the end";

    const std::string body = without_runtime(o.out);
    if (body == "no solution found\n") return {};
    // A listing of at least one bridge, an empty line, then the picture.
    const auto split = body.find("\n\n");
    if (split == std::string::npos) return "no empty line after the listing";
    std::size_t start = 0;
    while (start <= split) {
        const auto end = body.find('\n', start);
        if (!std::regex_match(body.begin() + static_cast<std::ptrdiff_t>(start),
                              body.begin() + static_cast<std::ptrdiff_t>(end), listing_line))
            return "malformed listing line";
        start = end + 1;
    }
    const std::string picture = body.substr(split + 2);
    if (picture.empty() || picture.back() != '\n') return "picture does not end with a line break";
    const auto width = picture.find('\n');
    for (std::size_t row = 0; row < picture.size(); row += width + 1)
        if (picture.find('\n', row) != row + width) return "picture rows differ in width";
    if (picture.find_first_not_of(" +#123456789\n") != std::string::npos) return "unexpected picture glyph";
    return {};
}

}  // namespace

std::string check_input(const std::uint8_t* data, std::size_t size) {
    std::vector<char> bytes(data, data + size);
    const outcome literal = run_engine(bytes, engine::literal);
    const outcome fast = run_engine(bytes, engine::fast);

    if (auto e = shape_error(literal); !e.empty()) return "literal engine: " + e;
    if (auto e = shape_error(fast); !e.empty()) return "fast engine: " + e;
    // Input errors come before the search, so a run that gave up must have
    // got as far as the other one.
    if (literal.result.gave_up || fast.result.gave_up) {
        if (literal.result.status != 0 || fast.result.status != 0) return "one engine gave up, the other failed";
        return {};
    }
    if (literal.result.status != fast.result.status) return "engines exit with different statuses";
    if (without_runtime(literal.out) != without_runtime(fast.out)) return "engines write different text";
    return {};
}

}  // namespace islands::fuzz
