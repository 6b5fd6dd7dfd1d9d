// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace exporter {

// Where an export writes while it runs: a hidden temporary file (or directory, for a picture
// sequence) beside the output. commit() moves it into place; destroying an OutputFile that was not
// committed removes the temporary, so a failed or interrupted export leaves nothing behind.
class OutputFile {
public:
    enum class Type { File, Directory };

    // Creates the temporary. Throws ExportError (Output) when the directory cannot be written.
    OutputFile(const std::string& target, Type type);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // The temporary file, or the temporary directory to put the sequence's files in.
    const std::string& temporary() const { return m_temporary; }

    // File: renames the temporary over the target. Directory: moves every file of the temporary
    // directory into the target directory (created if needed), replacing files of the same name.
    // Throws ExportError (Output).
    void commit();

private:
    std::string m_target;
    std::string m_temporary;
    Type m_type;
    bool m_committed = false;
};

}
