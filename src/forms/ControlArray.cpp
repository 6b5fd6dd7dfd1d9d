// SPDX-License-Identifier: MIT
#include "forms/ControlArray.h"

#include <cctype>

namespace forms {

namespace {

std::string capitalized(std::string s)
{
    if (!s.empty())
        s[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    return s;
}

}

void ControlArrayBase::missing(int i) const
{
    if (!m_noun.empty())
        throw Error(ErrorKind::ElementMissing, "There is no " + m_noun + " " + std::to_string(i + 1) + ".");
    throw Error(ErrorKind::ElementMissing, "There is no element " + std::to_string(i) + " of " + m_name + ".");
}

void ControlArrayBase::existing(int i) const
{
    if (!m_noun.empty())
        throw Error(ErrorKind::ElementExists, capitalized(m_noun) + " " + std::to_string(i + 1) + " exists already.");
    throw Error(ErrorKind::ElementExists, "Element " + std::to_string(i) + " of " + m_name + " exists already.");
}

void ControlArrayBase::unloadingZero() const
{
    if (!m_noun.empty())
        throw Error(ErrorKind::ElementZero, capitalized(m_noun) + " 1 cannot be removed.");
    throw Error(ErrorKind::ElementZero, "Element 0 of " + m_name + " cannot be removed.");
}

}
