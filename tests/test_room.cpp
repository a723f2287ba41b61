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
    std::vector<std::vector<int>> faces = {{}, {0, 1, 2, 3, 4, 5}, {7, 6, 5, 4, 3, 2, 1, 0}, {1, 2}, {3}};
    std::vector<mvertex> verts(8, mvertex{0.5f, -1, 2});
    mdata md = makeMesh(verts, faces);
    Bytes bytes = roomBytes(md);
    EXPECT_EQ(bytes, expectedRoom(verts, faces));
    EXPECT_EQ(int64_t(bytes.size()), RoomFileSize(&md));
    EXPECT_EQ(bytes.size(), 44u + 12 * 8 + 5 * 19 + 30 * (6 + 8 + 2 + 1));
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
    EXPECT_EQ(error, name + ": cannot create the room file: its folder does not exist\n");
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

// A mesh whose faces chunk holds exactly `faces_bytes` bytes: face entries of
// about four corners each, with indices and coordinates that differ everywhere,
// so that any byte out of place shows.
static mdata meshOfSize(int32_t numverts, int64_t faces_bytes, std::vector<mvertex>& verts,
                        std::vector<std::vector<int>>& faces)
{
    verts.clear();
    faces.clear();
    for (int32_t i = 0; i < numverts; ++i)
        verts.push_back(mvertex{float(i) * 0.5f, -float(i), float(i % 977) + 0.25f});
    // faces_bytes = 19 n + 30 corners; 19 * 19 = 1 (mod 30) gives the face count modulo 30.
    int64_t n = faces_bytes * 19 % 30;
    n += (faces_bytes / 139 - n) / 30 * 30;
    int64_t corners = (faces_bytes - 19 * n) / 30;
    EXPECT_EQ(19 * n + 30 * corners, faces_bytes);
    EXPECT_GE(corners, n);
    int32_t indices = std::min(numverts, 32768);
    for (int64_t f = 0; f < n; ++f) {
        std::vector<int> face;
        for (int64_t t = 0; t < corners / n + (f < corners % n); ++t)
            face.push_back(int((f * 7 + t * 13) % indices));
        faces.push_back(face);
    }
    return makeMesh(verts, faces);
}

// The room file through a real file and through memory, held against the
// layout worked out here from the mesh, for rooms whose chunks end just before,
// on and just after the points where the writer hands its buffer to the file,
// and for chunks that cross those points.
TEST(RoomWriter, FileAndMemoryEqualTheLayoutOnBothSidesOfEveryFlushPoint)
{
    const int64_t B = int64_t(CF_BUFFER_SIZE);
    // The vertex chunk ends at 28 + 12 v; the faces chunk at 36 + 12 v + its bytes.
    struct SizeCase {
        const char* name;
        int32_t verts;
        int64_t faces_end; // file offset where the faces chunk ends
    };
    const int32_t v_at_buffer = int32_t((B - 28) / 12); // the vertex chunk ends on B
    const SizeCase cases[] = {
        {"vertex chunk ends just before the buffer's size", v_at_buffer - 1, B + 20000},
        {"vertex chunk ends on the buffer's size", v_at_buffer, B + 20000},
        {"vertex chunk ends just after the buffer's size", v_at_buffer + 1, B + 20000},
        {"vertex chunk crosses the buffer's size", 100000, 1200028 + 8 + 5000},
        {"vertex chunk crosses twice the buffer's size", 200000, 2400028 + 8 + 5000},
        {"faces chunk ends just before the buffer's size", 1000, B - 1},
        {"faces chunk ends on the buffer's size", 1000, B},
        {"faces chunk ends just after the buffer's size", 1000, B + 1},
        {"file ends on the buffer's size", 1000, B - 8},
        {"faces chunk ends just before twice the buffer's size", 1000, 2 * B - 1},
        {"faces chunk ends on twice the buffer's size", 1000, 2 * B},
        {"faces chunk ends just after twice the buffer's size", 1000, 2 * B + 1},
        {"faces chunk ends just before three times the buffer's size", 1000, 3 * B - 1},
        {"faces chunk ends just after three times the buffer's size", 1000, 3 * B + 1},
        {"faces chunk shorter than the buffer crosses it", 50000, 600036 + 600000},
        {"faces chunk shorter than the buffer crosses twice its size", 150000, 1800036 + 500000},
    };
    TempDir dir;
    std::vector<mvertex> verts;
    std::vector<std::vector<int>> faces;
    for (const SizeCase& c : cases) {
        mdata md = meshOfSize(c.verts, c.faces_end - 36 - 12 * int64_t(c.verts), verts, faces);
        Bytes expected = expectedRoom(verts, faces);
        ASSERT_EQ(int64_t(expected.size()), c.faces_end + 8) << c.name;
        EXPECT_EQ(RoomFileSize(&md), c.faces_end + 8) << c.name;

        EXPECT_TRUE(roomBytes(md) == expected) << c.name << ": memory";
        std::string name = (dir / "room.orf").string(), error;
        testing::internal::CaptureStdout();
        ASSERT_TRUE(SaveRoom(name.c_str(), &md, error)) << c.name << ": " << error;
        testing::internal::GetCapturedStdout();
        EXPECT_TRUE(readFile(name) == expected) << c.name << ": file";
    }
}

// Rooms within the editor's limits that were once written with their faces
// chunk zeroed on disk: a faces chunk shorter than the buffer that ends past it.
TEST(RoomWriter, RoomsOfAboutOneMegabyteKeepTheirFaces)
{
    std::vector<mvertex> verts;
    std::vector<std::vector<int>> faces;
    for (int32_t i = 0; i < 10000; ++i)
        verts.push_back(mvertex{float(i), float(i % 100) * 0.5f, -float(i / 100)});
    for (int32_t f = 0; f < 3000; ++f) {
        std::vector<int> face;
        for (int t = 0; t < 10; ++t)
            face.push_back((f * 3 + t) % 10000);
        faces.push_back(face);
    }
    struct Pinned {
        const char* name;
        std::vector<mvertex> verts;
        std::vector<std::vector<int>> faces;
    };
    std::vector<Pinned> rooms = {{"10000 vertices, 3000 faces of 10 corners", verts, faces}};

    // A grid of 100 x 70 quads over 101 x 71 vertices.
    verts.clear();
    faces.clear();
    for (int j = 0; j <= 70; ++j)
        for (int i = 0; i <= 100; ++i)
            verts.push_back(mvertex{float(i), 0, float(j)});
    for (int j = 0; j < 70; ++j)
        for (int i = 0; i < 100; ++i) {
            int a = j * 101 + i;
            faces.push_back({a, a + 101, a + 102, a + 1});
        }
    rooms.push_back({"grid of 7000 quads", verts, faces});

    TempDir dir;
    for (const Pinned& r : rooms) {
        mdata md = makeMesh(r.verts, r.faces);
        Bytes expected = expectedRoom(r.verts, r.faces);
        std::string name = (dir / "room.orf").string(), error;
        testing::internal::CaptureStdout();
        ASSERT_TRUE(SaveRoom(name.c_str(), &md, error)) << r.name << ": " << error;
        testing::internal::GetCapturedStdout();
        Bytes written = readFile(name);
        ASSERT_EQ(written.size(), expected.size()) << r.name;
        size_t first_bad = size_t(std::mismatch(written.begin(), written.end(), expected.begin()).first - written.begin());
        EXPECT_EQ(first_bad, written.size()) << r.name << ": first wrong byte";
        EXPECT_TRUE(roomBytes(md) == expected) << r.name << ": memory";
    }
}
