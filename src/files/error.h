// Failures of file operations.
#pragma once

#include <string>
#include <vector>

#include "geometry/outcome.h"

namespace korvane::files {

// A failed file operation: a message for the user (UTF-8, simplified Chinese,
// ending in "！") that names the path and the cause.
struct Error {
    std::string message;
};

// What a reader took but found odd (a gap between elements, design data it
// does not read): each a sentence for the user, UTF-8, read on regardless.
using Warnings = std::vector<std::string>;

// A value or the error that prevented it.
template <class T>
using Result = korvane::Outcome<T, Error>;

}  // namespace korvane::files
