// The system calls through which the library reads and writes files
// (internal to the library). They are gathered here so that tests can make
// them fail the way a full disk, a failing rename or a bad sector would, and
// check that every such failure leaves the files as they were; and so that the
// rest of the library is the same on every system: one source file per system
// (system_calls_posix.cpp, system_calls_windows.cpp) implements them, chosen by
// the build.
//
// Failures are told in errno values, the same on every system: the Windows
// implementation turns its error codes into the errno value of the same cause
// (ERROR_DISK_FULL into ENOSPC, ERROR_ACCESS_DENIED into EACCES, ...), so that
// a cause reads the same whichever system met it.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

// Causes that the Windows C library has no errno value for; the values are
// those of Winsock's codes for the same causes, which no errno value uses.
#ifndef EDQUOT
#define EDQUOT 10069
#endif
#ifndef ESTALE
#define ESTALE 10070
#endif

namespace korvane::files::detail {

// A path as the system's calls take it: bytes on POSIX, UTF-16 on Windows.
using PathChar = std::filesystem::path::value_type;

// A signed byte count, -1 on failure (ssize_t where the system has it).
using ByteCount = std::ptrdiff_t;

// The calls a test may replace. Each returns -1 (or a negative count) and sets
// errno on failure. Files are named by small integers (file descriptors; on
// Windows those of the C library, each holding a file handle).
struct SystemCalls {
    ByteCount (*write)(int fd, const void* data, std::size_t size);
    ByteCount (*read)(int fd, void* data, std::size_t size);
    // Flushes the file's content to the disk.
    int (*fsync)(int fd);
    int (*close)(int fd);
    // Puts `from` in the place of `to`, replacing a file that is there.
    int (*rename)(const PathChar* from, const PathChar* to);
};

// The calls in use: the system's own unless a test has replaced them.
// Single-threaded, like the rest of the program.
SystemCalls& system_calls();

// What stands at a path, as the safe replacement needs to know it.
struct PathState {
    int error = 0;  // 0, or why the path could not be looked at (ENOENT: nothing there)
    enum class Kind { regular, folder, other } kind = Kind::other;
    bool link = false;  // the path itself is a symbolic link (to `kind`)
    // The owner and permissions, kept by a replacement (POSIX only).
    unsigned owner = 0;
    unsigned group = 0;
    unsigned mode = 0;
};
PathState look_at(const std::filesystem::path& path);

// 0 when this process may write the file, else the errno of why not.
int check_writable(const std::filesystem::path& path);

// Creates a new file for writing that must not exist yet; the descriptor, or
// -1 with errno (EEXIST when a file of that name is there).
int create_new_file(const std::filesystem::path& path);

// Gives a new file the owner (where allowed) and permissions of the one it
// replaces: 0, or the errno of the failure.
int keep_owner_and_mode(int fd, const PathState& replaced);

// Removes a file, ignoring a failure (the file may not exist).
void remove_file(const std::filesystem::path& path);

// Makes a rename in `folder` durable where the system needs to be asked for
// that; a failure is ignored, the new content being in place already.
void flush_folder(const std::filesystem::path& folder);

// The process's number, part of temporary file names.
long process_id();

// Opens an existing file for reading without waiting (a named pipe is not
// waited on); the descriptor, or -1 with errno.
int open_for_reading(const std::filesystem::path& path);

// The kind and size of an open file: 0, or the errno of the failure.
int file_state(int fd, PathState::Kind& kind, std::uintmax_t& size);

// Prepares the process for file writing at start-up (on POSIX: a file-size
// limit becomes a failed write instead of a signal that ends the process).
void prepare_process_for_file_writing();

// The system's own text for an errno value (or, on Windows, for an error code
// without an errno value of its own).
std::string system_error_text(int err);

}  // namespace korvane::files::detail
