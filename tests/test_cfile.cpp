#include "room/cfile.h"
#include "support.h"

#include <gtest/gtest.h>

#include <functional>

struct PrimitiveCase {
    const char* name;
    std::function<void(CFILE*)> write;
    Bytes bytes;
};

TEST(WritePrimitives, WriteLittleEndianPackedValues)
{
    const PrimitiveCase cases[] = {
        {"int -1", [](CFILE* f) { cf_WriteInt(f, -1); }, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"int 5", [](CFILE* f) { cf_WriteInt(f, 5); }, {0x05, 0, 0, 0}},
        {"int 0x12345678", [](CFILE* f) { cf_WriteInt(f, 0x12345678); }, {0x78, 0x56, 0x34, 0x12}},
        {"short 0", [](CFILE* f) { cf_WriteShort(f, 0); }, {0, 0}},
        {"short 70000 keeps the low 16 bits", [](CFILE* f) { cf_WriteShort(f, 70000); }, {0x70, 0x11}},
        {"short -1", [](CFILE* f) { cf_WriteShort(f, -1); }, {0xFF, 0xFF}},
        {"byte 4", [](CFILE* f) { cf_WriteByte(f, 4); }, {0x04}},
        {"byte -2", [](CFILE* f) { cf_WriteByte(f, -2); }, {0xFE}},
        {"float 1.0", [](CFILE* f) { cf_WriteFloat(f, 1.0f); }, {0, 0, 0x80, 0x3F}},
        {"float 0.0", [](CFILE* f) { cf_WriteFloat(f, 0.0f); }, {0, 0, 0, 0}},
        {"float -0.5", [](CFILE* f) { cf_WriteFloat(f, -0.5f); }, {0, 0, 0, 0xBF}},
        {"no gaps between values", [](CFILE* f) { cf_WriteByte(f, 1); cf_WriteShort(f, 2); cf_WriteInt(f, 3); },
         {1, 2, 0, 3, 0, 0, 0}},
    };
    for (const PrimitiveCase& c : cases) {
        CFILE file;
        c.write(&file);
        EXPECT_EQ(cftell(&file), int32_t(c.bytes.size())) << c.name;
        EXPECT_TRUE(cfclose(&file));
        EXPECT_EQ(file.bytes, c.bytes) << c.name;
    }
}

TEST(WritePrimitives, TellAndSeekBackPatch)
{
    CFILE file;
    EXPECT_EQ(cftell(&file), 0);
    cf_WriteInt(&file, 5);
    EXPECT_EQ(cftell(&file), 4);
    cf_WriteInt(&file, -1);
    cf_WriteInt(&file, 7);
    cfseek(&file, 4, SEEK_SET);
    cf_WriteInt(&file, 4);
    EXPECT_EQ(cftell(&file), 8);
    cfseek(&file, 12, SEEK_SET);
    cf_WriteByte(&file, 9);
    cfseek(&file, 15, SEEK_SET);
    cf_WriteByte(&file, 8);
    EXPECT_TRUE(cfclose(&file));
    EXPECT_EQ(file.bytes, (Bytes{5, 0, 0, 0, 4, 0, 0, 0, 7, 0, 0, 0, 9, 0, 0, 8}));
}

TEST(WritePrimitives, CloseWritesEveryByteToTheFile)
{
    TempDir dir;
    CFILE file;
    file.fp = std::fopen((dir / "out.bin").string().c_str(), "wb");
    ASSERT_NE(file.fp, nullptr);
    cf_WriteInt(&file, 0x0A0D0A0D); // CR and LF bytes pass untranslated
    EXPECT_TRUE(cfclose(&file));
    EXPECT_EQ(readFile(dir / "out.bin"), (Bytes{0x0D, 0x0A, 0x0D, 0x0A}));
}

// A file far larger than the buffer: lengths patched far behind the buffered
// stretch, and a gap left by a seek past the end, must land as in memory.
TEST(WritePrimitives, FileAndMemoryGiveTheSameBytes)
{
    auto write = [](CFILE* file) {
        cf_WriteInt(file, 1);
        cf_WriteInt(file, -1);
        for (int32_t i = 0; i < 800000; ++i)
            cf_WriteInt(file, i * 7);
        int32_t end = cftell(file);
        cfseek(file, 4, SEEK_SET);
        cf_WriteInt(file, end - 8);
        cfseek(file, end + 3, SEEK_SET); // a gap of three bytes
        cf_WriteShort(file, 0x1234);
        cfseek(file, 100, SEEK_SET);
        cf_WriteByte(file, 42);
        cfseek(file, 0, SEEK_END);
        cf_WriteByte(file, 43);
    };
    CFILE memory;
    write(&memory);
    ASSERT_TRUE(cfclose(&memory));
    ASSERT_EQ(memory.bytes.size(), 3200000u + 8 + 3 + 2 + 1);
    EXPECT_EQ(memory.bytes[4], 0x00);
    EXPECT_EQ(memory.bytes[5], 0xD4); // 3200000 = 0x30D400
    EXPECT_EQ(memory.bytes[6], 0x30);
    EXPECT_EQ(memory.bytes[100], 42);
    EXPECT_EQ(memory.bytes[3200008], 0);

    TempDir dir;
    CFILE file;
    file.fp = std::fopen((dir / "big.bin").string().c_str(), "wb");
    ASSERT_NE(file.fp, nullptr);
    write(&file);
    ASSERT_TRUE(cfclose(&file));
    EXPECT_EQ(readFile(dir / "big.bin"), memory.bytes);
}
