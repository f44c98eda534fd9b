#include "files/safe_write.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <csignal>

#include "temp_folder.h"

namespace korvane::files {
namespace {

using testing::read_bytes;
using testing::TempFolder;
using testing::write_bytes;

#ifndef _WIN32
mode_t mode_of(const std::filesystem::path& p) {
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st.st_mode & 07777;
}
#endif

std::string failure(const std::optional<Error>& e) {
    return e ? e->message : "(no failure)";
}

TEST(safe_write, replaces_a_longer_file_whole) {
    TempFolder folder;
    const auto p = folder / "data.txt";
    write_bytes(p, std::string(5000, 'x'));
    ASSERT_FALSE(replace_file(p, "short\r\n"));
    EXPECT_EQ(read_bytes(p), "short\r\n");
    ASSERT_FALSE(replace_file(p, ""));
    EXPECT_EQ(read_bytes(p), "");
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"data.txt"}));
}

TEST(safe_write, new_files_follow_the_umask_and_old_files_keep_their_mode) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no umask nor POSIX permission bits";
#else
    TempFolder folder;
    const mode_t saved = ::umask(027);
    EXPECT_FALSE(replace_file(folder / "new.txt", "1"));
    ::umask(saved);
    EXPECT_EQ(mode_of(folder / "new.txt"), 0640u);

    const auto old = folder / "old.txt";
    write_bytes(old, "old");
    ::chmod(old.c_str(), 0604);
    EXPECT_FALSE(replace_file(old, "new"));
    EXPECT_EQ(mode_of(old), 0604u);
    EXPECT_EQ(read_bytes(old), "new");
#endif
}

TEST(safe_write, a_symbolic_link_stays_a_link_to_the_replaced_file) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need a privilege on Windows";
#else
    TempFolder folder;
    std::filesystem::create_directory(folder / "real");
    write_bytes(folder / "real" / "f.txt", "old");
    std::filesystem::create_symlink("real/f.txt", folder / "link.txt");
    EXPECT_FALSE(replace_file(folder / "link.txt", "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.txt"));
    EXPECT_EQ(read_bytes(folder / "real" / "f.txt"), "new");
    EXPECT_EQ(folder.entries(folder / "real"), (std::set<std::string>{"f.txt"}));
#endif
}

// Each failure names the path and the cause, leaves the old file exactly as
// it was and leaves no temporary file behind.
class safe_write_failure : public ::testing::Test {
  protected:
    void SetUp() override {
        write_bytes(old_, "old content\r\n");
#ifndef _WIN32
        ::chmod(old_.c_str(), 0644);
#endif
    }
    void expect_untouched() {
        EXPECT_EQ(read_bytes(old_), "old content\r\n");
#ifndef _WIN32
        EXPECT_EQ(mode_of(old_), 0644u);
#endif
    }
    std::string prefix(const std::filesystem::path& p) {
        return "无法保存文件“" + p.string() + "”：";
    }

    TempFolder folder_;
    std::filesystem::path old_ = folder_ / "old.txt";
};

TEST_F(safe_write_failure, path_is_a_folder) {
    std::filesystem::create_directory(folder_ / "sub");
    EXPECT_EQ(failure(replace_file(folder_ / "sub", "x")),
              prefix(folder_ / "sub") + "这是一个文件夹，不是文件！");
    EXPECT_EQ(failure(replace_file(folder_.path() / "", "x")),
              prefix(folder_.path() / "") + "这是一个文件夹，不是文件！");
    expect_untouched();
    EXPECT_EQ(folder_.entries(), (std::set<std::string>{"old.txt", "sub"}));
    EXPECT_TRUE(folder_.entries(folder_ / "sub").empty());
}

TEST_F(safe_write_failure, folder_is_missing_or_not_a_folder) {
    const auto missing = folder_ / "gone" / "new.txt";
    EXPECT_EQ(failure(replace_file(missing, "x")),
              prefix(missing) + "文件夹“" + (folder_ / "gone").string() + "”不存在！");
    // A regular file where a folder should be stops root as well.
    const auto under_file = old_ / "new.txt";
    EXPECT_EQ(failure(replace_file(under_file, "x")),
              prefix(under_file) + "路径中有一段不是文件夹！");
    EXPECT_EQ(failure(replace_file("", "x")), "无法保存文件“”：没有给出文件名！");
    expect_untouched();
    EXPECT_EQ(folder_.entries(), (std::set<std::string>{"old.txt"}));
}

TEST_F(safe_write_failure, folder_that_exists_but_takes_no_new_file) {
#ifdef _WIN32
    GTEST_SKIP() << "/proc is Linux only";
#else
    // /proc exists, but no file can be made in it (ENOENT, as for a missing folder).
    EXPECT_EQ(failure(replace_file("/proc/korvane-report.txt", "x")),
              prefix("/proc/korvane-report.txt") + "无法在文件夹“/proc”中新建文件！");
#endif
}

TEST_F(safe_write_failure, target_is_not_a_regular_file) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no named pipes in its folders (mkfifo)";
#else
    const auto fifo = folder_ / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(failure(replace_file(fifo, "x")), prefix(fifo) + "这不是一个普通文件！");
    EXPECT_EQ(folder_.entries(), (std::set<std::string>{"old.txt", "pipe"}));
#endif
}

TEST_F(safe_write_failure, write_fails_half_way) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no file-size limit (RLIMIT_FSIZE, SIGXFSZ)";
#else
    // A file size limit makes write(2) fail after the first bytes, as a full
    // disk would; it holds for root too.
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto result = replace_file(old_, "new content that does not fit");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(failure(result), prefix(old_) + "文件超出了允许的大小！");
    expect_untouched();
    EXPECT_EQ(folder_.entries(), (std::set<std::string>{"old.txt"}));
#endif
}

TEST_F(safe_write_failure, no_permission) {
#ifdef _WIN32
    // The read-only attribute stops every user, administrators too.
    namespace fs = std::filesystem;
    fs::permissions(old_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    EXPECT_EQ(failure(replace_file(old_, "x")), prefix(old_) + "文件是只读的，没有写入权限！");
    EXPECT_EQ(read_bytes(old_), "old content\r\n");
    EXPECT_EQ(folder_.entries(), (std::set<std::string>{"old.txt"}));
    fs::permissions(old_, fs::perms::owner_write, fs::perm_options::add);
#else
    if (testing::running_as_root()) GTEST_SKIP() << "permissions do not stop root";
    ::chmod(old_.c_str(), 0444);
    EXPECT_EQ(failure(replace_file(old_, "x")), prefix(old_) + "文件是只读的，没有写入权限！");
    ::chmod(old_.c_str(), 0644);

    ::chmod(folder_.path().c_str(), 0555);
    EXPECT_EQ(failure(replace_file(folder_ / "new.txt", "x")),
              prefix(folder_ / "new.txt") + "没有在文件夹“" + folder_.path().string() +
                  "”中写入的权限！");
    EXPECT_EQ(failure(replace_file(old_, "x")),
              prefix(old_) + "没有在文件夹“" + folder_.path().string() + "”中写入的权限！");
    ::chmod(folder_.path().c_str(), 0755);
    expect_untouched();
    EXPECT_EQ(folder_.entries(), (std::set<std::string>{"old.txt"}));
#endif
}

// The streaming writer: the file appears whole at commit() and not before; a
// writer dropped or failed on the way leaves the earlier file and no temporary.
TEST_F(safe_write_failure, streamed_file_replaces_whole_at_commit) {
    Result<SafeFileWriter> opened = SafeFileWriter::open(old_);
    ASSERT_TRUE(opened);
    SafeFileWriter writer = std::move(opened).value();
    EXPECT_EQ(failure(writer.write("first, ")), "(no failure)");
    EXPECT_EQ(failure(writer.write(std::string(100000, 'x'))), "(no failure)");
    // Until commit the earlier file is what a reader sees.
    expect_untouched();
    EXPECT_EQ(failure(writer.commit()), "(no failure)");
    EXPECT_EQ(read_bytes(old_), "first, " + std::string(100000, 'x'));
#ifndef _WIN32
    EXPECT_EQ(mode_of(old_), 0644u);
#endif
    EXPECT_EQ(folder_.entries(), (std::set<std::string>{"old.txt"}));
}

TEST_F(safe_write_failure, streamed_file_dropped_before_commit_leaves_no_trace) {
    {
        Result<SafeFileWriter> opened = SafeFileWriter::open(old_);
        ASSERT_TRUE(opened);
        SafeFileWriter writer = std::move(opened).value();
        EXPECT_EQ(failure(writer.write("half a table")), "(no failure)");
    }
    {
        Result<SafeFileWriter> opened = SafeFileWriter::open(folder_ / "new.txt");
        ASSERT_TRUE(opened);
        SafeFileWriter moved = std::move(opened).value();
        SafeFileWriter writer = std::move(moved);
        EXPECT_EQ(failure(writer.write("rows")), "(no failure)");
    }
    expect_untouched();
    EXPECT_EQ(folder_.entries(), (std::set<std::string>{"old.txt"}));
}

TEST_F(safe_write_failure, streamed_write_failing_half_way_abandons_the_file) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no file-size limit (RLIMIT_FSIZE, SIGXFSZ)";
#else
    Result<SafeFileWriter> opened = SafeFileWriter::open(old_);
    ASSERT_TRUE(opened);
    SafeFileWriter writer = std::move(opened).value();
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto first = writer.write("new content that does not fit");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(failure(first), prefix(old_) + "文件超出了允许的大小！");
    // Once failed, the writer takes nothing more and cannot be committed.
    EXPECT_NE(failure(writer.write("more")), "(no failure)");
    EXPECT_NE(failure(writer.commit()), "(no failure)");
    expect_untouched();
    EXPECT_EQ(folder_.entries(), (std::set<std::string>{"old.txt"}));
#endif
}

TEST_F(safe_write_failure, streamed_file_in_a_missing_folder_is_refused_at_open) {
    const auto missing = folder_ / "gone" / "new.txt";
    Result<SafeFileWriter> opened = SafeFileWriter::open(missing);
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.failure().message,
              prefix(missing) + "文件夹“" + (folder_ / "gone").string() + "”不存在！");
    EXPECT_EQ(folder_.entries(), (std::set<std::string>{"old.txt"}));
}

}  // namespace
}  // namespace korvane::files
