// The one value-or-failure type of the project: every computation, reader and
// writer returns its result or the failure to report, never throws for an
// expected input error.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace korvane {

// T is the value; F the failure: for the user, a struct whose `message` member
// is the text to show (UTF-8, simplified Chinese) and whose other members say
// what to point at (a field, a table row, a file line); inside a library, what
// went wrong, for the caller to turn into such a message.
template <class T, class F>
class Outcome {
  public:
    Outcome(T value) : v_(std::move(value)) {}      // NOLINT(google-explicit-constructor)
    Outcome(F failure) : v_(std::move(failure)) {}  // NOLINT(google-explicit-constructor)

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return std::get<0>(v_); }
    T& value() & { return std::get<0>(v_); }
    T&& value() && { return std::get<0>(std::move(v_)); }
    const F& failure() const { return std::get<1>(v_); }

  private:
    std::variant<T, F> v_;
};

}  // namespace korvane
