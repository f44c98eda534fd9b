// Replacing a file whole: the one way the program writes files.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "error.h"

namespace korvane::files {

// True when `a` and `b` name one existing file: the same device and inode
// (the same file index on Windows), so links and other spellings of a path
// count. Two names of which one does not exist are not the same file.
bool same_file(const std::filesystem::path& a, const std::filesystem::path& b);

// An output that is one of the inputs it is made from (same_file) would
// destroy that input: refused, naming both ("输出文件“a.csv”就是输入文件
// “a.csv”，不能用结果覆盖输入！"). Empty input paths are passed over.
std::optional<Error> output_is_input(const std::filesystem::path& output,
                                     const std::vector<std::filesystem::path>& inputs);

// Writes `bytes` to a temporary file in the target's folder, flushes it to
// disk, then renames it over `path`. On any failure the earlier file is left
// exactly as it was and no temporary file remains. A new file gets the usual
// permissions (0666 less the umask); an existing file keeps its permissions.
std::optional<Error> replace_file(const std::filesystem::path& path, std::string_view bytes);

// The same replacement for content produced piece by piece (a long table), so
// that it is never held whole in memory. open() makes the temporary file,
// write() appends to it, commit() flushes it and renames it over the path. A
// writer that is dropped without a successful commit(), or whose write()
// failed, removes its temporary file and leaves the earlier file as it was.
class SafeFileWriter {
  public:
    static Result<SafeFileWriter> open(const std::filesystem::path& path);

    SafeFileWriter(SafeFileWriter&& other) noexcept;
    SafeFileWriter& operator=(SafeFileWriter&& other) noexcept;
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;
    ~SafeFileWriter();

    // Appends the bytes. After a failure the writer is abandoned: later calls fail too.
    std::optional<Error> write(std::string_view bytes);

    // Puts the file in place. Call once, after the last write().
    std::optional<Error> commit();

  private:
    SafeFileWriter() = default;
    void abandon();

    std::filesystem::path path_;    // as given, for the messages
    std::filesystem::path target_;  // the file replaced (a link's target)
    std::filesystem::path temp_;
    std::filesystem::path folder_;
    int fd_ = -1;
    bool exists_ = false;
    unsigned owner_ = 0;
    unsigned group_ = 0;
    unsigned mode_ = 0;
    std::optional<Error> failed_;
};

}  // namespace korvane::files
