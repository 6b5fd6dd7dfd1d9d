// SPDX-License-Identifier: MIT
#pragma once

#include <stdexcept>
#include <string>

namespace exporter {

// Why an export stopped. Thrown inside the export and turned into the exit status and message by
// ExportCommand; the message names the file (and the frame, where there is one) and the cause.
class ExportError : public std::runtime_error {
public:
    enum class Kind {
        // The animation or one of its pictures cannot be read or used.
        BadInput,
        // The output cannot be written, or an encoder refused.
        Output,
        // The user pressed Ctrl-C or the process was asked to stop.
        Interrupted,
    };

    ExportError(Kind kind, const std::string& message)
        : std::runtime_error(message)
        , m_kind(kind)
    {
    }

    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

}
