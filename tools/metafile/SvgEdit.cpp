// SPDX-License-Identifier: MIT
#include "SvgEdit.h"

#include <cctype>
#include <cstdio>

namespace pictures {

namespace {

std::string number(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", v);
    return text;
}

}

std::size_t SvgEdit::tagEnd(const std::string& svg, std::size_t from)
{
    char quote = 0;
    for (std::size_t i = from; i < svg.size(); ++i) {
        const char c = svg[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i;
        }
    }
    return std::string::npos;
}

bool SvgEdit::setRoot(std::string& svg, long long width, long long height, const ViewBox& box)
{
    const std::size_t start = svg.find("<svg");
    if (start == std::string::npos)
        return false;
    const std::size_t end = tagEnd(svg, start);
    if (end == std::string::npos)
        return false;
    const std::string root = "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\""
                             " version=\"1.1\" width=\""
        + std::to_string(width) + "\" height=\"" + std::to_string(height) + "\" viewBox=\"" + number(box.x) + " "
        + number(box.y) + " " + number(box.width) + " " + number(box.height) + "\" preserveAspectRatio=\"none\">";
    svg.replace(start, end - start + 1, root);
    return true;
}

void SvgEdit::removeDoctype(std::string& svg)
{
    const std::size_t start = svg.find("<!DOCTYPE");
    if (start == std::string::npos)
        return;
    const std::size_t end = tagEnd(svg, start);
    if (end != std::string::npos)
        svg.erase(start, end - start + 1);
}

void SvgEdit::fixImages(std::string& svg)
{
    std::size_t at = 0;
    while ((at = svg.find("<image", at)) != std::string::npos) {
        std::size_t end = tagEnd(svg, at);
        if (end == std::string::npos)
            return;
        const std::size_t transform = svg.find("transform=\"", at);
        if (transform != std::string::npos && transform < end
            && std::isspace(static_cast<unsigned char>(svg[transform - 1]))) {
            const std::size_t close = svg.find('"', transform + 11);
            if (close != std::string::npos && close < end) {
                svg.erase(transform, close - transform + 1);
                end = tagEnd(svg, at);
            }
        }
        const std::size_t aspect = svg.find("preserveAspectRatio", at);
        if (aspect == std::string::npos || aspect > end) {
            // Windows stretches metafile bitmaps pixel by pixel, without smoothing.
            const std::string stretched = " preserveAspectRatio=\"none\" image-rendering=\"optimizeSpeed\"";
            svg.insert(at + 6, stretched);
            end += stretched.size();
        }
        at = end;
    }
}

void SvgEdit::replaceAll(std::string& svg, const std::string& from, const std::string& to)
{
    std::size_t at = 0;
    while ((at = svg.find(from, at)) != std::string::npos) {
        svg.replace(at, from.size(), to);
        at += to.size();
    }
}

}
