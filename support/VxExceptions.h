#pragma once
// The framework's exception tree. The message is what the user reads, in the
// system's code page (CP1252 bytes), exactly as it will be shown.

#include <cstdint>
#include <stdexcept>
#include <string>

class EVxException : public std::runtime_error {
public:
    explicit EVxException(const std::string& Msg, int32_t ACode = 0)
        : std::runtime_error(Msg), FCode(ACode) {}
    int32_t Code() const noexcept { return FCode; }

private:
    int32_t FCode;
};

// Failures the user can meet at run time.
class EVxError : public EVxException {
public:
    using EVxException::EVxException;
};

// Misuse of the framework by the program (configuration or programming error).
class EVxInternalError : public EVxError {
public:
    using EVxError::EVxError;
};

// Ends an operation whose error has already been shown; never displayed.
class EAbort : public std::runtime_error {
public:
    EAbort() : std::runtime_error("Operation aborted") {}
};

// The standard range error, raised by the global values table.
class ERangeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
