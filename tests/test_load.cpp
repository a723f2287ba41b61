#include "driver/driver.h"
#include "driver/platform.h"
#include "support.h"

#include <gtest/gtest.h>

#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

static std::string load(const fs::path& path)
{
    TextBuffer puf;
    std::string error;
    EXPECT_EQ(LoadText(path.u8string(), puf, error), LoadResult::ok) << error;
    return std::string(std::string_view(puf));
}

// The text is the file up to its first NUL byte; line ends stay as they are,
// for the reader to read CR LF as LF.
TEST(LoadText, GivesTheFileUpToItsFirstNul)
{
    struct LoadCase {
        std::string file;
        std::string text;
    };
    std::string page(4096, 'p'), pages(65536, 'q'); // whole pages, whatever the system's page size
    page.back() = '\n';
    const LoadCase cases[] = {
        {"", ""},
        {"a\nb\n", "a\nb\n"},
        {"a\nb", "a\nb"}, // no line feed at the end
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"a\r\r\nb", "a\r\r\nb"},
        {"lone\rcr\r", "lone\rcr\r"},
        {"x\x1ay", "x\x1ay"}, // Ctrl-Z is just a byte
        {std::string("ab\0cd\r\n", 7), "ab"},
        {std::string("\0abc", 4), ""},
        {std::string("abc\0", 4), "abc"},
        {page, page},
        {pages, pages},
        {pages.substr(1) + std::string(1, '\0'), pages.substr(1)},
    };
    TempDir dir;
    for (const LoadCase& c : cases) {
        writeFile(dir / "in.x", c.file);
        EXPECT_EQ(load(dir / "in.x"), c.text) << c.file.size() << " bytes";
    }
}

TEST(LoadText, ReadsALargeFileWhole)
{
    TempDir dir;
    std::string big;
    for (int i = 0; i < 100000; ++i)
        big += "line " + std::to_string(i) + "\r\n";
    writeFile(dir / "big.x", big);
    EXPECT_EQ(load(dir / "big.x"), big);
}

// A file is mapped whole, to its last byte, whatever its size; what cannot be
// mapped is read instead.
TEST(MapFile, MapsEveryByteOrNothing)
{
    TempDir dir;
    for (size_t size : {size_t(1), size_t(4095), size_t(4096), size_t(4097), size_t(65536), size_t(3) << 20}) {
        std::string bytes(size, 'm');
        bytes.back() = 'e';
        writeFile(dir / "file.x", bytes);
        std::FILE* file = openPath(dir / "file.x", "rb");
        ASSERT_NE(file, nullptr);
        FileMapping mapping;
        ASSERT_TRUE(MapFile(file, mapping)) << size;
        std::fclose(file); // the mapping outlives the stream
        ASSERT_EQ(mapping.size, size);
        EXPECT_EQ(std::string(mapping.data, mapping.size), bytes) << size;
        UnmapFile(mapping);
        EXPECT_EQ(mapping.data, nullptr);
    }
    writeFile(dir / "empty.x", "");
    std::FILE* empty = openPath(dir / "empty.x", "rb");
    FileMapping mapping;
    EXPECT_FALSE(MapFile(empty, mapping));
    std::fclose(empty);
}

#ifndef _WIN32
// A pipe has no size until its end: it is read, not mapped.
TEST(LoadText, ReadsAPipe)
{
    TempDir dir;
    ASSERT_EQ(mkfifo((dir / "pipe.x").c_str(), 0600), 0);
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "row " + std::to_string(i) + "\r\n";
    std::thread writer([&] { writeFile(dir / "pipe.x", text); });
    std::string loaded = load(dir / "pipe.x");
    writer.join();
    EXPECT_EQ(loaded, text);
}
#endif

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
