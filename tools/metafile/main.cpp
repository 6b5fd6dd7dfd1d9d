// SPDX-License-Identifier: MIT
// movelle-metafile: reads a Windows metafile (WMF or EMF) on standard input and writes it as SVG
// on standard output. It runs as a child of Movelle, under a time and memory limit, because the
// libraries that do the work can hang or crash on a damaged file; a dead helper costs one frame,
// not the program.
#include "EmfToSvg.h"
#include "WmfToSvg.h"
#include "pictures/MetafileCheck.h"
#include "pictures/MetafileHelperProtocol.h"

#include <cstdio>
#include <vector>

using pictures::EmfToSvg;
using pictures::MetafileCheck;
using pictures::MetafileHelperProtocol;
using pictures::WmfToSvg;

namespace {

int exitFor(MetafileCheck::Problem problem, long long width, long long height)
{
    switch (problem) {
    case MetafileCheck::Problem::None: return MetafileHelperProtocol::ok;
    case MetafileCheck::Problem::NotAMetafile: return MetafileHelperProtocol::notAMetafile;
    case MetafileCheck::Problem::Damaged: return MetafileHelperProtocol::damaged;
    case MetafileCheck::Problem::TooLarge:
        std::fprintf(stderr, "%lld %lld\n", width, height);
        return MetafileHelperProtocol::tooLarge;
    }
    return MetafileHelperProtocol::damaged;
}

}

int main(int argc, char** argv)
{
    if (argc != 1) {
        std::fprintf(stderr, "usage: %s < picture.wmf > picture.svg\n", argv[0]);
        return MetafileHelperProtocol::usage;
    }
    std::vector<std::uint8_t> data;
    std::uint8_t chunk[65536];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) {
        data.insert(data.end(), chunk, chunk + n);
        if (data.size() > MetafileCheck::maxFileSize)
            return exitFor(MetafileCheck::Problem::TooLarge, 0, 0);
    }

    const MetafileCheck::Result checked = MetafileCheck::check(data);
    if (!checked.ok())
        return exitFor(checked.problem, checked.width, checked.height);

    std::string svg;
    if (checked.kind == MetafileCheck::Kind::Emf) {
        if (!EmfToSvg::recordsAreSafe(data, checked.length))
            return MetafileHelperProtocol::damaged;
        std::optional<std::string> converted = EmfToSvg::convert(data, checked);
        if (!converted)
            return MetafileHelperProtocol::conversionFailed;
        svg = std::move(*converted);
    } else {
        WmfToSvg::Outcome converted = WmfToSvg::convert(data, checked);
        if (!converted.svg)
            return exitFor(converted.problem, converted.width, converted.height);
        svg = std::move(*converted.svg);
    }
    if (std::fwrite(svg.data(), 1, svg.size(), stdout) != svg.size() || std::fflush(stdout) != 0)
        return MetafileHelperProtocol::conversionFailed;
    return MetafileHelperProtocol::ok;
}
