// The job file "doklad.txt" next to the program: 8-bit text split into lines
// at CR, LF or CR LF; lines are taken as they stand.
#pragma once

#include "platform/text_types.h"

#include <vector>

namespace kanvo {

// Lines of a text as a string list takes them: a line ends at CR, LF or
// CR LF; a final line end adds no empty line.
std::vector<AnsiString> SplitTextLines(std::string_view text);

// Line `index` (0-based) of the list; raises "List index out of bounds (%d)".
const AnsiString& LineAt(const std::vector<AnsiString>& lines, size_t index);

} // namespace kanvo
