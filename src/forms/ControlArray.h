// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Control.h"
#include "forms/Error.h"
#include "forms/Window.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace forms {

// The part of a control array the window and the binding see, whatever the element type.
class ControlArrayBase {
public:
    virtual ~ControlArrayBase() = default;

    const std::string& name() const { return m_name; }
    // One more than the highest existing index.
    int size() const { return static_cast<int>(m_slots.size()); }
    bool exists(int i) const { return i >= 0 && i < size() && m_slots[static_cast<std::size_t>(i)]; }
    // The element at i, or null.
    Control* at(int i) const { return exists(i) ? m_slots[static_cast<std::size_t>(i)].get() : nullptr; }
    int count() const { return m_count; }

    static constexpr int kMaxIndex = 32767;

protected:
    ControlArrayBase(std::string name, std::string noun)
        : m_name(std::move(name))
        , m_noun(std::move(noun))
    {
    }

    [[noreturn]] void missing(int i) const;
    [[noreturn]] void existing(int i) const;
    [[noreturn]] void unloadingZero() const;

    std::string m_name;
    std::string m_noun;
    std::vector<std::unique_ptr<Control>> m_slots;
    int m_count = 0;
};

// Several controls under one name, told apart by index. Element 0 exists from the window's
// creation and is a design-time control; load(i) copies element 0's properties, invisible.
template<typename T>
class ControlArray final : public ControlArrayBase {
public:
    // `noun` names an element in error messages ("frame" gives "There is no frame 5."); the
    // number shown is one-based, as the user counts frames.
    ControlArray(Window& window, std::string name, std::string noun = {})
        : ControlArrayBase(name, std::move(noun))
        , m_window(window)
    {
        auto zero = std::make_unique<T>(window, name);
        zero->m_index = 0;
        wire(*zero, 0);
        m_slots.push_back(std::move(zero));
        m_count = 1;
        window.adoptArray(*this);
    }

    ~ControlArray() override
    {
        // Element 0 was adopted as a design-time control; the window must not reach it afterwards.
        m_window.forget(*m_slots[0]);
    }

    ControlArray(const ControlArray&) = delete;
    ControlArray& operator=(const ControlArray&) = delete;

    T& operator()(int i) const
    {
        if (!exists(i))
            missing(i);
        return static_cast<T&>(*m_slots[static_cast<std::size_t>(i)]);
    }

    T* find(int i) const { return static_cast<T*>(at(i)); }

    void load(int i)
    {
        if (i < 0 || i > kMaxIndex)
            missing(i);
        if (exists(i))
            existing(i);
        auto element = std::make_unique<T>(static_cast<const T&>(*m_slots[0]));
        element->m_index = i;
        element->m_visible = false;
        wire(*element, i);
        if (static_cast<std::size_t>(i) >= m_slots.size())
            m_slots.resize(static_cast<std::size_t>(i) + 1);
        T& added = *element;
        m_slots[static_cast<std::size_t>(i)] = std::move(element);
        ++m_count;
        m_window.elementAdded(added);
    }

    void unload(int i)
    {
        if (i == 0)
            unloadingZero();
        if (!exists(i))
            missing(i);
        std::unique_ptr<Control> element = std::move(m_slots[static_cast<std::size_t>(i)]);
        --m_count;
        while (!m_slots.empty() && !m_slots.back())
            m_slots.pop_back();
        m_window.elementRemoved(*element);
    }

    // Click handler for every element of a button array, given the element's index.
    std::function<void(int)> onClick;

private:
    void wire(T& element, int i)
    {
        if constexpr (requires { element.onClick = std::function<void()>(); }) {
            element.onClick = [this, i] {
                if (onClick)
                    onClick(i);
            };
        }
    }

    Window& m_window;
};

}
