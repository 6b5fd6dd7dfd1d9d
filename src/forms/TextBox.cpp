// SPDX-License-Identifier: MIT
#include "forms/TextBox.h"

#include "forms/Application.h"
#include "forms/Window.h"

namespace forms {

namespace {

int characterCount(const std::string& text)
{
    int count = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

}

void TextBox::setText(const std::string& text)
{
    if (m_text == text)
        return;
    m_text = text;
    const int length = characterCount(m_text);
    if (m_selStart > length)
        m_selStart = length;
    if (m_selStart + m_selLength > length)
        m_selLength = length - m_selStart;
    changed(Property::Text);
}

void TextBox::setSelection(int start, int length)
{
    if (m_selStart == start && m_selLength == length)
        return;
    m_selStart = start;
    m_selLength = length;
    changed(Property::Selection);
}

void TextBox::selectAll()
{
    // Always tell the binding: the user may have moved the selection in the widget since.
    m_selStart = 0;
    m_selLength = characterCount(m_text);
    changed(Property::Selection);
}

void TextBox::setFocus()
{
    window().setFocusControl(this);
}

}
