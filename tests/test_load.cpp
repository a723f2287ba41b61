#include "driver/driver.h"
#include "support.h"

#include <gtest/gtest.h>

TEST(LoadText, GivesTheTextTheReaderSees)
{
    struct LoadCase {
        std::string file;
        std::string text;
    };
    const LoadCase cases[] = {
        {"", ""},
        {"a\nb\n", "a\nb\n"},
        {"a\r\nb\r\n", "a\nb\n"},
        {"a\r\r\nb", "a\r\nb"}, // only the CR right before the LF goes
        {"lone\rcr\r", "lone\rcr\r"},
        {"x\x1ay", "x\x1ay"}, // Ctrl-Z is just a byte
        {std::string("ab\0cd\r\n", 7), "ab"}, // the text ends at a NUL
    };
    TempDir dir;
    for (const LoadCase& c : cases) {
        writeFile(dir / "in.x", c.file);
        TextBuffer puf;
        std::string error;
        ASSERT_EQ(LoadText((dir / "in.x").string(), puf, error), LoadResult::ok) << error;
        EXPECT_EQ(std::string_view(puf), c.text);
    }
}

TEST(LoadText, ReadsALargeFileWhole)
{
    TempDir dir;
    std::string big;
    for (int i = 0; i < 100000; ++i)
        big += "line " + std::to_string(i) + "\r\n";
    writeFile(dir / "big.x", big);
    TextBuffer puf;
    std::string error;
    ASSERT_EQ(LoadText((dir / "big.x").string(), puf, error), LoadResult::ok);
    std::string_view text = puf;
    EXPECT_EQ(text.size(), big.size() - 100000);
    EXPECT_EQ(text.substr(text.size() - 11), "line 99999\n");
}

TEST(LoadText, MissingFileIsNotFound)
{
    TempDir dir;
    TextBuffer puf;
    std::string error;
    EXPECT_EQ(LoadText((dir / "none.x").string(), puf, error), LoadResult::not_found);
}

TEST(LoadText, FolderIsRefusedWithAMessage)
{
    TempDir dir;
    fs::create_directory(dir / "folder.x");
    TextBuffer puf;
    std::string error;
    EXPECT_EQ(LoadText((dir / "folder.x").string(), puf, error), LoadResult::failed);
    EXPECT_NE(error.find("folder.x: cannot read it: it is a folder"), std::string::npos) << error;
}

TEST(SameFile, SeesThroughDifferentSpellings)
{
    TempDir dir;
    writeFile(dir / "cube.x", "x");
    EXPECT_TRUE(SameFile((dir / "cube.x").string(), (dir / "." / "cube.x").string()));
    EXPECT_FALSE(SameFile((dir / "cube.x").string(), (dir / "cube.orf").string()));
}
