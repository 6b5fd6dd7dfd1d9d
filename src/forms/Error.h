// SPDX-License-Identifier: MIT
#pragma once

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

    ErrorKind kind() const { return m_kind; }
    // The whole story when the message gives only its start (every bad frame of an open);
    // empty when the message says it all.
    const std::string& details() const { return m_details; }

private:
    ErrorKind m_kind;
    std::string m_details;
};

}
