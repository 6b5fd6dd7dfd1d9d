// SPDX-License-Identifier: MIT
#include "forms/NumericText.h"

#include "forms/Error.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace forms {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int digitValue(char c, int base)
{
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v < base ? v : -1;
}

double finite(double v)
{
    if (std::isinf(v))
        return v > 0 ? DBL_MAX : -DBL_MAX;
    return v;
}

// Reads the longest number at the start of `s` (which holds no blanks when called for the
// leading-number rule). Returns the characters consumed, 0 when there is no number.
std::size_t scanNumber(std::string_view s, double& value)
{
    value = 0;
    std::size_t i = 0;
    if (s.size() >= 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
        const int base = (s[1] == 'H' || s[1] == 'h') ? 16 : 8;
        i = 2;
        double v = 0;
        const std::size_t start = i;
        for (; i < s.size(); ++i) {
            const int d = digitValue(s[i], base);
            if (d < 0)
                break;
            v = v * base + d;
        }
        if (i == start)
            return 0;
        value = finite(v);
        return i;
    }

    std::string number;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        number += s[i++];
    std::size_t digits = 0;
    while (i < s.size() && isDigit(s[i])) {
        number += s[i++];
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        number += s[i++];
        while (i < s.size() && isDigit(s[i])) {
            number += s[i++];
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    // An exponent counts only when digits follow it; "1E" is the number 1 followed by a letter.
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            exponent += s[j++];
        if (j < s.size() && isDigit(s[j])) {
            while (j < s.size() && isDigit(s[j]))
                exponent += s[j++];
            number += exponent;
            i = j;
        }
    }
    value = finite(std::strtod(number.c_str(), nullptr));
    return i;
}

}

double leadingNumber(std::string_view text)
{
    std::string compact;
    compact.reserve(text.size());
    for (char c : text) {
        if (!isBlank(c))
            compact += c;
    }
    double value = 0;
    scanNumber(compact, value);
    return value;
}

double strictNumber(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    const std::string_view core = text.substr(begin, end - begin);
    double value = 0;
    if (core.empty() || scanNumber(core, value) != core.size())
        throw Error(ErrorKind::TypeMismatch, "\"" + std::string(text) + "\" is not a number.");
    return value;
}

std::string numberText(double value)
{
    if (value == 0 || std::isnan(value))
        return "0";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    return buffer;
}

std::string numberText(float value)
{
    if (value == 0 || std::isnan(value))
        return "0";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.7G", static_cast<double>(value));
    return buffer;
}

double roundHalfEven(double value)
{
    // rint follows the current rounding mode, which is round-to-nearest-even unless someone
    // changed it; nearbyint would do the same. Spell it out so nothing depends on that.
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff < 0.5)
        return floor;
    if (diff > 0.5)
        return floor + 1;
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

int roundToIndex(double value)
{
    const double r = roundHalfEven(value);
    if (!(r >= -32768 && r <= 32767))
        throw Error(ErrorKind::Overflow, "The index " + numberText(value) + " is too large; indexes go up to 32767.");
    return static_cast<int>(r);
}

std::int64_t roundToInterval(double value)
{
    const double r = roundHalfEven(value);
    if (!(r >= std::numeric_limits<std::int32_t>::min() && r <= std::numeric_limits<std::int32_t>::max()))
        throw Error(ErrorKind::Overflow, "The number " + numberText(value) + " is too large for a timer interval.");
    return static_cast<std::int64_t>(r);
}

}
