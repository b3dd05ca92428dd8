#include "report/model/stream.h"

#include "platform/exception.h"
#include "platform/files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace kanvo {

size_t TMemoryStream::Read(void* buffer, size_t count) {
    if (position_ >= bytes_.size())
        return 0;
    size_t n = std::min<uint64_t>(count, bytes_.size() - position_);
    std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    return n;
}

void TMemoryStream::Write(const void* buffer, size_t count) {
    if (count == 0)
        return;
    if (position_ > bytes_.size())
        bytes_.resize(position_, '\0');
    size_t overlap = std::min<uint64_t>(count, bytes_.size() - position_);
    std::memcpy(bytes_.data() + position_, buffer, overlap);
    bytes_.append(static_cast<const char*>(buffer) + overlap, count - overlap);
    position_ += count;
}

namespace {
[[noreturn]] void OpenFailed(const AnsiString& path, int error) {
    throw EFileError(Format("Cannot open file \"%s\". %s", {path, SystemErrorMessage(error)}));
}
} // namespace

TFileStream::TFileStream(const AnsiString& path, Mode mode) : path_(path) {
    const char* how = mode == Mode::Read ? "rb" : mode == Mode::Create ? "w+b" : "r+b";
    file_ = std::fopen(NativePath(path).c_str(), how);
    if (!file_)
        OpenFailed(path, errno);
}

TFileStream::~TFileStream() {
    if (file_)
        std::fclose(file_);
}

size_t TFileStream::Read(void* buffer, size_t count) {
    if (lastWasWrite_)
        std::fflush(file_);
    lastWasWrite_ = false;
    lastWasRead_ = true;
    return std::fread(buffer, 1, count, file_);
}

void TFileStream::Write(const void* buffer, size_t count) {
    if (lastWasRead_)
        fseeko(file_, 0, SEEK_CUR); // a seek is required between reading and writing
    lastWasRead_ = false;
    lastWasWrite_ = true;
    if (count != 0 && std::fwrite(buffer, 1, count, file_) != count)
        throw EFileError(Format("Unable to write to %s. %s", {path_, SystemErrorMessage(errno)}));
}

uint64_t TFileStream::Position() const {
    off_t p = ftello(file_);
    return p < 0 ? 0 : static_cast<uint64_t>(p);
}

void TFileStream::Seek(uint64_t position) {
    lastWasRead_ = lastWasWrite_ = false;
    if (fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0)
        throw EFileError(Format("Seek error in %s. %s", {path_, SystemErrorMessage(errno)}));
}

uint64_t TFileStream::Size() const {
    std::fflush(file_);
    off_t here = ftello(file_);
    fseeko(file_, 0, SEEK_END);
    off_t end = ftello(file_);
    fseeko(file_, here, SEEK_SET);
    return end < 0 ? 0 : static_cast<uint64_t>(end);
}

std::unique_ptr<TFileStream> CreateTempFileStream(const AnsiString& folder, const char* prefix) {
    AnsiString dir = folder.empty() ? TempFolder() : folder;
    if (!dir.empty() && dir.back() != kPathDelim)
        dir += kPathDelim;
    std::string pattern = NativePath(dir + prefix + "XXXXXX");
    int fd = mkstemp(pattern.data());
    if (fd < 0)
        OpenFailed(dir + prefix, errno);
    std::FILE* file = fdopen(fd, "w+b");
    if (!file) {
        int error = errno;
        close(fd);
        OpenFailed(FromNativePath(pattern), error);
    }
    return std::unique_ptr<TFileStream>(new TFileStream(file, FromNativePath(pattern)));
}

} // namespace kanvo
