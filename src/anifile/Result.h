// SPDX-License-Identifier: MIT
#pragma once

#include "anifile/Error.h"

#include <cassert>
#include <optional>
#include <utility>
#include <variant>

namespace anifile {

// Either a value or the Error that prevented it. Errors are ordinary values here because the
// callers decide how to tell the user; the library itself never shows anything.
template <typename T>
class Result
{
public:
    Result(T value)
        : m_data(std::in_place_index<0>, std::move(value))
    {
    }
    Result(Error error)
        : m_data(std::in_place_index<1>, std::move(error))
    {
    }

    bool ok() const { return m_data.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Asking for the value of a failed result (or the error of a good one) is a programming
    // mistake, not a runtime condition, so it is only checked by assertions.
    const T& value() const&
    {
        assert(ok());
        return std::get<0>(m_data);
    }
    T& value() &
    {
        assert(ok());
        return std::get<0>(m_data);
    }
    T&& value() &&
    {
        assert(ok());
        return std::get<0>(std::move(m_data));
    }
    const Error& error() const
    {
        assert(!ok());
        return std::get<1>(m_data);
    }

private:
    std::variant<T, Error> m_data;
};

// The outcome of an operation that yields nothing but success or an Error.
template <>
class Result<void>
{
public:
    Result() = default;
    Result(Error error)
        : m_error(std::move(error))
    {
    }

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }

    const Error& error() const
    {
        assert(!ok());
        return *m_error;
    }

private:
    std::optional<Error> m_error;
};

}
