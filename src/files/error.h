// Failures of file operations.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace korvane::files {

// A failed file operation: a message for the user (UTF-8, simplified Chinese,
// ending in "！") that names the path and the cause.
struct Error {
    std::string message;
};

// A value or the error that prevented it.
template <class T>
class Result {
public:
    Result(T value) : v_(std::move(value)) {}   // NOLINT(google-explicit-constructor)
    Result(Error error) : v_(std::move(error)) {}  // NOLINT(google-explicit-constructor)

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return std::get<0>(v_); }
    T&& value() && { return std::get<0>(std::move(v_)); }
    const Error& error() const { return std::get<1>(v_); }

private:
    std::variant<T, Error> v_;
};

}  // namespace korvane::files
