// SPDX-License-Identifier: MIT
#include "import/NaturalOrder.h"

#include <cctype>

namespace importer {

namespace {

bool isDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

}

bool naturalLess(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (!isDigit(a[i]) || !isDigit(b[j])) {
            if (a[i] != b[j])
                return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
            ++i;
            ++j;
            continue;
        }
        // Two runs of digits: compare their values by length once the leading zeros are gone,
        // which needs no arithmetic and so no bound on how long a run may be.
        const std::size_t startA = i;
        const std::size_t startB = j;
        while (i < a.size() && a[i] == '0')
            ++i;
        while (j < b.size() && b[j] == '0')
            ++j;
        const std::size_t valueA = i;
        const std::size_t valueB = j;
        while (i < a.size() && isDigit(a[i]))
            ++i;
        while (j < b.size() && isDigit(b[j]))
            ++j;
        const std::string_view digitsA = a.substr(valueA, i - valueA);
        const std::string_view digitsB = b.substr(valueB, j - valueB);
        if (digitsA.size() != digitsB.size())
            return digitsA.size() < digitsB.size();
        if (digitsA != digitsB)
            return digitsA < digitsB;
        if (valueA - startA != valueB - startB)
            return valueA - startA > valueB - startB;
    }
    return a.size() - i < b.size() - j;
}

}
