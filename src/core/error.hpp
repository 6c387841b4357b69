// Errors raised by the pure C++ cores. They carry the Python exception class
// they stand for; the binding layer turns them into that exception once, at
// the boundary of each call.
#pragma once
#include <stdexcept>
#include <string>

namespace tiven {

enum class ErrorKind {
    Exception,          // the interpreter's base Exception, the system's own messages
    TypeError,
    ValueError,
    IndexError,
    KeyError,
    LookupError,
    ZeroDivisionError,
    OverflowError,
    RecursionError,
    RuntimeError,
    OSError,
    FileNotFoundError,
    StructError,        // the `struct` module's error class
    MemoryError,
};

class Error : public std::runtime_error {
public:
    Error(ErrorKind kind, const std::string& message)
        : std::runtime_error(message), kind_(kind) {}
    ErrorKind kind() const noexcept { return kind_; }

private:
    ErrorKind kind_;
};

[[noreturn]] inline void fail(const std::string& message) {
    throw Error(ErrorKind::Exception, message);
}
[[noreturn]] inline void fail(ErrorKind kind, const std::string& message) {
    throw Error(kind, message);
}

// Thrown when a Python exception is already set (the C API reported failure);
// the boundary returns NULL without touching the set exception.
struct PythonErrorSet {};

}  // namespace tiven
