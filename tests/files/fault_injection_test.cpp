// Failures injected into the system calls under every file the program
// writes or reads: a disk that fills up half way through a write, a flush or
// close that fails, a rename that fails, a read error, a file that vanished.
// Each must leave the earlier file byte for byte, no temporary file behind,
// and a message that names the path and the cause.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <utility>

#include "files/line_file.h"
#include "files/report_file.h"
#include "files/safe_write.h"
#include "files/system_calls.h"
#include "temp_folder.h"

namespace korvane::files {
namespace {

using detail::system_calls;
using detail::SystemCalls;
using testing::read_bytes;
using testing::TempFolder;
using testing::write_bytes;

// What the injected calls do; plain functions cannot capture, so the plan is
// global and reset by the fixture.
struct Plan {
    size_t accepted = 0;       // bytes write() takes before it fails
    int error = 0;             // errno of the failing call
    bool no_progress = false;  // write() returns 0 instead of failing
    size_t read_calls = 0;     // successful reads before read() fails
};
Plan plan;
SystemCalls real;

detail::ByteCount full_disk_write(int fd, const void* data, size_t size) {
    if (plan.no_progress) return 0;
    if (plan.accepted == 0) {
        errno = plan.error;
        return -1;
    }
    const size_t n = std::min(size, plan.accepted);
    const detail::ByteCount written = real.write(fd, data, n);
    if (written > 0) plan.accepted -= static_cast<size_t>(written);
    return written;
}
int failing_fsync(int) {
    errno = plan.error;
    return -1;
}
int failing_close(int fd) {
    real.close(fd);  // the descriptor is gone, as after a real failed close
    errno = plan.error;
    return -1;
}
int failing_rename(const detail::PathChar*, const detail::PathChar*) {
    errno = plan.error;
    return -1;
}
detail::ByteCount failing_read(int fd, void* data, size_t size) {
    if (plan.read_calls == 0) {
        errno = plan.error;
        return -1;
    }
    --plan.read_calls;
    return real.read(fd, data, std::min<size_t>(size, 8));  // short reads first
}

const std::string kOld = "1000                起点桩号K\r\nold bytes that must survive\r\n";
const LineParameters kTexts{"1000", "8765.888", "6789.999", "15.152555"};

// The three ways the program writes a file, all through the same replacement.
struct Writer {
    const char* name;
    std::function<std::optional<Error>(const std::filesystem::path&)> write;
};
const Writer kWriters[] = {
    {"replace_file", [](const auto& p) { return replace_file(p, std::string(4096, 'x')); }},
    {"write_line_file", [](const auto& p) { return write_line_file(p, kTexts); }},
    {"write_report_file",
     [](const auto& p) {
         return write_report_file(p, " 里程K 偏距P 坐标X 坐标Y\r\n K=1000,P=0,X=1,Y=2\r\n");
     }},
};

class fault_injection : public ::testing::Test {
  protected:
    void SetUp() override {
        real = system_calls();
        plan = Plan{};
        write_bytes(old_, kOld);
    }
    void TearDown() override { system_calls() = real; }

    // Runs every writer against the old file and checks what each leaves.
    void expect_every_writer_fails_cleanly(const std::string& cause, const Plan& each) {
        for (const Writer& w : kWriters) {
            plan = each;
            const auto error = w.write(old_);
            ASSERT_TRUE(error.has_value()) << w.name;
            EXPECT_EQ(error->message, "无法保存文件“" + old_.string() + "”：" + cause + "！")
                << w.name;
            EXPECT_EQ(read_bytes(old_), kOld) << w.name;
            EXPECT_EQ(folder_.entries(), std::set<std::string>{"old.txt"}) << w.name;
        }
    }

    TempFolder folder_;
    std::filesystem::path old_ = folder_ / "old.txt";
};

TEST_F(fault_injection, disk_full_half_way_through_the_write) {
    system_calls().write = full_disk_write;
    expect_every_writer_fails_cleanly("磁盘空间不足", Plan{.accepted = 40, .error = ENOSPC});
    expect_every_writer_fails_cleanly("磁盘空间不足", Plan{.accepted = 0, .error = EDQUOT});
}

TEST_F(fault_injection, a_write_that_makes_no_progress_ends_instead_of_spinning) {
    system_calls().write = full_disk_write;
    expect_every_writer_fails_cleanly("磁盘读写出错", Plan{.no_progress = true});
}

TEST_F(fault_injection, flush_or_close_fails) {
    system_calls().fsync = failing_fsync;
    expect_every_writer_fails_cleanly("磁盘读写出错", Plan{.error = EIO});
    system_calls() = real;
    system_calls().close = failing_close;
    expect_every_writer_fails_cleanly("磁盘空间不足", Plan{.error = ENOSPC});
}

TEST_F(fault_injection, rename_fails) {
    system_calls().rename = failing_rename;
    expect_every_writer_fails_cleanly("磁盘读写出错", Plan{.error = EIO});
    expect_every_writer_fails_cleanly("磁盘是只读的", Plan{.error = EROFS});
    expect_every_writer_fails_cleanly("不能在不同的磁盘（文件系统）之间改名", Plan{.error = EXDEV});
    // Only an errno without a cause of its own falls back on the C library's text.
    expect_every_writer_fails_cleanly(std::string("系统错误（") + std::strerror(EDOM) + "）",
                                      Plan{.error = EDOM});
}

TEST_F(fault_injection, new_file_is_not_created_when_the_write_fails) {
    system_calls().write = full_disk_write;
    plan = Plan{.accepted = 3, .error = ENOSPC};
    const auto fresh = folder_ / "new.txt";
    EXPECT_TRUE(write_line_file(fresh, kTexts).has_value());
    EXPECT_FALSE(std::filesystem::exists(fresh));
    EXPECT_EQ(folder_.entries(), std::set<std::string>{"old.txt"});
}

TEST_F(fault_injection, read_error_gives_no_texts) {
    write_bytes(old_, "1000\r\n8765.888\r\n6789.999\r\n15.152555\r\n");
    system_calls().read = failing_read;
    for (size_t reads_before : {0u, 1u, 3u}) {
        plan = Plan{.error = EIO, .read_calls = reads_before};
        const auto read = read_line_file(old_);
        ASSERT_FALSE(read.ok()) << reads_before;
        EXPECT_EQ(read.failure().message, "无法读取文件“" + old_.string() + "”：磁盘读写出错！");
    }
    // Short reads alone are no error.
    plan = Plan{.error = EIO, .read_calls = 1000};
    const auto read = read_line_file(old_);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value(), kTexts);
}

detail::ByteCount one_byte_read(int fd, void* data, size_t size) {
    return real.read(fd, data, std::min<size_t>(size, 1));
}

TEST_F(fault_injection, a_byte_order_mark_split_between_reads_is_still_a_mark) {
    write_bytes(old_,
                "\xEF\xBB\xBF"
                "1000\r\n8765.888\r\n6789.999\r\n15.152555\r\n");
    system_calls().read = one_byte_read;
    EXPECT_EQ(read_line_file(old_).value(), kTexts);
    write_bytes(old_,
                "\xFE\xFF\0"
                "1");
    EXPECT_EQ(read_line_file(old_).failure().message,
              "无法读取文件“" + old_.string() +
                  "”：文件是UTF-16 BE编码的文本，线路参数文件须为GBK（代码页936）或UTF-8编码！");
}

TEST_F(fault_injection, every_errno_a_save_can_meet_has_a_chinese_cause) {
    system_calls().rename = failing_rename;
    const std::pair<int, const char*> causes[] = {
        {EBUSY, "文件或设备正被占用"},
        {ENOMEM, "内存不足"},
        {ETXTBSY, "文件是一个正在运行的程序，不能改写"},
        {EMFILE, "本程序打开的文件太多"},
        {ENFILE, "系统打开的文件太多"},
        {EINTR, "操作被中断"},
        {ELOOP, "路径中的符号链接太多或成环"},
        {EPERM, "没有访问权限"},
        {EFBIG, "文件超出了允许的大小"},
        {ENOTDIR, "路径中有一段不是文件夹"},
        {ENOENT, "文件或文件夹不存在"},
        {EEXIST, "文件已经存在"},
        {EINVAL, "文件名无效，或磁盘不支持这项操作"},
        {ENAMETOOLONG, "文件名太长"},
        {EDQUOT, "磁盘空间不足"},
    };
    for (const auto& [err, cause] : causes) {
        expect_every_writer_fails_cleanly(cause, Plan{.error = err});
    }
}

TEST_F(fault_injection, file_vanished_between_dialog_and_open) {
    std::filesystem::remove(old_);
    const auto read = read_line_file(old_);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.failure().message, "无法读取文件“" + old_.string() + "”：文件不存在！");
    EXPECT_TRUE(folder_.entries().empty());
}

}  // namespace
}  // namespace korvane::files
