#include "platform/ini_file.h"

#include "platform/code_page.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/format_settings.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace kanvo {
namespace {

struct Line {
    std::string_view content; // without the line end
    size_t begin = 0;         // offset of the content in the text
    size_t end = 0;           // offset after the line end
};

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t stop = text.find_first_of("\r\n", pos);
        Line line;
        line.begin = pos;
        if (stop == std::string_view::npos) {
            line.content = text.substr(pos);
            line.end = text.size();
        } else {
            line.content = text.substr(pos, stop - pos);
            size_t next = stop + 1;
            if (text[stop] == '\r' && next < text.size() && text[next] == '\n')
                ++next;
            line.end = next;
        }
        lines.push_back(line);
        pos = line.end;
    }
    return lines;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// The section name of a "[name]" line, or nothing.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    size_t close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> ParseKeyLine(std::string_view line) {
    size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return KeyLine{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

bool SameName(std::string_view a, std::string_view b) {
    return AnsiSameText(a, b);
}

// Index range [first, last) of the lines of the first section called
// `section` (after its header), or nothing when the file lacks it.
struct SectionRange {
    size_t header;
    size_t first;
    size_t last;
};

std::optional<SectionRange> FindSection(const std::vector<Line>& lines, std::string_view section) {
    std::string_view wanted = Trim(section);
    for (size_t i = 0; i < lines.size(); ++i) {
        auto name = SectionName(lines[i].content);
        if (!name || !SameName(*name, wanted))
            continue;
        size_t j = i + 1;
        while (j < lines.size() && !SectionName(lines[j].content))
            ++j;
        return SectionRange{i, i + 1, j};
    }
    return std::nullopt;
}

// The file's bytes. `error` is 0 after a complete read, ENOENT for a
// missing file, another errno when the file exists but cannot be read.
std::string ReadWholeFile(const AnsiString& path, int& error) {
    error = 0;
    int fd = open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return {};
    }
    std::string bytes;
    char chunk[16384];
    for (;;) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            error = errno;
        if (n <= 0)
            break;
        bytes.append(chunk, static_cast<size_t>(n));
    }
    close(fd);
    return bytes;
}

} // namespace

int32_t IniTextToInt(std::string_view text, int32_t defaultValue) {
    std::string value(text);
    if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X'))
        value = std::string(1, '$').append(text.substr(2));
    // StrToIntDef: optional leading blanks and sign, no trailing characters.
    size_t start = 0;
    while (start < value.size() && value[start] == ' ')
        ++start;
    std::string_view body(value);
    body.remove_prefix(start);
    if (body.empty() || body.back() == ' ')
        return defaultValue;
    auto number = TryStrToInt64(body);
    if (!number)
        return defaultValue;
    bool hex = body.find('$') != std::string_view::npos;
    if (hex) {
        // Hexadecimal keeps its 32-bit pattern: $FFFFFFFF is -1.
        if (*number < INT32_MIN || *number > int64_t{UINT32_MAX})
            return defaultValue;
        return static_cast<int32_t>(static_cast<uint32_t>(*number));
    }
    if (*number < INT32_MIN || *number > INT32_MAX)
        return defaultValue;
    return static_cast<int32_t>(*number);
}

AnsiString IniFile::ReadFromText(std::string_view text, std::string_view section,
                                 std::string_view key, std::string_view defaultValue) {
    auto lines = SplitLines(text);
    auto range = FindSection(lines, section);
    std::string_view wantedKey = Trim(key);
    std::string_view found = defaultValue;
    bool have = false;
    if (range) {
        for (size_t i = range->first; i < range->last && !have; ++i) {
            auto kv = ParseKeyLine(lines[i].content);
            if (kv && SameName(kv->key, wantedKey)) {
                found = kv->value;
                have = true;
            }
        }
    }
    if (have && found.size() >= 2 && (found.front() == '"' || found.front() == '\'') &&
        found.back() == found.front())
        found = found.substr(1, found.size() - 2);
    return AnsiString(found.substr(0, kMaxValueLength));
}

std::string IniFile::WriteToText(std::string_view text, std::string_view section,
                                 std::string_view key, std::string_view value) {
    auto lines = SplitLines(text);
    std::string newLine = std::string(Trim(key)) + "=" + std::string(value);
    // The line end of the file's own lines, CR LF for a new file.
    std::string eol = "\r\n";
    if (!lines.empty()) {
        const Line& first = lines.front();
        std::string_view end = text.substr(first.begin + first.content.size(),
                                           first.end - first.begin - first.content.size());
        if (!end.empty())
            eol = std::string(end);
    }
    std::string out;
    auto range = FindSection(lines, section);
    if (!range) {
        out = std::string(text);
        if (!out.empty() && out.back() != '\n' && out.back() != '\r')
            out += eol;
        out += '[';
        out += Trim(section);
        out += ']';
        out += eol;
        out += newLine;
        out += eol;
        return out;
    }
    for (size_t i = range->first; i < range->last; ++i) {
        auto kv = ParseKeyLine(lines[i].content);
        if (kv && SameName(kv->key, Trim(key))) {
            out = std::string(text.substr(0, lines[i].begin));
            out += std::string(kv->key) + "=" + std::string(value);
            out += text.substr(lines[i].begin + lines[i].content.size());
            return out;
        }
    }
    // A new key goes after the section's last non-blank line.
    size_t after = range->header;
    for (size_t i = range->first; i < range->last; ++i)
        if (!Trim(lines[i].content).empty())
            after = i;
    const Line& anchor = lines[after];
    out = std::string(text.substr(0, anchor.end));
    if (anchor.end == anchor.begin + anchor.content.size())
        out += eol; // the anchor was the last line and had no line end
    out += newLine + eol;
    out += text.substr(anchor.end);
    return out;
}

AnsiString IniFile::ReadString(std::string_view section, std::string_view key,
                               std::string_view defaultValue) const {
    int error = 0;
    std::string text = ReadWholeFile(path_, error);
    if (error != 0)
        return AnsiString(defaultValue.substr(0, kMaxValueLength));
    return ReadFromText(text, section, key, defaultValue);
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                             int32_t defaultValue) const {
    return IniTextToInt(ReadString(section, key, ""), defaultValue);
}

void IniFile::WriteString(std::string_view section, std::string_view key,
                          std::string_view value) const {
    int error = 0;
    std::string text = ReadWholeFile(path_, error);
    // A file that exists but cannot be read must not be replaced by a file
    // that holds only the new value.
    if (error != 0 && error != ENOENT)
        throw EFileError(Format("Unable to write to %s", {path_}));
    WriteFileAtomically(path_, WriteToText(text, section, key, value), "Unable to write to %s");
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) const {
    WriteString(section, key, std::to_string(value));
}

} // namespace kanvo
