// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <utility>

namespace anifile {

// Why an animation file could not be saved or read. The message is meant to be shown to the user
// as it is: it always names the file and the cause, e.g.
// "cannot write /home/ann/anim.ani: Permission denied".
class Error
{
public:
    enum class Kind {
        // The operating system refused to open, read, write or replace the file.
        Io,
        // The name cannot be used for a file, e.g. it holds the wildcard characters * or ?.
        InvalidName,
        // The file is larger than any animation file can sensibly be, so it is not read at all.
        TooLarge,
        // A line of the file is longer than any value an animation file holds.
        LineTooLong,
        // The file is no 8-bit text: it holds NUL bytes or is UTF-16.
        NotText,
        // A value cannot be written so that it reads back: it holds a NUL byte or is too long.
        InvalidValue,
        // A field was asked for after the file had already ended.
        UnexpectedEnd,
    };

    Error(Kind kind, std::string message)
        : m_kind(kind)
        , m_message(std::move(message))
    {
    }

    Kind kind() const { return m_kind; }
    const std::string& message() const { return m_message; }

private:
    Kind m_kind;
    std::string m_message;
};

}
