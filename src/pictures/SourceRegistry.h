// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <compare>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace pictures {

class PictureSource;

// One source per file, however its path is spelled: sources are known by the file's identity
// (device, inode, size, modification and change times), as long as a frame still uses them. A file
// changed on disk is a new identity, and so a new source. Safe to use from several threads.
class SourceRegistry {
public:
    using Source = std::shared_ptr<const PictureSource>;

    struct Identity {
        std::uint64_t device;
        std::uint64_t inode;
        std::int64_t size;
        std::int64_t modified;
        std::int64_t changed;
        friend auto operator<=>(const Identity&, const Identity&) = default;
    };

    // The identity of a regular file; none for anything else. stat() neither opens the file nor
    // blocks on a pipe.
    static std::optional<Identity> identify(const QString& path);

    // The source of that file still in use, or null.
    Source find(const Identity& identity);
    // Registers `source` for the file, or returns the one another thread registered meanwhile.
    Source add(const Identity& identity, Source source);
    // Sources still in use.
    std::size_t count();

private:
    std::mutex m_mutex;
    std::map<Identity, std::weak_ptr<const PictureSource>> m_sources;
    std::size_t m_sweepAt = 64;
};

}
