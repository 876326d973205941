// File: tests/base/native_path_test.cpp
// UTF-8 names reach the file system as the same file and come back as the
// same text: a Japanese name made by one side is found by the other.
#include "base/native_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "support/temp_folder.h"

namespace quillmax::test {
namespace {

namespace fs = std::filesystem;

TEST(NativePath, JapaneseNamesCrossToTheFileSystemAndBack) {
    TempFolder dir;
    const std::string folder = util::Utf8(dir.path());
    std::vector<std::string> names = {"資料 【圧縮後】.pptx", "ﾊﾟﾜｰﾎﾟｲﾝﾄ.pptx", "plain.pptx"};
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        WriteAll(path, "x");
        EXPECT_TRUE(fs::is_regular_file(util::Native(path))) << path;
        EXPECT_EQ(util::Utf8(util::Native(path)), path);
    }
    // What the folder lists is the text that was written.
    std::vector<std::string> listed;
    for (const auto& e : fs::directory_iterator(util::Native(folder))) listed.push_back(util::Utf8(e.path().filename()));
    std::sort(listed.begin(), listed.end());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(listed, names);
}

} // namespace
} // namespace quillmax::test
