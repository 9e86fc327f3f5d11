// The text picture of a solved puzzle.
#pragma once

#include <string>

#include "puzzle/records.hpp"

namespace islands {

// Glyphs for a bridge of 0, 1 or 2 bridges.
inline constexpr char BRIDGE_GLYPHS[] = " +#";

// Draws every island as its weight digit and every bridged edge as a run of
// '+' (single) or '#' (double) glyphs. The extent comes from the islands, not
// the declared grid size. Every row ends with a line break.
std::string render_grid(const puzzle& p);

}  // namespace islands
