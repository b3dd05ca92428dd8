// Helpers for tests that run the real binaries in throwaway folders.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace kanvo::test {

// A fresh folder under the temporary folder, removed with the object.
class TempFolder {
public:
    explicit TempFolder(const std::string& stem);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

struct ProcessResult {
    int exitCode = -1; // -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// Runs `program` with `args`. The environment is the test's own with
// `unset` removed and `set` added. Standard input is empty.
ProcessResult RunProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& set = {},
                         const std::vector<std::string>& unset = {"DISPLAY", "WAYLAND_DISPLAY"});

// The build folder (from KANVO_BIN_DIR) and a built binary in it.
std::filesystem::path BinaryPath(const std::string& name);

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

} // namespace kanvo::test
