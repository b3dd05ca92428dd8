#include "app/job_file.h"

#include "platform/exception.h"

namespace kanvo {

std::vector<AnsiString> SplitTextLines(std::string_view text) {
    std::vector<AnsiString> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t stop = text.find_first_of("\r\n", pos);
        if (stop == std::string_view::npos) {
            lines.emplace_back(text.substr(pos));
            break;
        }
        lines.emplace_back(text.substr(pos, stop - pos));
        pos = stop;
        if (pos < text.size() && text[pos] == '\r')
            ++pos;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;
    }
    return lines;
}

const AnsiString& LineAt(const std::vector<AnsiString>& lines, size_t index) {
    if (index >= lines.size())
        throw Exception(Format("List index out of bounds (%d)", {index}));
    return lines[index];
}

} // namespace kanvo
