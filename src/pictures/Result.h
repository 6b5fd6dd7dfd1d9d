// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/PictureError.h"

#include <optional>
#include <utility>

namespace pictures {

// A value or the reason there is none. Header parsers return one, so that decoding can only start
// from a header that was found sound.
template<typename T>
class Result {
public:
    Result(T value)
        : m_value(std::move(value))
    {
    }
    Result(PictureError error)
        : m_error(std::move(error))
    {
    }
    Result(Problem problem)
        : m_error(problem)
    {
    }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return *m_value; }
    T& value() & { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T* operator->() const { return &*m_value; }
    const PictureError& error() const { return m_error; }

private:
    std::optional<T> m_value;
    PictureError m_error;
};

}
