// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the reader the way the program reads a file, and checks that anything
// the writer produces from valid UTF-8 values reads back unchanged.
#include "anifile/AniReader.h"
#include "anifile/AniWriter.h"
#include "anifile/TextCodec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// The reader promises UTF-8 whatever the input (no file of a raw name exists here), and fields
// only ever move forward.
void readLikeTheProgram(std::string_view input)
{
    anifile::Result<anifile::AniReader> opened = anifile::AniReader::fromBytes(std::string(input));
    if (!opened)
        return;
    anifile::AniReader& reader = opened.value();
    reader.setFileExists([](const std::string&) { return false; });
    std::size_t fields = 0;
    while (!reader.atEnd()) {
        anifile::Result<std::string> field = reader.readField();
        if (!field || !anifile::isValidUtf8(field.value()))
            std::abort();
        // Every field consumes at least one byte, so there can never be more fields than bytes.
        if (++fields > input.size())
            std::abort();
    }
    if (reader.readField())
        std::abort();
}

// Splits the input at NUL bytes into count, rate and frames; when all of them are valid UTF-8 the
// round trip through the writer must give them back exactly.
void roundTrip(std::string_view input)
{
    anifile::AniContent content;
    std::size_t index = 0;
    while (true) {
        const std::size_t nul = input.find('\0');
        const std::string_view value = input.substr(0, nul);
        if (!anifile::isValidUtf8(value))
            return;
        if (index == 0)
            content.countText = value;
        else if (index == 1)
            content.rateText = value;
        else
            content.frames.emplace_back(value);
        ++index;
        if (nul == std::string_view::npos)
            break;
        input.remove_prefix(nul + 1);
    }

    // Values the writer refuses are not written, so they need not read back.
    if (!anifile::AniWriter::checkContent("<memory>", content))
        return;
    anifile::AniReader reader = anifile::AniReader::fromBytes(anifile::AniWriter::encode(content)).value();
    if (reader.readField().value() != content.countText || reader.readField().value() != content.rateText)
        std::abort();
    for (const std::string& frame : content.frames) {
        if (reader.atEnd() || reader.readField().value() != frame)
            std::abort();
    }
    if (!reader.atEnd())
        std::abort();
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    readLikeTheProgram(input);
    roundTrip(input);
    return 0;
}
