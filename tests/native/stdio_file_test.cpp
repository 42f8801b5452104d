#include <gtest/gtest.h>

#include <string>

#include "base/stdio_file.h"
#include "temp_folder.h"

namespace orbelle {
namespace {

TEST(StdioFile, ReadsBackWhatItWroteAndReportsAShortRead) {
    TempFolder folder;
    auto file = folder.Path() / "bytes.bin";
    StdioFile out(file, "wb");
    ASSERT_TRUE(out);
    std::string bytes("line\r\n\0\x1a end", 12);
    EXPECT_TRUE(out.Write(bytes));
    EXPECT_TRUE(out.Close());
    EXPECT_FALSE(out.Close());  // already closed

    StdioFile in(file, "rb");
    std::string back(bytes.size(), '?');
    ASSERT_TRUE(in.Read(back.data(), back.size()));
    EXPECT_EQ(back, bytes);
    char more = 0;
    EXPECT_FALSE(in.Read(&more, 1));
}

// The failures the exports and the backup check rely on being told of.
TEST(StdioFile, FailuresAreReportedNotSwallowed) {
    TempFolder folder;
    StdioFile missing(folder.Path() / "absent" / "file.txt", "wb");
    EXPECT_FALSE(missing);
    EXPECT_FALSE(missing.Write("x"));
    EXPECT_FALSE(missing.Close());
    char byte = 0;
    EXPECT_FALSE(StdioFile(folder.Path() / "absent.txt", "rb").Read(&byte, 1));

    // A device that refuses every write: the buffered bytes fail when closing flushes them.
    StdioFile full("/dev/full", "wb");
    ASSERT_TRUE(full);
    full.Write("a few bytes");
    EXPECT_FALSE(full.Close());
}

}  // namespace
}  // namespace orbelle
