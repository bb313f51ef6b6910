#pragma once

// How the program reports a failure that the user must hear of: a function that can fail returns a Result,
// which holds either its value or the reason it failed, worded for the user. Exceptions are left for faults
// of the program itself, which the guarded run of each handler reports as an unexpected error.

#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace psa {

// Why an operation failed, in Japanese.
struct Failure {
    std::u16string reason;
};

template <typename T> class [[nodiscard]] Result {
public:
    template <typename U,
        typename = std::enable_if_t<
            std::is_constructible_v<T,
                U &&> && !std::is_same_v<std::remove_cvref_t<U>, Failure> && !std::is_same_v<std::remove_cvref_t<U>, Result>>>
    Result(U &&value) // NOLINT(google-explicit-constructor): a value converts to its result
        : m_state(std::in_place_index<0>, std::forward<U>(value))
    {
    }
    Result(Failure failure) // NOLINT(google-explicit-constructor)
        : m_state(std::in_place_index<1>, std::move(failure))
    {
    }

    [[nodiscard]] bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    // The value; asking a failed result for it is a fault of the program (std::bad_variant_access).
    [[nodiscard]] T &value() & { return std::get<0>(m_state); }
    [[nodiscard]] const T &value() const & { return std::get<0>(m_state); }
    [[nodiscard]] T &&value() && { return std::get<0>(std::move(m_state)); }
    T *operator->() { return &value(); }
    const T *operator->() const { return &value(); }
    T &operator*() & { return value(); }
    const T &operator*() const & { return value(); }

    // Why it failed; asking a result that holds a value is a fault of the program.
    [[nodiscard]] const std::u16string &reason() const { return std::get<1>(m_state).reason; }

private:
    std::variant<T, Failure> m_state;
};

// The result of an operation that has nothing to give back but may fail.
template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) // NOLINT(google-explicit-constructor)
        : m_failure(std::move(failure))
    {
    }

    [[nodiscard]] bool ok() const { return !m_failure; }
    explicit operator bool() const { return ok(); }
    [[nodiscard]] const std::u16string &reason() const { return m_failure.value().reason; }

private:
    std::optional<Failure> m_failure;
};

// A file opened for reading or writing, or why it could not be opened.
template <typename File> using Opened = Result<std::unique_ptr<File>>;

} // namespace psa
