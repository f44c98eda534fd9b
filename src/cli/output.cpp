#include "cli/output.h"

#include <cerrno>
#include <cstdio>
#include <utility>
#include <vector>

namespace korvane::cli {

Refusal refused(std::string message) {
    return {kExitInvalidInput, std::move(message)};
}

Refusal unreadable(std::string message) {
    return {kExitFileError, std::move(message)};
}

Done write_stdout(std::string_view bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size())
        return unreadable(std::string(kStdoutFailed));
    return std::nullopt;
}

Done flush_stdout() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return unreadable(std::string(kStdoutFailed));
    return std::nullopt;
}

int report(const Done& done) {
    if (!done) return 0;
    std::fwrite(done->message.data(), 1, done->message.size(), stderr);
    std::fputc('\n', stderr);
    return done->status;
}

bool is_stdio(std::string_view path) {
    return path == "-";
}

Checked<std::string> read_stdin(std::size_t max_bytes) {
    std::string bytes;
    std::vector<char> piece(std::size_t{64} << 10);
    // The C stream, which is binary on every system (main sets it so on
    // Windows); a read broken off by a signal is taken up again.
    for (;;) {
        const std::size_t n = std::fread(piece.data(), 1, piece.size(), stdin);
        if (bytes.size() + n > max_bytes)
            return refused("无法读取标准输入：内容超过" + std::to_string(max_bytes) + "字节！");
        bytes.append(piece.data(), n);
        if (n == piece.size()) continue;
        if (std::ferror(stdin) != 0) {
            if (errno == EINTR) {
                std::clearerr(stdin);
                continue;
            }
            return unreadable("无法读取标准输入！");
        }
        if (std::feof(stdin) != 0) return bytes;
    }
}

Checked<Destination> Destination::open(const std::string& path) {
    Destination d;
    if (path.empty() || is_stdio(path)) return d;
    files::Result<files::SafeFileWriter> file = files::SafeFileWriter::open(path);
    if (!file) return unreadable(file.failure().message);
    d.file_.emplace(std::move(file).value());
    return d;
}

Done Destination::write(std::string_view bytes) {
    if (!file_) return write_stdout(bytes);
    if (auto error = file_->write(bytes)) return unreadable(error->message);
    return std::nullopt;
}

Done Destination::finish() {
    if (!file_) return flush_stdout();
    if (auto error = file_->commit()) return unreadable(error->message);
    return std::nullopt;
}

files::ByteSink Destination::sink() {
    return [this](std::string_view bytes) -> std::optional<files::Error> {
        if (Done failed = write(bytes)) return files::Error{failed->message};
        return std::nullopt;
    };
}

}  // namespace korvane::cli
