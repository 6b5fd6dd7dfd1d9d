// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace pictures {

// Little-endian fields of a run of bytes: a metafile record, a bitmap or icon header, a PCX file.
// Every read is checked against the bytes that exist: a field beyond them reads as 0 and a span
// beyond them comes back empty, so a header or record that claims more than it holds reads less,
// never past the file. The readers of every format share this one reader.
class RecordBytes {
public:
    RecordBytes() = default;
    explicit RecordBytes(std::span<const std::uint8_t> bytes)
        : m_bytes(bytes)
    {
    }
    RecordBytes(const char* data, std::size_t size)
        : m_bytes(reinterpret_cast<const std::uint8_t*>(data), size)
    {
    }

    std::size_t size() const { return m_bytes.size(); }
    bool holds(std::size_t at, std::size_t count) const
    {
        return at <= m_bytes.size() && count <= m_bytes.size() - at;
    }

    std::uint8_t u8(std::size_t at) const { return holds(at, 1) ? m_bytes[at] : 0; }
    std::uint16_t u16(std::size_t at) const
    {
        return holds(at, 2) ? std::uint16_t(m_bytes[at] | m_bytes[at + 1] << 8) : 0;
    }
    std::int16_t s16(std::size_t at) const { return std::int16_t(u16(at)); }
    std::uint32_t u32(std::size_t at) const
    {
        return holds(at, 4) ? std::uint32_t(u16(at)) | std::uint32_t(u16(at + 2)) << 16 : 0;
    }
    std::int32_t s32(std::size_t at) const { return std::int32_t(u32(at)); }
    // The one big-endian field our readers meet: a PNG header inside an icon.
    std::uint32_t u32be(std::size_t at) const
    {
        return holds(at, 4) ? std::uint32_t(m_bytes[at]) << 24 | std::uint32_t(m_bytes[at + 1]) << 16
                | std::uint32_t(m_bytes[at + 2]) << 8 | m_bytes[at + 3]
                            : 0;
    }
    float f32(std::size_t at) const
    {
        const std::uint32_t bits = u32(at);
        float value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // `count` bytes from `at`, or nothing when they are not all there.
    std::span<const std::uint8_t> span(std::size_t at, std::size_t count) const
    {
        return holds(at, count) ? m_bytes.subspan(at, count) : std::span<const std::uint8_t>();
    }
    // Everything from `at` to the end (empty past it).
    std::span<const std::uint8_t> rest(std::size_t at) const
    {
        return at <= m_bytes.size() ? m_bytes.subspan(at) : std::span<const std::uint8_t>();
    }

    // How many items of `itemSize` bytes fit from `at`, at most `wanted`.
    std::size_t fitting(std::size_t at, std::size_t wanted, std::size_t itemSize) const
    {
        if (at > m_bytes.size())
            return 0;
        const std::size_t room = (m_bytes.size() - at) / itemSize;
        return wanted < room ? wanted : room;
    }

private:
    std::span<const std::uint8_t> m_bytes;
};

}
