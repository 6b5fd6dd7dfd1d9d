// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace forms {

enum class ErrorKind {
    ElementMissing,   // a control-array element that does not exist
    ElementExists,    // loading an element that exists already
    ElementZero,      // unloading element 0
    BadPicture,       // a file that is missing or not a picture we can read
    OutOfRange,       // a property value outside what the property accepts
    Overflow,         // a number too large for the whole number it must become
    TypeMismatch,     // text that must be a number and is not
    FileError,        // a file that cannot be created, read or written
    DriveNotReady,    // a drive or directory that cannot be entered
    NoApplication,    // an embedded object whose class no application on the desktop opens
    OutOfMemory,      // a picture that does not fit the memory available
};

// The one error type of the forms layer. It is thrown at the failing step of a handler; the
// application's dispatcher catches it, so earlier steps stay done and later ones never run.
class Error : public std::runtime_error {
public:
    Error(ErrorKind kind, const std::string& message, std::string details = {})
        : std::runtime_error(message)
        , m_kind(kind)
        , m_details(std::move(details))
    {
    }

    // A picture that does not fit the memory available, and how many bytes it needs decoded
    // (0 when that is not known).
    static Error outOfMemory(const std::string& message, std::int64_t bytesNeeded)
    {
        Error e(ErrorKind::OutOfMemory, message);
        e.m_bytesNeeded = bytesNeeded;
        return e;
    }

    ErrorKind kind() const { return m_kind; }
    std::int64_t bytesNeeded() const { return m_bytesNeeded; }
    // The whole story when the message gives only its start (every bad frame of an open);
    // empty when the message says it all.
    const std::string& details() const { return m_details; }

private:
    ErrorKind m_kind;
    std::string m_details;
    std::int64_t m_bytesNeeded = 0;
};

}
