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
        EXPECT_EQ(file.bytes, c.bytes) << c.name;
        EXPECT_EQ(cftell(&file), int32_t(c.bytes.size())) << c.name;
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
    EXPECT_EQ(file.bytes, (Bytes{5, 0, 0, 0, 4, 0, 0, 0, 7, 0, 0, 0, 9}));
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
