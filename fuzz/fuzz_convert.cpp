// The whole conversion in memory: check the text, read the mesh, lay out the
// room file, and hold every converted room to the file's own arithmetic.
#include "room/room.h"
#include "tests/roomread.h"
#include "xmesh/xmesh.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include <unistd.h>

static void require(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_convert: %s\n", what);
        std::abort();
    }
}

// One file per fuzzing process, written over for every converted room.
static const std::string& roomPath()
{
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("tovrek-fuzz-" + std::to_string(getpid()) + ".orf")).string();
    static const int removed = std::atexit([] { std::remove(roomPath().c_str()); });
    (void)removed;
    return path;
}

// The room as the program writes it: through the file, read back whole.
static Bytes writtenThroughAFile(const mdata& md)
{
    CFILE file;
    file.fp = std::fopen(roomPath().c_str(), "wb");
    require(file.fp != nullptr, "creating the room file");
    WriteRoom(&file, &md);
    require(cfclose(&file), "writing the room file");
    Bytes bytes;
    std::FILE* in = std::fopen(roomPath().c_str(), "rb");
    require(in != nullptr, "reading the room file back");
    for (int c; (c = std::fgetc(in)) != EOF;)
        bytes.push_back((unsigned char)c);
    std::fclose(in);
    return bytes;
}

// Files from Windows reach the reader with their CR LF line ends: each must
// read exactly as the same text with LF line ends, refused or accepted alike.
static void readsTheSameWithCrLf(std::string_view puf, bool ok, const mdata& md, const ReadError& err)
{
    if (puf.find('\r') != std::string_view::npos)
        return;
    std::string windows;
    for (char c : puf)
        windows += c == '\n' ? std::string("\r\n") : std::string(1, c);
    require(TestInfile(windows), "a CR LF text fails the check its LF text passes");
    mdata other;
    ReadError why;
    bool read = DateiLesen(&other, windows, &why);
    require(read == ok && why.line == err.line && why.what == err.what, "a CR LF text reads differently");
    if (!ok)
        return;
    require(other.verts.size() == md.verts.size() && other.face_verts == md.face_verts, "a CR LF mesh differs");
    for (size_t i = 0; i < md.verts.size(); ++i)
        require(std::memcmp(&other.verts[i], &md.verts[i], sizeof(mvertex)) == 0, "a CR LF vertex differs");
    for (size_t i = 0; i < md.faces.size(); ++i)
        require(other.faces[i].num_verts == md.faces[i].num_verts, "a CR LF face differs");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Exactly `size` bytes and no NUL after them: any read past the end shows.
    std::string_view puf(reinterpret_cast<const char*>(data), size);
    if (!TestInfile(puf))
        return 0;

    mdata md;
    ReadError err;
    bool ok = DateiLesen(&md, puf, &err);
    readsTheSameWithCrLf(puf, ok, md, err);
    if (!ok) {
        require(!err.what.empty() && err.line >= 1, "a refusal without a message");
        return 0;
    }

    int64_t expected = 44 + 12 * int64_t(md.numverts);
    for (const mface& face : md.faces) {
        require(face.num_verts >= 1, "a face without corners was accepted");
        expected += 19 + 30 * int64_t(face.num_verts);
    }
    require(md.verts.size() == size_t(md.numverts) && md.faces.size() == size_t(md.numfaces),
            "counts and arrays differ");
    for (int32_t index : md.face_verts)
        require(index >= 0 && index < md.numverts && index <= 32767, "an index the editor cannot use");

    CFILE file;
    WriteRoom(&file, &md);
    require(cfclose(&file), "closing a room in memory");
    require(int64_t(file.bytes.size()) == expected, "room file size");
    require(writtenThroughAFile(md) == file.bytes, "the room file differs from the room in memory");

    RoomRead back = readRoom(file.bytes);
    require(back.ok, "chunk lengths or layout inconsistent");
    require(back.verts.size() == md.verts.size() && back.faces.size() == md.faces.size(), "room read back differs");
    for (size_t i = 0; i < md.faces.size(); ++i) {
        const mface& face = md.faces[i];
        require(back.faces[i].size() == size_t(face.num_verts), "corner count read back differs");
        for (int32_t t = 0; t < face.num_verts; ++t)
            require(back.faces[i][t] == md.face_verts[size_t(face.first) + t], "index read back differs");
    }
    return 0;
}
