#include "app/run.hpp"

#include <new>
#include <stdexcept>

#include "app/report.hpp"
#include "picture/picture.hpp"
#include "puzzle/builder.hpp"
#include "puzzle/reader.hpp"
#include "search/fast.hpp"
#include "search/search.hpp"

namespace islands {

run_result run(std::FILE* in, std::string& out, const run_options& options) {
    const auto start = run_clock::now();
    const auto kept = out.size();
    try {
        puzzle p;
        read_puzzle(p, in);
        link_neighbours(p);
        find_crossings(p);
        check_isolated(p);

        const int found = options.use == engine::literal
                              ? solve_limited(p, p.edge_list, options.max_steps)
                              : solve_fast(p, fast_limits{options.max_steps});
        if (found < 0) return {0, true};
        if (found == 1) {
            print_solution(p, out);
            out += '\n';
            out += render_grid(p);
        } else {
            out += "no solution found\n";
        }
        run_report(start, out);
        return {0, false};
    } catch (const input_error& error) {
        out += error.what();
        return {1, false};
    } catch (const std::bad_alloc&) {
        out.resize(kept);
        out += "Out of memory\n";
        return {1, false};
    } catch (const std::length_error&) {
        out.resize(kept);
        out += "Out of memory\n";
        return {1, false};
    }
}

}  // namespace islands
