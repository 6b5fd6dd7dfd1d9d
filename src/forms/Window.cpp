// SPDX-License-Identifier: MIT
#include "forms/Window.h"

#include "forms/Application.h"
#include "forms/Clock.h"
#include "forms/CommandButton.h"
#include "forms/Control.h"
#include "forms/Label.h"
#include "forms/Timer.h"
#include "forms/WindowObserver.h"
#include "forms/WindowSystem.h"

#include <algorithm>
#include <cctype>

namespace forms {

Window::Window(Application& application, std::string name)
    : m_application(application)
    , m_name(std::move(name))
{
}

Window::~Window() = default;

void Window::setCaption(const std::string& caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    if (m_observer)
        m_observer->windowChanged(*this);
}

void Window::setClientSize(float width, float height)
{
    m_clientWidth = width;
    m_clientHeight = height;
    if (m_observer)
        m_observer->windowChanged(*this);
}

void Window::setBackground(unsigned rgb, const std::string& picture)
{
    m_backColor = rgb;
    m_hasBackColor = true;
    m_backgroundPicture = picture;
}

void Window::show()
{
    m_shown = true;
    m_application.windowSystem().showWindow(*this);
}

void Window::hide()
{
    m_shown = false;
    m_application.windowSystem().hideWindow(*this);
}

void Window::frameClosed()
{
    m_application.unload(*this);
}

void Window::characterTyped(int code)
{
    if (m_application.ended())
        return;
    if (m_keyPreview && onKeyPress)
        m_application.dispatch([this, code] { onKeyPress(code); });
    if (m_application.ended())
        return;
    if (code == '\r' && m_defaultButton)
        m_defaultButton->click();
    else if (code == 27 && m_cancelButton)
        m_cancelButton->click();
}

namespace {

// The letter after a single "&" in a caption ("&&" stands for an ampersand), or 0.
char accessLetter(const std::string& caption)
{
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&')
            continue;
        if (caption[i + 1] != '&')
            return static_cast<char>(std::tolower(static_cast<unsigned char>(caption[i + 1])));
        ++i;
    }
    return 0;
}

// Only a control with a window of its own can hold the keyboard.
bool takesFocus(const Control& control)
{
    return control.isWindowed() && control.acceptsInput();
}

}

bool Window::accessKey(char letter)
{
    if (m_application.ended() || letter == 0)
        return false;
    const char wanted = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    const std::vector<Control*>& order = m_tabOrder.empty() ? m_controls : m_tabOrder;
    for (auto it = order.begin(); it != order.end(); ++it) {
        const Control& control = **it;
        if (control.kind() != ControlKind::Label || !control.acceptsInput()
            || accessLetter(static_cast<const Label&>(control).caption()) != wanted)
            continue;
        auto next = std::find_if(it + 1, order.end(), [](const Control* c) { return takesFocus(*c); });
        if (next == order.end())
            return false;
        setFocusControl(*next);
        return true;
    }
    return false;
}

void Window::adopt(Control& control)
{
    m_controls.push_back(&control);
}

void Window::bringToFront(Control& control)
{
    if (!m_front.empty() && m_front.back() == &control)
        return;
    if (control.m_inFront)
        std::erase(m_front, &control);
    m_front.push_back(&control);
    control.m_inFront = true;
    controlChanged(control, Property::ZOrder);
}

void Window::forget(Control& control)
{
    if (control.m_inFront)
        std::erase(m_front, &control);
    std::erase(m_controls, &control);
    std::erase(m_tabOrder, &control);
    if (m_focus == &control)
        m_focus = nullptr;
}

void Window::adoptArray(ControlArrayBase& array)
{
    m_arrays.push_back(&array);
}

void Window::controlChanged(Control& control, Property property)
{
    if (control.kind() == ControlKind::Timer && (property == Property::Enabled || property == Property::Interval))
        m_application.clock().timerChanged(static_cast<Timer&>(control));
    // A hidden or disabled control must not keep the keyboard: keys typed next would edit it.
    if (&control == m_focus && (property == Property::Visible || property == Property::Enabled)
        && !takesFocus(control))
        passFocusOn(control);
    if (m_observer)
        m_observer->controlChanged(control, property);
}

void Window::elementAdded(Control& control)
{
    if (m_observer)
        m_observer->controlAdded(control);
}

void Window::elementRemoved(Control& control)
{
    if (control.m_inFront)
        std::erase(m_front, &control);
    if (m_focus == &control)
        m_focus = nullptr;
    if (m_observer)
        m_observer->controlRemoved(control);
}

void Window::setFocusControl(Control* control)
{
    m_focus = control;
    if (control && m_observer)
        m_observer->focusRequested(*control);
}

void Window::focusMoved(Control* control)
{
    m_focus = control;
}

void Window::passFocusOn(Control& from)
{
    const std::vector<Control*>& order = m_tabOrder.empty() ? m_controls : m_tabOrder;
    // A loaded array element stands in the tab order where its element 0 does.
    auto here = std::find(order.begin(), order.end(), &from);
    if (here == order.end())
        here = std::find_if(order.begin(), order.end(), [&from](const Control* c) { return c->name() == from.name(); });
    const std::size_t start = here == order.end() ? order.size() : static_cast<std::size_t>(here - order.begin());
    // Onwards from the control, round to the start again, as Tab goes.
    for (std::size_t step = 1; step <= order.size(); ++step) {
        Control* candidate = order[(start + step) % order.size()];
        if (candidate != &from && takesFocus(*candidate)) {
            setFocusControl(candidate);
            return;
        }
    }
    m_focus = nullptr;
    if (m_observer)
        m_observer->windowFocused(*this);
}

}
