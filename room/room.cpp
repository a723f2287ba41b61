#include "room/room.h"

#include "driver/platform.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <system_error>

namespace fs = std::filesystem;

// Writes the tag and a placeholder length; returns where the length goes.
static int32_t beginChunk(CFILE* file, int32_t tag)
{
    cf_WriteInt(file, tag);
    int32_t savepos = cftell(file);
    cf_WriteInt(file, -1);
    return savepos;
}

static void endChunk(CFILE* file, int32_t savepos)
{
    int32_t endpos = cftell(file);
    cfseek(file, savepos, SEEK_SET);
    cf_WriteInt(file, endpos - savepos - 4);
    cfseek(file, endpos, SEEK_SET);
}

static int64_t faceBytes(const mface& face)
{
    return 19 + 30 * int64_t(face.num_verts > 0 ? face.num_verts : 0);
}

int64_t RoomFileSize(const mdata* md)
{
    int64_t size = 44 + 12 * int64_t(md->numverts);
    for (const mface& face : md->faces)
        size += faceBytes(face);
    return size;
}

void WriteRoom(CFILE* file, const mdata* md)
{
    int32_t savepos = beginChunk(file, ROOM_HEADER_CHUNK);
    cf_WriteInt(file, ROOMFILE_VERSION);
    cf_WriteInt(file, md->numverts);
    cf_WriteInt(file, md->numfaces);
    endChunk(file, savepos);

    savepos = beginChunk(file, ROOM_VERTEX_CHUNK);
    for (int32_t i = 0; i < md->numverts; ++i) {
        cf_WriteFloat(file, md->verts[i].x);
        cf_WriteFloat(file, md->verts[i].y);
        cf_WriteFloat(file, md->verts[i].z);
    }
    endChunk(file, savepos);

    // Only the corner count and the indices come from the mesh: the editor
    // recomputes the normal, and the user lines up textures in the editor.
    savepos = beginChunk(file, ROOM_FACES_CHUNK);
    for (int32_t i = 0; i < md->numfaces; ++i) {
        const mface& face = md->faces[i];
        cf_WriteByte(file, LIGHT_MULTIPLE_DEFAULT);
        cf_WriteInt(file, face.num_verts);
        cf_WriteFloat(file, 0.0f);
        cf_WriteFloat(file, 0.0f);
        cf_WriteFloat(file, 0.0f);
        cf_WriteShort(file, TEXTURE_DEFAULT);
        for (int32_t t = 0; t < face.num_verts; ++t) {
            cf_WriteShort(file, md->face_verts[size_t(face.first) + t]);
            cf_WriteFloat(file, 1.0f); // u
            cf_WriteFloat(file, 1.0f); // v
            cf_WriteFloat(file, 0.0f);
            cf_WriteFloat(file, 0.0f);
            cf_WriteFloat(file, 0.0f);
            cf_WriteFloat(file, 0.0f);
            cf_WriteFloat(file, 1.0f); // alpha: opaque
        }
    }
    endChunk(file, savepos);

    // The end chunk's second field is a fixed 4, not a length.
    cf_WriteInt(file, ROOM_END_CHUNK);
    cf_WriteInt(file, 4);
}

void WarnRoomLimits(const mdata* md)
{
    if (md->numverts > EDITOR_MAX_VERTS)
        std::printf("Warning: the room has %d vertices; the level editor takes at most %d.\n", md->numverts, EDITOR_MAX_VERTS);
    if (md->numfaces > EDITOR_MAX_FACES)
        std::printf("Warning: the room has %d faces; the level editor takes at most %d.\n", md->numfaces, EDITOR_MAX_FACES);
    if (md->maxnumvertsinface > EDITOR_MAX_CORNERS)
        std::printf("Warning: the room has a face of %d corners; the level editor takes at most %d per face.\n",
                    md->maxnumvertsinface, EDITOR_MAX_CORNERS);
}

bool SaveRoom(const char* filename, const mdata* md, std::string& error)
{
    // Chunk lengths and positions are 32-bit fields.
    int64_t size = RoomFileSize(md);
    if (size > INT32_MAX) {
        error = std::string(filename) + ": the room is too large for a room file (" + std::to_string(size) +
                " bytes; a room file holds at most 2147483647)\n";
        return false;
    }

    // The room goes to a new file beside its name; created here and nowhere
    // else, so that no other run can share it.
    fs::path tmpname;
    CFILE file;
    std::string why;
    for (int n = 0; n < 100; ++n) {
        tmpname = FilePath(std::string(filename) + ".tovrek-tmp" + (n ? std::to_string(n) : ""));
        bool exists = false;
        file.fp = CreateNewFile(tmpname, exists, why);
        if (!exists)
            break;
    }
    if (!file.fp) {
        error = std::string(filename) + ": cannot create the room file: " + why + "\n";
        return false;
    }
    RemoveOnInterrupt(&tmpname);

    std::string failure;
    try {
        // The window takes its size once: growing it step by step would touch
        // twice the memory, a page fault for every page.
        file.window.resize(size_t(std::min(size, int64_t(CF_BUFFER_SIZE))));
        WriteRoom(&file, md);
    } catch (const std::bad_alloc&) {
        failure = "the room is too large for this computer's memory";
    }
    if (!cfclose(&file) && failure.empty())
        failure = "writing the room file failed (is the disk full?)";

    if (failure.empty() && !MoveOver(tmpname, FilePath(filename), why))
        failure = "cannot put the new room file in place of this name: " + why;
    std::error_code ec;
    if (!failure.empty())
        fs::remove(tmpname, ec);
    RemoveOnInterrupt(nullptr);
    if (!failure.empty()) {
        error = std::string(filename) + ": " + failure + "; no room file was written\n";
        return false;
    }

    std::printf("We're done!\n");
    return true;
}
