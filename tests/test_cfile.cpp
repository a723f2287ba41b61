#include "room/cfile.h"
#include "support.h"

#include <gtest/gtest.h>

#include <functional>

struct PrimitiveCase {
    const char* name;
    std::function<void(CFILE*)> write;
    Bytes bytes;
    int32_t tell = -1; // where the file stands at the end; -1: at its last byte
};

// Each case runs twice, into memory and into a real file, and both must hold
// exactly what a plain file would after the same writes and seeks.
TEST(WritePrimitives, WriteAndSeekAsAPlainFileDoes)
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
        {"nothing written", [](CFILE*) {}, {}},
        {"seek to the end of a fresh file", [](CFILE* f) { cfseek(f, 0, SEEK_END); }, {}, 0},
        {"seek to the end of a fresh file, then write",
         [](CFILE* f) { cfseek(f, 0, SEEK_END); cf_WriteByte(f, 9); }, {9}},
        {"back-patching a length",
         [](CFILE* f) {
             cf_WriteInt(f, 5);
             cf_WriteInt(f, -1);
             cf_WriteInt(f, 7);
             cfseek(f, 4, SEEK_SET);
             cf_WriteInt(f, 4);
             cfseek(f, 12, SEEK_SET);
         },
         {5, 0, 0, 0, 4, 0, 0, 0, 7, 0, 0, 0}},
        {"a gap left by a seek past the end reads as zeros",
         [](CFILE* f) { cf_WriteByte(f, 1); cfseek(f, 4, SEEK_SET); cf_WriteByte(f, 2); }, {1, 0, 0, 0, 2}},
        {"two seeks past the end in a row, then a write",
         [](CFILE* f) { cf_WriteByte(f, 1); cfseek(f, 9, SEEK_SET); cfseek(f, 6, SEEK_SET); cf_WriteByte(f, 2); },
         {1, 0, 0, 0, 0, 0, 2}},
        {"a seek past the end without a write leaves the size",
         [](CFILE* f) { cf_WriteInt(f, 5); cfseek(f, 100, SEEK_SET); }, {5, 0, 0, 0}, 100},
        {"seek to offset 0 after a seek past the end",
         [](CFILE* f) { cf_WriteInt(f, 0x04030201); cfseek(f, 50, SEEK_SET); cfseek(f, 0, SEEK_SET); cf_WriteByte(f, 9); },
         {9, 2, 3, 4}, 1},
        {"seek to offset 0 after a write past the end",
         [](CFILE* f) { cf_WriteByte(f, 1); cfseek(f, 3, SEEK_SET); cf_WriteByte(f, 2); cfseek(f, 0, SEEK_SET); cf_WriteByte(f, 3); },
         {3, 0, 0, 2}, 1},
        {"seeks from the end and from the current position",
         [](CFILE* f) {
             cf_WriteInt(f, 0x04030201);
             cfseek(f, -3, SEEK_END);
             cf_WriteByte(f, 9);
             cfseek(f, 1, SEEK_CUR);
             cf_WriteByte(f, 8);
         },
         {1, 9, 3, 8}},
    };
    TempDir dir;
    for (const PrimitiveCase& c : cases) {
        int32_t tell = c.tell < 0 ? int32_t(c.bytes.size()) : c.tell;
        CFILE memory;
        c.write(&memory);
        EXPECT_EQ(cftell(&memory), tell) << c.name << ": memory";
        EXPECT_TRUE(cfclose(&memory)) << c.name;
        EXPECT_EQ(memory.bytes, c.bytes) << c.name << ": memory";

        CFILE file;
        file.fp = std::fopen((dir / "out.bin").string().c_str(), "wb");
        ASSERT_NE(file.fp, nullptr);
        c.write(&file);
        EXPECT_EQ(cftell(&file), tell) << c.name << ": file";
        EXPECT_TRUE(cfclose(&file)) << c.name;
        EXPECT_EQ(readFile(dir / "out.bin"), c.bytes) << c.name << ": file";
    }
}

// A file refuses a seek before its start and stays where it is; closing then
// reports the failure, and the bytes written stand.
TEST(WritePrimitives, ASeekBeforeTheStartIsAFailure)
{
    CFILE file;
    cf_WriteInt(&file, 5);
    cfseek(&file, -1, SEEK_SET);
    EXPECT_EQ(cftell(&file), 4);
    cf_WriteByte(&file, 6);
    EXPECT_FALSE(cfclose(&file));
    EXPECT_EQ(file.bytes, (Bytes{5, 0, 0, 0, 6}));
}

#ifndef _WIN32
// A stream that cannot seek: the back-patching seek fails, and closing says so.
TEST(WritePrimitives, AFailedSeekOfTheFileIsReportedOnClose)
{
    CFILE file;
    file.fp = popen("cat > /dev/null", "w");
    ASSERT_NE(file.fp, nullptr);
    for (size_t i = 0; i < CF_BUFFER_SIZE + 10; ++i) // past the window: its bytes go to the stream
        cf_WriteByte(&file, 1);
    cfseek(&file, 0, SEEK_SET);
    cf_WriteInt(&file, 7); // this must go back to offset 0, which a pipe cannot do
    EXPECT_FALSE(cfclose(&file)); // glibc's fclose also waits for a popen stream's command
}
#endif

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

// A plain file as the primitives must behave: bytes written land where the
// position is, a gap before them reads as zeros, nothing else changes.
struct PlainFile {
    Bytes bytes;
    size_t pos = 0;
    void write(uint32_t value, size_t count)
    {
        if (bytes.size() < pos + count)
            bytes.resize(pos + count);
        for (size_t i = 0; i < count; ++i)
            bytes[pos++] = (unsigned char)(value >> (8 * i));
    }
};

// Long runs of writes and seeks in every direction, back and forth across the
// points where the buffer goes to the file, in memory and into a real file.
TEST(WritePrimitives, AnySequenceOfWritesAndSeeksGivesThePlainFilesBytes)
{
    std::mt19937 rng(20261211);
    PlainFile plain;
    CFILE memory;
    TempDir dir;
    CFILE file;
    file.fp = std::fopen((dir / "seq.bin").string().c_str(), "wb");
    ASSERT_NE(file.fp, nullptr);
    const size_t span = 3 * CF_BUFFER_SIZE + 1000;
    for (int op = 0; op < 300; ++op) {
        if (rng() % 3 == 0) {
            // A seek anywhere up to a little past the end, the way the room writer's are made.
            size_t target = rng() % (std::min(plain.bytes.size(), span) + 64);
            cfseek(&memory, int32_t(target), SEEK_SET);
            cfseek(&file, int32_t(target), SEEK_SET);
            plain.pos = target;
        } else {
            size_t run = rng() % 3 == 0 ? rng() % 5 : rng() % (CF_BUFFER_SIZE / 8);
            for (size_t k = 0; k < run; ++k) {
                uint32_t value = rng();
                size_t count = size_t(1) << (value % 3); // 1, 2 or 4 bytes
                plain.write(value, count);
                for (CFILE* f : {&memory, &file}) {
                    if (count == 1)
                        cf_WriteByte(f, (signed char)(value & 0xff));
                    else if (count == 2)
                        cf_WriteShort(f, int32_t(value));
                    else
                        cf_WriteInt(f, int32_t(value));
                }
            }
        }
        ASSERT_EQ(cftell(&memory), int32_t(plain.pos)) << "operation " << op;
        ASSERT_EQ(cftell(&file), int32_t(plain.pos)) << "operation " << op;
    }
    ASSERT_TRUE(cfclose(&memory));
    ASSERT_TRUE(cfclose(&file));
    EXPECT_GT(plain.bytes.size(), 2 * CF_BUFFER_SIZE);
    EXPECT_TRUE(memory.bytes == plain.bytes) << "memory";
    EXPECT_TRUE(readFile(dir / "seq.bin") == plain.bytes) << "file";
}
