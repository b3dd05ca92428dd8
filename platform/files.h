// File system services. Paths are AnsiString in the process code page, as the
// job builds them; they are converted to UTF-8 only when handed to the OS.
#pragma once

#include "platform/text_types.h"

#include <cstdint>

namespace kanvo {

// The platform's path delimiter. The job's paths end folders with it.
constexpr char kPathDelim = '/';

// The path as the OS takes it (UTF-8).
std::string NativePath(const AnsiString& path);
AnsiString FromNativePath(const std::string& path);

// Full path of the running executable (from /proc/self/exe).
AnsiString ExecutablePath();

bool FileExists(const AnsiString& path);
bool DirectoryExists(const AnsiString& path);
// Creates the folder and any missing parents; false when it cannot.
bool ForceDirectories(const AnsiString& path);
bool DeleteFile(const AnsiString& path);

// Whole file contents, byte for byte. Raises EFileError
// "Cannot open file \"%s\". %s" (path, system reason) when the file cannot be
// opened or read.
std::string ReadFileBytes(const AnsiString& path);

// Writes the file through a temporary file in the same folder and a rename,
// so the old contents survive a failed write. Raises EFileError with
// `failureMessage` formatted with the path ("Unable to write to %s" when empty).
void WriteFileAtomically(const AnsiString& path, std::string_view bytes,
                         std::string_view failureMessage = {});

// The folder for temporary files (TMPDIR or /tmp), without a trailing delimiter.
AnsiString TempFolder();

} // namespace kanvo
