#pragma once
// The exceptions the form layer raises and reports. Anything thrown while a
// message is handled ends up in the application's exception box; EAbort is
// the silent one.

#include <exception>
#include <string>

namespace forms {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}

    // Shift_JIS bytes, like every text of the program.
    const std::string& Message() const { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

class EAbort : public Exception {
public:
    EAbort() : Exception(std::string()) {}
};

}  // namespace forms
