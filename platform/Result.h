#pragma once

#include <cerrno>
#include <optional>
#include <utility>

namespace ostrel::platform {

// The error number of a call that failed, as the system reports it (never 0). Returned where a
// Result is expected: `return Failure{errno};` straight after the call that set it.
struct Failure {
    int error = 0;
};

// What a platform call gives back: its value, or the system error number that kept it from
// one. The error travels with the result, so work done after the call (other calls, string
// work, a refusal check) cannot change it the way it changes errno. Reads like std::optional
// (a test in an if, *, ->, value_or), so callers that only ask whether there is a value need
// not care about the error.
template <typename T>
class Result {
  public:
    Result(T value) : m_value(std::move(value)) {}  // NOLINT: a value is a success
    // A failure with error 0 would read as a success that has no value: it counts as EIO.
    Result(Failure failure) : m_error(failure.error != 0 ? failure.error : EIO) {}
    // No value, where the caller knows why and no system call failed (as std::optional's
    // nullopt, in `lost ? std::nullopt : folder.Stat(name)`); the error reads as EIO.
    Result(std::nullopt_t) : m_error(EIO) {}  // NOLINT: as an optional takes it

    explicit operator bool() const { return m_value.has_value(); }
    bool has_value() const { return m_value.has_value(); }
    // The system error number; 0 when there is a value.
    int error() const { return m_value ? 0 : m_error; }

    T& operator*() & { return *m_value; }
    const T& operator*() const& { return *m_value; }
    T&& operator*() && { return *std::move(m_value); }
    T* operator->() { return &*m_value; }
    const T* operator->() const { return &*m_value; }
    T& value() & { return m_value.value(); }
    const T& value() const& { return m_value.value(); }
    template <typename U>
    T value_or(U&& fallback) const& {
        return m_value.value_or(std::forward<U>(fallback));
    }

    // For code that keeps the value alone, as an optional (the error is dropped).
    operator std::optional<T>() const& { return m_value; }  // NOLINT: implicit on purpose
    operator std::optional<T>() && { return std::move(m_value); }

  private:
    std::optional<T> m_value;
    int m_error = 0;
};

// The outcome of a call that gives nothing back but success or an error number.
template <>
class Result<void> {
  public:
    Result() = default;
    Result(Failure failure) : m_error(failure.error != 0 ? failure.error : EIO) {}

    explicit operator bool() const { return m_error == 0; }
    bool has_value() const { return m_error == 0; }
    int error() const { return m_error; }

  private:
    int m_error = 0;
};

using Status = Result<void>;

}  // namespace ostrel::platform
