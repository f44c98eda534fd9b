// The result of a computation: its value, or the failure to report.
#pragma once

#include <string>
#include <utility>
#include <variant>

#include "fields.h"

namespace korvane::geometry {

// A failed check: the message to show (UTF-8, simplified Chinese) and the field
// that receives the keyboard focus once the message has been acknowledged.
struct Failure {
    std::string message;
    Field focus;

    bool operator==(const Failure&) const = default;
};

template <class T>
class Outcome {
public:
    Outcome(T value) : v_(std::move(value)) {}                // NOLINT(google-explicit-constructor)
    Outcome(Failure failure) : v_(std::move(failure)) {}      // NOLINT(google-explicit-constructor)

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return std::get<0>(v_); }
    T& value() & { return std::get<0>(v_); }
    T&& value() && { return std::get<0>(std::move(v_)); }
    const Failure& failure() const { return std::get<1>(v_); }

private:
    std::variant<T, Failure> v_;
};

}  // namespace korvane::geometry
