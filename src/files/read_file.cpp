#include "files/read_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/system_calls.h"
#include "files/texts.h"

namespace korvane::files {
namespace {

std::string open_cause(int err) {
    switch (err) {
        case ENOENT:
            return "文件不存在";
        case ENOTDIR:
            return "路径中有一段不是文件夹";
        case EACCES:
        case EPERM:
            return "没有读取这个文件的权限";
        default:
            return detail::errno_cause(err);
    }
}

}  // namespace

std::optional<Error> read_file(const std::filesystem::path& path,
                               const std::function<bool(std::string_view)>& feed) {
    // O_NONBLOCK: opening a named pipe must not wait for a writer; such a
    // file is refused below anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return detail::read_failure(path, open_cause(errno));

    std::string cause;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        cause = detail::errno_cause(errno);
    } else if (S_ISDIR(st.st_mode)) {
        cause = "这是一个文件夹，不是文件";
    } else if (!S_ISREG(st.st_mode)) {
        cause = "这不是一个普通文件";
    } else {
        char buffer[1024];
        for (;;) {
            const ssize_t n = detail::system_calls().read(fd, buffer, sizeof buffer);
            if (n < 0) {
                if (errno == EINTR) continue;
                cause = detail::errno_cause(errno);
                break;
            }
            if (n == 0 || !feed(std::string_view(buffer, static_cast<size_t>(n)))) break;
        }
    }
    ::close(fd);
    if (!cause.empty()) return detail::read_failure(path, cause);
    return std::nullopt;
}

Result<std::string> read_whole_file(const std::filesystem::path& path, std::size_t max_bytes) {
    std::string bytes;
    bool too_large = false;
    auto error = read_file(path, [&](std::string_view piece) {
        if (bytes.size() + piece.size() > max_bytes) {
            too_large = true;
            return false;
        }
        bytes.append(piece);
        return true;
    });
    if (error) return *error;
    if (too_large) {
        return detail::read_failure(path, "文件超过" + std::to_string(max_bytes) + "字节");
    }
    return bytes;
}

}  // namespace korvane::files
