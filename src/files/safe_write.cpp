// Replacing a file whole through a temporary file and a rename.
//
// The new content first goes to a hidden temporary file in the target's own
// folder (so that the rename stays on one file system and is atomic), is
// flushed to disk, and only then takes the target's name. Until the rename the
// target is untouched; after it the target holds the whole new content. Every
// failure before the rename removes the temporary file.
#include "files/safe_write.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <utility>

#include "files/system_calls.h"
#include "files/texts.h"

namespace korvane::files {
namespace {

namespace fs = std::filesystem;
using detail::errno_cause;
using detail::save_failure;

// Why a path could not be looked at or a file not be created in `folder`.
std::string path_cause(int err, const fs::path& folder) {
    switch (err) {
        case ENOENT: {
            // A folder that exists can still refuse new files with ENOENT
            // (/proc, /sys): then the folder is there, the file cannot be made.
            if (detail::look_at(folder).kind == detail::PathState::Kind::folder)
                return "无法在文件夹“" + detail::display_path(folder) + "”中新建文件";
            return "文件夹“" + detail::display_path(folder) + "”不存在";
        }
        case ENOTDIR:
            return "路径中有一段不是文件夹";
        case EACCES:
        case EPERM:
            return "没有在文件夹“" + detail::display_path(folder) + "”中写入的权限";
        default:
            return errno_cause(err);
    }
}

// A name for the temporary file that no other file in the folder has (the
// creation with O_EXCL checks that). The leading dot keeps it out of the usual
// folder listings for the short time it exists.
fs::path temporary_name(const fs::path& folder, std::mt19937_64& random) {
    char name[48];
    std::snprintf(name, sizeof name, ".korvane-%ld-%016llx.tmp", detail::process_id(),
                  static_cast<unsigned long long>(random()));
    return folder / name;
}

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const detail::ByteCount n = detail::system_calls().write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            // A device that accepts nothing would keep this loop going for ever.
            errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

std::optional<Error> replace_file(const fs::path& path, std::string_view bytes) {
    Result<SafeFileWriter> opened = SafeFileWriter::open(path);
    if (!opened) return opened.failure();
    SafeFileWriter& writer = opened.value();
    if (auto error = writer.write(bytes)) return error;
    return writer.commit();
}

Result<SafeFileWriter> SafeFileWriter::open(const fs::path& path) {
    if (path.empty()) return save_failure(path, "没有给出文件名");
    if (!path.has_filename()) return save_failure(path, "这是一个文件夹，不是文件");

    // What stands at the path now decides where the new file goes and which
    // permissions it gets.
    SafeFileWriter w;
    w.path_ = path;
    w.target_ = path;
    const detail::PathState old = detail::look_at(path);
    w.exists_ = old.error == 0;
    if (w.exists_) {
        using Kind = detail::PathState::Kind;
        if (old.kind == Kind::folder) return save_failure(path, "这是一个文件夹，不是文件");
        if (old.kind != Kind::regular) return save_failure(path, "这不是一个普通文件");
        // A symbolic link stays a link: the file it points at is replaced.
        if (old.link) {
            std::error_code ec;
            w.target_ = fs::canonical(path, ec);
            if (ec) return save_failure(path, errno_cause(ec.value()));
        }
        // A file the user may not write is not replaced behind his back, even
        // though the folder would allow the rename.
        if (const int err = detail::check_writable(w.target_); err != 0) {
            if (err == EACCES || err == EPERM)
                return save_failure(path, "文件是只读的，没有写入权限");
            return save_failure(path, errno_cause(err));
        }
        w.owner_ = old.owner;
        w.group_ = old.group;
        w.mode_ = old.mode;
    } else if (old.error != ENOENT) {
        return save_failure(path, path_cause(old.error, path.parent_path()));
    }

    w.folder_ = w.target_.parent_path();
    if (w.folder_.empty()) w.folder_ = ".";

    std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100 && w.fd_ < 0; ++attempt) {
        w.temp_ = temporary_name(w.folder_, random);
        w.fd_ = detail::create_new_file(w.temp_);
        if (w.fd_ < 0 && errno != EEXIST) return save_failure(path, path_cause(errno, w.folder_));
    }
    if (w.fd_ < 0) return save_failure(path, path_cause(EEXIST, w.folder_));
    return w;
}

SafeFileWriter::SafeFileWriter(SafeFileWriter&& other) noexcept
    : path_(std::move(other.path_)),
      target_(std::move(other.target_)),
      temp_(std::move(other.temp_)),
      folder_(std::move(other.folder_)),
      fd_(std::exchange(other.fd_, -1)),
      exists_(other.exists_),
      owner_(other.owner_),
      group_(other.group_),
      mode_(other.mode_),
      failed_(std::move(other.failed_)) {
    other.temp_.clear();
}

SafeFileWriter& SafeFileWriter::operator=(SafeFileWriter&& other) noexcept {
    if (this != &other) {
        abandon();
        path_ = std::move(other.path_);
        target_ = std::move(other.target_);
        temp_ = std::exchange(other.temp_, {});
        folder_ = std::move(other.folder_);
        fd_ = std::exchange(other.fd_, -1);
        exists_ = other.exists_;
        owner_ = other.owner_;
        group_ = other.group_;
        mode_ = other.mode_;
        failed_ = std::move(other.failed_);
    }
    return *this;
}

SafeFileWriter::~SafeFileWriter() {
    abandon();
}

void SafeFileWriter::abandon() {
    if (fd_ >= 0) detail::system_calls().close(fd_);
    fd_ = -1;
    if (!temp_.empty()) detail::remove_file(temp_);
    temp_.clear();
}

std::optional<Error> SafeFileWriter::write(std::string_view bytes) {
    if (failed_) return failed_;
    if (fd_ < 0) return failed_ = save_failure(path_, errno_cause(EBADF));
    if (!write_all(fd_, bytes)) {
        const int err = errno;
        abandon();
        return failed_ = save_failure(path_, errno_cause(err));
    }
    return std::nullopt;
}

std::optional<Error> SafeFileWriter::commit() {
    if (failed_) return failed_;
    if (fd_ < 0) return failed_ = save_failure(path_, errno_cause(EBADF));
    const auto fail = [&](int err) {
        abandon();
        return failed_ = save_failure(path_, errno_cause(err));
    };
    if (exists_) {
        // The replaced file keeps its owner (where allowed) and its mode.
        detail::PathState kept;
        kept.owner = owner_;
        kept.group = group_;
        kept.mode = mode_;
        if (const int err = detail::keep_owner_and_mode(fd_, kept); err != 0) return fail(err);
    }
    if (detail::system_calls().fsync(fd_) != 0) return fail(errno);
    const int closed = detail::system_calls().close(fd_);
    fd_ = -1;
    if (closed != 0) return fail(errno);

    if (detail::system_calls().rename(temp_.c_str(), target_.c_str()) != 0) {
        const int err = errno;
        abandon();
        if (err == EISDIR) return failed_ = save_failure(path_, "这是一个文件夹，不是文件");
        return failed_ = save_failure(path_, errno_cause(err));
    }
    temp_.clear();  // it is the target now

    // Make the rename itself durable. The new content is in place already, so
    // a failure here is not reported as a failure to save.
    detail::flush_folder(folder_);
    return std::nullopt;
}

bool same_file(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ec;
    const bool same = std::filesystem::equivalent(a, b, ec);
    return !ec && same;
}

std::optional<Error> output_is_input(const std::filesystem::path& output,
                                     const std::vector<std::filesystem::path>& inputs) {
    for (const std::filesystem::path& input : inputs) {
        if (input.empty() || !same_file(output, input)) continue;
        return Error{"输出文件“" + detail::display_path(output) + "”就是输入文件“" +
                     detail::display_path(input) + "”，不能用结果覆盖输入！"};
    }
    return std::nullopt;
}

}  // namespace korvane::files
