// Errors: exceptions that carry a message text in the process code page, and
// the message formatting of the system's texts ("%s", "%d", ...).
#pragma once

#include "platform/text_types.h"

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <variant>

namespace kanvo {

// The root of every error the system raises. The message is 8-bit text in the
// process code page, exactly as a user will see it.
class Exception : public std::exception {
public:
    explicit Exception(AnsiString message) : message_(std::move(message)) {}
    const AnsiString& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    AnsiString message_;
};

// A value converted into a type it cannot take ("Could not convert variant ...").
class EVariantError : public Exception {
public:
    using Exception::Exception;
};

// A text that does not read as the number or date asked for.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A file that cannot be opened, read or written.
class EFileError : public Exception {
public:
    using Exception::Exception;
};

// One argument of Format: a text, an integer or a float.
class FormatArg {
public:
    FormatArg(std::string_view text) : value_(AnsiString(text)) {}
    FormatArg(const char* text) : value_(AnsiString(text)) {}
    FormatArg(const AnsiString& text) : value_(text) {}
    FormatArg(int value) : value_(int64_t{value}) {}
    FormatArg(unsigned value) : value_(int64_t{value}) {}
    FormatArg(long value) : value_(int64_t{value}) {}
    FormatArg(unsigned long value) : value_(static_cast<int64_t>(value)) {}
    FormatArg(long long value) : value_(int64_t{value}) {}
    FormatArg(unsigned long long value) : value_(static_cast<int64_t>(value)) {}
    FormatArg(double value) : value_(value) {}

    const std::variant<AnsiString, int64_t, double>& Value() const { return value_; }

private:
    std::variant<AnsiString, int64_t, double> value_;
};

// Formats like the run-time library's Format: %s, %d, %u, %x, %X, %f, %e, %g,
// %n, %m and %%, with optional "-", width and ".precision" ("%5.2f", "%-8s",
// "%.3d"). Arguments are taken in order; a missing argument or a kind that does
// not fit the directive raises EConvertError ("Format '%s' invalid or
// incompatible with argument"). Floats use the process locale's decimal
// separator.
AnsiString Format(std::string_view format, std::initializer_list<FormatArg> args);

// The reason text of a system error number (strerror), in the process code page.
AnsiString SystemErrorMessage(int errorNumber);

} // namespace kanvo
