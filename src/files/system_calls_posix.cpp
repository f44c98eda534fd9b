// The system calls of the files library on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "files/system_calls.h"

namespace korvane::files::detail {

SystemCalls& system_calls() {
    static SystemCalls calls{::write, ::read, ::fsync, ::close, ::rename};
    return calls;
}

PathState look_at(const std::filesystem::path& path) {
    PathState state;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        state.error = errno;
        return state;
    }
    state.kind = S_ISDIR(st.st_mode)   ? PathState::Kind::folder
                 : S_ISREG(st.st_mode) ? PathState::Kind::regular
                                       : PathState::Kind::other;
    struct stat link {};
    state.link = ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
    state.owner = st.st_uid;
    state.group = st.st_gid;
    state.mode = st.st_mode & 07777;
    return state;
}

int check_writable(const std::filesystem::path& path) {
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
}

int create_new_file(const std::filesystem::path& path) {
    // 0666: the process umask then gives a new file the usual permissions.
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

int keep_owner_and_mode(int fd, const PathState& replaced) {
    // chown comes first because it may clear set-id bits. Only the owner and
    // root can hand a file to someone else; an ordinary user's replacement
    // belongs to that user, as with any editor that saves through a new file,
    // so a failed chown is no failure.
    if (replaced.owner != ::geteuid() || replaced.group != ::getegid()) {
        [[maybe_unused]] const int ignored = ::fchown(fd, replaced.owner, replaced.group);
    }
    return ::fchmod(fd, replaced.mode) == 0 ? 0 : errno;
}

void remove_file(const std::filesystem::path& path) {
    ::unlink(path.c_str());
}

void flush_folder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

long process_id() {
    return static_cast<long>(::getpid());
}

int open_for_reading(const std::filesystem::path& path) {
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
}

int file_state(int fd, PathState::Kind& kind, std::uintmax_t& size) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return errno;
    kind = S_ISDIR(st.st_mode)   ? PathState::Kind::folder
           : S_ISREG(st.st_mode) ? PathState::Kind::regular
                                 : PathState::Kind::other;
    size = static_cast<std::uintmax_t>(st.st_size);
    return 0;
}

void prepare_process_for_file_writing() {
    std::signal(SIGXFSZ, SIG_IGN);
}

std::string system_error_text(int err) {
    return std::strerror(err);
}

}  // namespace korvane::files::detail
