#pragma once

#include <stdexcept>
#include <string>

namespace corvane {

// Every failure the program reports is one of these; the message is the exact text the user sees.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message);
    // The name shown by the last-resort "Application Error" box.
    virtual const char* className() const noexcept { return "Error"; }
    // Roughly where the error was raised, for that same box.
    const void* address() const noexcept { return address_; }

private:
    const void* address_;
};

// An error type whose class name, shown by the default error display, is its C++ name.
// The argument names a class, which parentheses would break.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define CORVANE_ERROR_CLASS(Name)                                                                            \
    class Name : public Error {                                                                              \
    public:                                                                                                  \
        using Error::Error;                                                                                  \
        const char* className() const noexcept override { return #Name; }                                    \
    }
// NOLINTEND(bugprone-macro-parentheses)

CORVANE_ERROR_CLASS(FileOpenError);

CORVANE_ERROR_CLASS(FileCreateError);

// "Cannot open file "path". reason" and "Cannot create file "path". reason", the reason being
// the system's text for errorNumber.
FileOpenError fileOpenError(const std::string& path, int errorNumber);
FileCreateError fileCreateError(const std::string& path, int errorNumber);

// The code box cannot take a text that large.
CORVANE_ERROR_CLASS(TextCapacityError);

class RegistryError : public Error {
public:
    // The message is the program's own text; the system's reason for the failure, when there is
    // one, is kept beside it.
    explicit RegistryError(const std::string& message, std::string systemReason = {});
    const char* className() const noexcept override { return "RegistryError"; }
    const std::string& systemReason() const noexcept { return systemReason_; }

private:
    std::string systemReason_;
};

CORVANE_ERROR_CLASS(JpegError);

CORVANE_ERROR_CLASS(BrowserError);

// The default error display's text: a "." is added unless the message is empty or its last
// character sorts at or below "." (so ".", "!", ")", quotes and spaces get nothing).
std::string errorDisplayText(const std::string& message);

// The text of the "Application Error" box for an error that escaped the creation of a window.
std::string applicationErrorText(const std::string& className, const std::string& moduleName,
                                 const void* address, const std::string& message);

// The operating system's text for an error number (errno here, a system error code on Windows),
// without its trailing spaces, line breaks and full stops.
std::string systemErrorText(int errorNumber);

// Cuts trailing spaces, control characters and full stops.
std::string trimMessageTail(std::string text);

} // namespace corvane
