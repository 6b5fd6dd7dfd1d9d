// SPDX-License-Identifier: MIT
#include "pictures/SourceRegistry.h"

#include <QFile>

#include <algorithm>
#include <sys/stat.h>

namespace pictures {

std::optional<SourceRegistry::Identity> SourceRegistry::identify(const QString& path)
{
    struct stat status { };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return Identity {std::uint64_t(status.st_dev), std::uint64_t(status.st_ino), std::int64_t(status.st_size),
        std::int64_t(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec,
        std::int64_t(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec};
}

SourceRegistry::Source SourceRegistry::find(const Identity& identity)
{
    std::lock_guard lock(m_mutex);
    auto it = m_sources.find(identity);
    return it == m_sources.end() ? nullptr : it->second.lock();
}

SourceRegistry::Source SourceRegistry::add(const Identity& identity, Source source)
{
    std::lock_guard lock(m_mutex);
    std::weak_ptr<const PictureSource>& slot = m_sources[identity];
    // Another thread read the same file meanwhile: there is still only one source.
    if (Source known = slot.lock())
        return known;
    slot = source;
    if (m_sources.size() >= m_sweepAt) {
        std::erase_if(m_sources, [](const auto& entry) { return entry.second.expired(); });
        m_sweepAt = std::max<std::size_t>(64, m_sources.size() * 2);
    }
    return source;
}

std::size_t SourceRegistry::count()
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_sources, [](const auto& entry) { return entry.second.expired(); });
    return m_sources.size();
}

}
