// Failures of file operations.
#pragma once

#include <string>

#include "geometry/outcome.h"

namespace korvane::files {

// A failed file operation: a message for the user (UTF-8, simplified Chinese,
// ending in "！") that names the path and the cause.
struct Error {
    std::string message;
};

// A value or the error that prevented it.
template <class T>
using Result = korvane::Outcome<T, Error>;

}  // namespace korvane::files
