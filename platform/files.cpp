#include "platform/files.h"

#include "platform/code_page.h"
#include "platform/exception.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kanvo {

std::string NativePath(const AnsiString& path) {
    return AnsiToUtf8(path);
}

AnsiString FromNativePath(const std::string& path) {
    return Utf8ToAnsi(path);
}

AnsiString ExecutablePath() {
    std::vector<char> buffer(PATH_MAX + 1);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return "";
        if (static_cast<size_t>(n) < buffer.size())
            return FromNativePath(std::string(buffer.data(), static_cast<size_t>(n)));
        buffer.resize(buffer.size() * 2);
    }
}

bool FileExists(const AnsiString& path) {
    struct stat st {};
    return stat(NativePath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const AnsiString& path) {
    struct stat st {};
    return stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const AnsiString& path) {
    std::string native = NativePath(path);
    while (native.size() > 1 && native.back() == '/')
        native.pop_back();
    if (native.empty())
        return false;
    struct stat st {};
    if (stat(native.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    size_t slash = native.rfind('/');
    if (slash != std::string::npos && slash > 0 &&
        !ForceDirectories(FromNativePath(native.substr(0, slash))))
        return false;
    return mkdir(native.c_str(), 0777) == 0 || errno == EEXIST;
}

bool DeleteFile(const AnsiString& path) {
    return unlink(NativePath(path).c_str()) == 0;
}

std::string ReadFileBytes(const AnsiString& path) {
    auto fail = [&](int error) -> std::string {
        throw EFileError(Format("Cannot open file \"%s\". %s", {path, SystemErrorMessage(error)}));
    };
    int fd = open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fail(errno);
    std::string bytes;
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        close(fd);
        return fail(EISDIR);
    }
    if (st.st_size > 0)
        bytes.reserve(static_cast<size_t>(st.st_size));
    char chunk[65536];
    for (;;) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int error = errno;
            close(fd);
            return fail(error);
        }
        if (n == 0)
            break;
        bytes.append(chunk, static_cast<size_t>(n));
    }
    close(fd);
    return bytes;
}

void WriteFileAtomically(const AnsiString& path, std::string_view bytes,
                         std::string_view failureMessage) {
    auto fail = [&]() {
        std::string_view message =
            failureMessage.empty() ? "Unable to write to %s" : failureMessage;
        throw EFileError(Format(message, {path}));
    };
    std::string native = NativePath(path);
    std::string temp = native + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0)
        fail();
    // Keep the permissions of an existing file, else the usual ones.
    struct stat st {};
    mode_t mode = stat(native.c_str(), &st) == 0 ? st.st_mode & 07777 : 0666 & ~[] {
        mode_t mask = umask(0);
        umask(mask);
        return mask;
    }();
    fchmod(fd, mode);
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            close(fd);
            unlink(temp.c_str());
            fail();
        }
        written += static_cast<size_t>(n);
    }
    if (fsync(fd) != 0 || close(fd) != 0 || rename(temp.c_str(), native.c_str()) != 0) {
        unlink(temp.c_str());
        fail();
    }
}

AnsiString TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp ? tmp : "/tmp";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return FromNativePath(folder);
}

} // namespace kanvo
