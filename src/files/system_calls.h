// The system calls through which the library reads and writes file contents
// (internal to the library). They are gathered here so that tests can make
// them fail the way a full disk, a failing rename or a bad sector would, and
// check that every such failure leaves the files as they were.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace korvane::files::detail {

struct SystemCalls {
    ssize_t (*write)(int fd, const void* data, size_t size);
    ssize_t (*read)(int fd, void* data, size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
};

// The calls in use: the C library's own unless a test has replaced them.
// Single-threaded, like the rest of the program.
SystemCalls& system_calls();

}  // namespace korvane::files::detail
