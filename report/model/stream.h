// Byte streams of the report model: templates, prepared pages and the
// temporary files of XML documents are read and written through TStream.
// Positions and sizes are 64-bit so that temporary files beyond 4 GB work.
//
// Ownership: a stream owns its buffer or its open file; destroying it closes
// the file (TFileStream) but never deletes it, except a temporary file made
// by CreateTempFileStream, which the caller deletes by name.
#pragma once

#include "platform/text_types.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace kanvo {

class TStream {
public:
    virtual ~TStream() = default;
    // Reads up to count bytes; returns how many were read (0 at the end).
    virtual size_t Read(void* buffer, size_t count) = 0;
    // Writes all bytes or raises EFileError.
    virtual void Write(const void* buffer, size_t count) = 0;
    virtual uint64_t Position() const = 0;
    virtual void Seek(uint64_t position) = 0;
    virtual uint64_t Size() const = 0;

    void WriteText(std::string_view text) { Write(text.data(), text.size()); }
};

// A stream over bytes held in memory.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}
    size_t Read(void* buffer, size_t count) override;
    void Write(const void* buffer, size_t count) override;
    uint64_t Position() const override { return position_; }
    void Seek(uint64_t position) override { position_ = position; }
    uint64_t Size() const override { return bytes_.size(); }

    const std::string& Bytes() const { return bytes_; }
    void Clear() {
        bytes_.clear();
        position_ = 0;
    }

private:
    std::string bytes_;
    uint64_t position_ = 0;
};

// A stream over an open file.
class TFileStream : public TStream {
public:
    enum class Mode { Read, Create, ReadWrite };
    // Raises EFileError "Cannot open file \"%s\". %s" when the file cannot be
    // opened (Read, ReadWrite) or created (Create, which truncates).
    TFileStream(const AnsiString& path, Mode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    size_t Read(void* buffer, size_t count) override;
    void Write(const void* buffer, size_t count) override;
    uint64_t Position() const override;
    void Seek(uint64_t position) override;
    uint64_t Size() const override;
    const AnsiString& Path() const { return path_; }

private:
    TFileStream(std::FILE* file, AnsiString path) : file_(file), path_(std::move(path)) {}
    friend std::unique_ptr<TFileStream> CreateTempFileStream(const AnsiString&, const char*);

    std::FILE* file_ = nullptr;
    AnsiString path_;
    bool lastWasWrite_ = false;
    bool lastWasRead_ = false;
};

// Creates a new, uniquely named file "<prefix>XXXXXX" in folder (the system's
// temporary folder when empty) and opens it for reading and writing.
std::unique_ptr<TFileStream> CreateTempFileStream(const AnsiString& folder, const char* prefix);

} // namespace kanvo
