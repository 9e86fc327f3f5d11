#include "picture/picture.hpp"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>

namespace islands {

std::string render_grid(const puzzle& p) {
    std::int64_t max_x = -1;
    std::int64_t max_y = -1;
    for (const vertex* v = p.vertex_list; v; v = v->next) {
        if (v->x > max_x) max_x = v->x;
        if (v->y > max_y) max_y = v->y;
    }
    if (max_x < 0) return {};

    // Island (x, y) sits at text row 2y, text column 4x.
    const auto width = static_cast<std::size_t>(4 * max_x + 2);
    const auto rows = static_cast<std::size_t>(2 * max_y + 1);
    // Coordinates near the int32 limit in both directions would wrap the
    // buffer size; such a picture cannot be allocated anyway.
    if (rows > std::numeric_limits<std::size_t>::max() / width) throw std::bad_alloc();
    std::string text(rows * width, ' ');
    for (std::size_t r = 0; r < rows; ++r) text[r * width + width - 1] = '\n';

    auto at = [&](std::int64_t row, std::int64_t column) -> char& {
        return text[static_cast<std::size_t>(row) * width + static_cast<std::size_t>(column)];
    };

    for (const vertex* v = p.vertex_list; v; v = v->next)
        at(2 * std::int64_t{v->y}, 4 * std::int64_t{v->x}) = static_cast<char>('0' + v->weight);

    for (const edge* e = p.edge_list; e; e = e->next) {
        if (e->bridges == 0) continue;
        const char glyph = BRIDGE_GLYPHS[e->bridges];
        std::int64_t k = 0;
        std::int64_t px = 0;
        std::int64_t py = 0;
        for (std::int64_t x = e->a->x; x <= e->b->x; ++x) {
            for (std::int64_t y = e->a->y; y <= e->b->y; ++y, ++k) {
                if (k >= 1) at(py + y, 2 * (px + x)) = glyph;
                if (k >= 2) at(2 * py, 4 * px) = glyph;  // an empty cell passed over
                px = x;
                py = y;
            }
        }
    }
    return text;
}

}  // namespace islands
