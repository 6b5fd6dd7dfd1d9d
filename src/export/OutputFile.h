// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace exporter {

// Where an export writes while it runs: a hidden temporary file (or folder, for a picture
// sequence) named ".movelle-export-<pid>-<random>" and locked by the export for as long as it
// exists. commit() moves the work into place; destroying an OutputFile that was not committed
// removes the temporary, so a failed or interrupted export leaves nothing behind. Temporaries that
// a killed export left in the same folder are removed on the way in.
//
// Every message names the output as the user gave it, never the temporary.
class OutputFile {
public:
    // A file. A symbolic link named as the output is written through: the file it leads to is
    // replaced and the link stays. Throws ExportError (Output) when the folder cannot be written.
    explicit OutputFile(const std::string& target);
    // A picture sequence: the files `names` in the folder `directory` (created when missing). The
    // export owns the whole numbered sequence: the files that `owned` accepts and that are not
    // among `names` (the rest of an older, longer sequence) are removed when it commits. Throws
    // ExportError (Output) when a folder stands in the place of one of the names.
    OutputFile(
        const std::string& directory, std::vector<std::string> names, std::function<bool(std::string_view name)> owned);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // The temporary file, or the temporary folder to write the sequence's files into.
    const std::string& temporary() const { return m_temporary; }
    // The output as the user named it.
    const std::string& target() const { return m_target; }

    // A sequence whose length is known only once it is written (an import): its names, given
    // before commit().
    void setNames(std::vector<std::string> names) { m_names = std::move(names); }

    // The existing files that commit() would replace or remove (after following a link named as
    // the output), so that the caller can refuse to destroy what the export reads.
    std::vector<std::string> replacedFiles() const;

    // File: renames the temporary over the target. Sequence: moves every file into the folder
    // only once all are written, then removes the rest of the sequence; should anything fail on
    // the way, the folder is put back as it was. Throws ExportError (Output).
    void commit();

    // The name a temporary of ours has: ".movelle-export-", the number of the process that made
    // it, "-" and ten letters or digits. Anything else is not ours and is never removed.
    static bool isTemporaryName(std::string_view name, int* pid = nullptr);

private:
    void create(const std::string& directory, bool folder);
    void checkNames() const;
    void commitSequence();

    std::string m_target;
    // The file a File output replaces, or the folder a sequence goes into.
    std::string m_destination;
    std::string m_temporary;
    std::vector<std::string> m_names;
    std::function<bool(std::string_view)> m_owned;
    bool m_sequence = false;
    // A sequence into a folder that does not exist yet: the temporary folder becomes it.
    bool m_newFolder = false;
    // Open and locked until the temporary is renamed or removed.
    int m_lock = -1;
    bool m_committed = false;
};

}
