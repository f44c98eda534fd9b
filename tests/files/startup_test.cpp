// The start-up preparation of both programs, under a real file-size limit in a
// child process: the save fails with its cause and leaves no temporary file,
// and the process lives on (without the preparation SIGXFSZ kills it).
#include "files/startup.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <string>

#include "files/line_file.h"
#include "files/report_file.h"
#include "temp_folder.h"

namespace korvane::files {
namespace {

using testing::TempFolder;

#ifndef _WIN32
// Runs `body` in a child whose files may grow to `limit` bytes; the child's
// exit status is the number of failed checks, or it dies of a signal.
template <class Body>
int run_limited(rlim_t limit, Body body) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        prepare_for_file_writing();
        rlimit r{limit, limit};
        if (::setrlimit(RLIMIT_FSIZE, &r) != 0) ::_exit(100);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}
#endif

TEST(startup, a_save_beyond_the_file_size_limit_is_reported_and_cleaned_up) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no file-size limit (RLIMIT_FSIZE, SIGXFSZ) nor fork";
#else
    TempFolder folder;
    const auto report = folder / "report.txt";
    const auto line = folder / "line.txt";
    const std::string table(8192, 'x');
    const int status = run_limited(1024, [&] {
        int failed = 0;
        const auto error = write_report_file(report, table);
        if (!error ||
            error->message != "无法保存文件“" + report.string() + "”：文件超出了允许的大小！")
            ++failed;
        const auto line_error = write_line_file(line, {std::string(4000, '1'), "2", "3", "4"});
        if (!line_error ||
            line_error->message != "无法保存文件“" + line.string() + "”：文件超出了允许的大小！")
            ++failed;
        // Within the limit, writing still works.
        if (write_line_file(line, {"1000", "2", "3", "4"})) ++failed;
        return failed;
    });
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(folder.entries(), std::set<std::string>{"line.txt"});  // no temporary file
#endif
}

}  // namespace
}  // namespace korvane::files
