// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace pictures {

// Small textual repairs on the SVG that libwmf and emf2svg write. Their output is regular enough
// (one generator, known shapes) that string edits are safer than a round trip through a parser
// that might choke on what they get wrong.
class SvgEdit {
public:
    struct ViewBox {
        double x = 0;
        double y = 0;
        double width = 0;
        double height = 0;
    };

    // Replaces the root <svg> start tag: both namespaces declared, the pixel size, the view box
    // that maps onto it, and no aspect-ratio games. False when there is no root tag.
    static bool setRoot(std::string& svg, long long width, long long height, const ViewBox& box);
    // Drops the document type declaration, which points at a DTD nobody should fetch.
    static void removeDoctype(std::string& svg);
    // Every <image>: without a transform attribute (its x, y, width and height already place it)
    // and stretched to its box without smoothing, as Windows stretches a metafile's bitmap.
    static void fixImages(std::string& svg);
    static void replaceAll(std::string& svg, const std::string& from, const std::string& to);
    // The end of the tag starting at `from` (the index of its '>'), skipping quoted values.
    static std::size_t tagEnd(const std::string& svg, std::size_t from);
};

}
