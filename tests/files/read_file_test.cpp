#include "files/read_file.h"

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace kf = korvane::files;
using kf::testing::TempFolder;

TEST(read_file, whole_file_within_its_limit_and_refused_beyond) {
    TempFolder dir;
    const auto path = dir / "pts.txt";
    kf::testing::write_bytes(path, "0123456789");
    auto bytes = kf::read_whole_file(path, 10);
    ASSERT_TRUE(bytes.ok());
    EXPECT_EQ(bytes.value(), "0123456789");
    auto refused = kf::read_whole_file(path, 9);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.failure().message, "无法读取文件“" + path.string() + "”：文件超过9字节！");
}

TEST(read_file, missing_files_and_folders_are_named) {
    TempFolder dir;
    EXPECT_EQ(kf::read_whole_file(dir / "none.txt", 100).failure().message,
              "无法读取文件“" + (dir / "none.txt").string() + "”：文件不存在！");
    EXPECT_EQ(kf::read_whole_file(dir.path(), 100).failure().message,
              "无法读取文件“" + dir.path().string() + "”：这是一个文件夹，不是文件！");
}
