#include "room/room.h"
#include "support.h"

#include <gtest/gtest.h>

static Bytes roomBytes(const mdata& md)
{
    CFILE file;
    WriteRoom(&file, &md);
    EXPECT_TRUE(cfclose(&file));
    return file.bytes;
}

TEST(RoomWriter, EmptyMeshIsTheBare44ByteFile)
{
    const Bytes expected = {
        0x05, 0, 0, 0, 0x0C, 0, 0, 0, 0x04, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, // header chunk
        0x01, 0, 0, 0, 0, 0, 0, 0,                                          // vertex chunk
        0x02, 0, 0, 0, 0, 0, 0, 0,                                          // faces chunk
        0x03, 0, 0, 0, 0x04, 0, 0, 0,                                       // end chunk
    };
    EXPECT_EQ(roomBytes(makeMesh({}, {})), expected);
}

TEST(RoomWriter, TriangleMatchesTheLayoutByteForByte)
{
    // Distinct coordinates and an uneven winding, so that swapped or reordered fields show.
    mdata md = makeMesh({{1, 2, 3}, {-4, 5.5f, 0}, {0.25f, -0.5f, 8}}, {{2, 0, 1}});
    const Bytes corner_tail = {0, 0, 0x80, 0x3F, 0, 0, 0x80, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0,
                               0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x3F};
    Bytes expected = {
        0x05, 0, 0, 0, 0x0C, 0, 0, 0, 0x04, 0, 0, 0, 0x03, 0, 0, 0, 0x01, 0, 0, 0,
        0x01, 0, 0, 0, 0x24, 0, 0, 0,
        0, 0, 0x80, 0x3F, 0, 0, 0x00, 0x40, 0, 0, 0x40, 0x40,
        0, 0, 0x80, 0xC0, 0, 0, 0xB0, 0x40, 0, 0, 0x00, 0x00,
        0, 0, 0x80, 0x3E, 0, 0, 0x00, 0xBF, 0, 0, 0x00, 0x41,
        0x02, 0, 0, 0, 0x6D, 0, 0, 0,
        0x04, 0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    };
    for (unsigned char index : {2, 0, 1}) {
        expected.push_back(index);
        expected.push_back(0);
        expected.insert(expected.end(), corner_tail.begin(), corner_tail.end());
    }
    const Bytes end_chunk = {0x03, 0, 0, 0, 0x04, 0, 0, 0};
    expected.insert(expected.end(), end_chunk.begin(), end_chunk.end());

    ASSERT_EQ(expected.size(), 189u);
    EXPECT_EQ(roomBytes(md), expected);
}

TEST(RoomWriter, CubeIs974BytesWithEveryLengthPatched)
{
    mdata md = makeMesh(cubeVerts(), cubeFaces());
    Bytes bytes = roomBytes(md);
    ASSERT_EQ(bytes.size(), 974u);
    EXPECT_EQ(RoomFileSize(&md), 974);
    EXPECT_EQ(bytes, expectedRoom(cubeVerts(), cubeFaces()));
    for (size_t at = 0; at + 4 <= bytes.size(); at += 4)
        ASSERT_FALSE(bytes[at] == 0xFF && bytes[at + 1] == 0xFF && bytes[at + 2] == 0xFF && bytes[at + 3] == 0xFF)
            << "placeholder left at " << at;
}

TEST(RoomWriter, FacesOfAnyCornerCountAndTheCornerlessFace)
{
    // A face without corners takes 19 bytes; faces beyond four corners stay whole.
    std::vector<std::vector<int>> faces = {{}, {0, 1, 2, 3, 4, 5}, {7, 6, 5, 4, 3, 2, 1, 0}, {1, 2}};
    std::vector<mvertex> verts(8, mvertex{0.5f, -1, 2});
    mdata md = makeMesh(verts, faces);
    Bytes bytes = roomBytes(md);
    EXPECT_EQ(bytes, expectedRoom(verts, faces));
    EXPECT_EQ(int64_t(bytes.size()), RoomFileSize(&md));
    EXPECT_EQ(bytes.size(), 44u + 12 * 8 + 4 * 19 + 30 * (6 + 8 + 2));
}

TEST(RoomWriter, RoundTripThroughTheEditorsReading)
{
    std::vector<mvertex> verts = {{1.5f, -2.25f, 3e-5f}, {-7, 0, 1e30f}, {4, 4, -4}, {0, 1, 2}, {9, 8, 7}};
    std::vector<std::vector<int>> faces = {{0, 1, 2}, {4, 3, 2, 1}, {3, 0, 4, 2, 1}};
    RoomRead back = readRoom(roomBytes(makeMesh(verts, faces)));
    ASSERT_TRUE(back.ok) << back.why;
    ASSERT_EQ(back.verts.size(), verts.size());
    for (size_t i = 0; i < verts.size(); ++i) {
        EXPECT_EQ(back.verts[i].x, verts[i].x);
        EXPECT_EQ(back.verts[i].y, verts[i].y);
        EXPECT_EQ(back.verts[i].z, verts[i].z);
    }
    EXPECT_EQ(back.faces, faces);
}

TEST(RoomWriter, SaveRoomReplacesAnExistingFileWhole)
{
    TempDir dir;
    std::string name = (dir / "room.orf").string();
    writeFile(name, std::string(5000, 'x'));
    std::string error;
    mdata md = makeMesh({}, {});
    testing::internal::CaptureStdout();
    ASSERT_TRUE(SaveRoom(name.c_str(), &md, error)) << error;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "We're done!\n");
    EXPECT_EQ(readFile(name).size(), 44u);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"room.orf"});
}

TEST(RoomWriter, SaveRoomIntoAMissingFolderFailsWithAMessage)
{
    TempDir dir;
    std::string name = (dir / "no such folder" / "room.orf").string();
    std::string error;
    mdata md = makeMesh({}, {});
    testing::internal::CaptureStdout();
    EXPECT_FALSE(SaveRoom(name.c_str(), &md, error));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(error, name + ": cannot create the room file\n");
}

TEST(RoomWriter, WarnsForEachEditorLimitTheRoomExceeds)
{
    struct LimitCase {
        int32_t verts, faces, corners;
        std::string warnings;
    };
    const LimitCase cases[] = {
        {10000, 3000, 64, ""},
        {10001, 3000, 64, "Warning: the room has 10001 vertices; the level editor takes at most 10000.\n"},
        {10, 3001, 3, "Warning: the room has 3001 faces; the level editor takes at most 3000.\n"},
        {10, 1, 65, "Warning: the room has a face of 65 corners; the level editor takes at most 64 per face.\n"},
        {20000, 4000, 100,
         "Warning: the room has 20000 vertices; the level editor takes at most 10000.\n"
         "Warning: the room has 4000 faces; the level editor takes at most 3000.\n"
         "Warning: the room has a face of 100 corners; the level editor takes at most 64 per face.\n"},
    };
    for (const LimitCase& c : cases) {
        mdata md;
        md.numverts = c.verts;
        md.numfaces = c.faces;
        md.maxnumvertsinface = c.corners;
        testing::internal::CaptureStdout();
        WarnRoomLimits(&md);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.warnings);
    }
}

TEST(RoomWriter, RoomTooLargeForThe32BitFieldsIsRefusedBeforeWriting)
{
    TempDir dir;
    std::string name = (dir / "huge.orf").string();
    mdata md;
    md.numfaces = 1;
    md.faces.push_back(mface{INT32_MAX / 30 + 1, 0}); // its corners alone pass 2^31 bytes
    std::string error;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(SaveRoom(name.c_str(), &md, error));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(error, name + ": the room is too large for a room file (2147483733 bytes; a room file holds at most "
                            "2147483647)\n");
    EXPECT_TRUE(dir.names().empty());
}
