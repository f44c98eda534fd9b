// The failure of a check on the field texts.
#pragma once

#include <string>

#include "form/fields.h"
#include "geometry/outcome.h"

namespace korvane::form {

// A failed check: the message to show (UTF-8, simplified Chinese) and the field
// that receives the keyboard focus once the message has been acknowledged.
struct Failure {
    std::string message;
    Field focus;

    bool operator==(const Failure&) const = default;
};

template <class T>
using Outcome = korvane::Outcome<T, Failure>;

}  // namespace korvane::form
