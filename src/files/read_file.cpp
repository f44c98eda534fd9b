#include "files/read_file.h"

#include <cerrno>
#include <cstdint>

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

std::string too_large_cause(std::size_t max_bytes) {
    return "文件超过" + std::to_string(max_bytes) + "字节";
}

}  // namespace

std::optional<Error> read_file(const std::filesystem::path& path,
                               const std::function<bool(std::string_view)>& feed,
                               std::optional<std::size_t> max_bytes) {
    // A named pipe is not waited on when it is opened; such a file is
    // refused below anyway.
    const int fd = detail::open_for_reading(path);
    if (fd < 0) return detail::read_failure(path, open_cause(errno));

    std::string cause;
    using Kind = detail::PathState::Kind;
    Kind kind = Kind::other;
    std::uintmax_t size = 0;
    if (const int err = detail::file_state(fd, kind, size); err != 0) {
        cause = detail::errno_cause(err);
    } else if (kind == Kind::folder) {
        cause = "这是一个文件夹，不是文件";
    } else if (kind != Kind::regular) {
        cause = "这不是一个普通文件";
    } else if (max_bytes && size > *max_bytes) {
        cause = too_large_cause(*max_bytes);
    } else {
        char buffer[1024];
        std::size_t total = 0;
        for (;;) {
            const detail::ByteCount n = detail::system_calls().read(fd, buffer, sizeof buffer);
            if (n < 0) {
                if (errno == EINTR) continue;
                cause = detail::errno_cause(errno);
                break;
            }
            if (n == 0) break;
            total += static_cast<size_t>(n);
            if (max_bytes && total > *max_bytes) {
                cause = too_large_cause(*max_bytes);
                break;
            }
            if (!feed(std::string_view(buffer, static_cast<size_t>(n)))) break;
        }
    }
    detail::system_calls().close(fd);
    if (!cause.empty()) return detail::read_failure(path, cause);
    return std::nullopt;
}

Result<std::string> read_whole_file(const std::filesystem::path& path, std::size_t max_bytes) {
    std::string bytes;
    auto error = read_file(
        path,
        [&](std::string_view piece) {
            bytes.append(piece);
            return true;
        },
        max_bytes);
    if (error) return *error;
    return bytes;
}

}  // namespace korvane::files
