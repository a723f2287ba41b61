// Output primitives for the room file: every value little-endian and packed,
// its bytes made with shifts so that the file is the same on any machine.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

// The room file goes to its file in stretches of at most this many bytes.
const size_t CF_BUFFER_SIZE = size_t(1) << 18;

// A room file being written: into the file `fp`, or, without it, into `bytes`.
//
// Writes land in `window`, which stands for the file's bytes from offset
// `start` on. The window holds exactly the bytes written since it was placed
// there, and the file holds all the others. A seek inside that written
// stretch only moves the position; any other seek hands the window to the
// file first and starts an empty one at the target. So nothing but written
// bytes ever reaches the file, and gaps are left to the file itself, where
// they read as zeros.
struct CFILE {
    std::FILE* fp = nullptr;
    std::vector<unsigned char> bytes; // without `fp`: the file, complete after cfclose

    std::vector<unsigned char> window;
    size_t pos = 0;   // where the next value goes, from `start`
    size_t used = 0;  // the window's written bytes: [0, max(used, pos)); see cf_put
    int64_t start = 0;
    int64_t filepos = 0; // where `fp` stands
    int64_t extent = 0;  // the file's size: the end of all that was handed to it
    bool failed = false; // a write or seek of `fp` failed, or a seek before the start
};

// Makes room in the window for one more value at the write position.
void cf_makeRoom(CFILE* file);

// Appends only move `pos`, and `used` catches up on the next seek, flush or
// close: the position never leaves the written stretch except by writing, so
// everything below `pos` has been written.
inline void cf_put(CFILE* file, uint32_t value, size_t count)
{
    if (file->pos + count > file->window.size())
        cf_makeRoom(file);
    unsigned char* p = file->window.data() + file->pos;
    for (size_t i = 0; i < count; ++i)
        p[i] = (unsigned char)(value >> (8 * i));
    file->pos += count;
}

inline void cf_WriteInt(CFILE* file, int32_t zahl)
{
    cf_put(file, uint32_t(zahl), 4);
}

inline void cf_WriteFloat(CFILE* file, float z)
{
    uint32_t bits;
    std::memcpy(&bits, &z, sizeof(bits));
    cf_put(file, bits, 4);
}

// Only the low 16 bits of `s` are written.
inline void cf_WriteShort(CFILE* f, int32_t s)
{
    cf_put(f, uint32_t(s), 2);
}

inline void cf_WriteByte(CFILE* f, signed char c)
{
    cf_put(f, uint32_t((unsigned char)c), 1);
}

inline int32_t cftell(CFILE* file)
{
    return int32_t(file->start + int64_t(file->pos));
}

// As with a file, a position past the end is allowed: writing there leaves
// zeros in the gap, and seeking there alone does not make the file longer.
void cfseek(CFILE* file, int32_t savepos, int whence);

// Finishes the file. With `fp`: writes what is buffered and closes `fp`,
// returning false when any write, seek, the flush or the close failed. Without
// it: `bytes` is left holding exactly the room file.
bool cfclose(CFILE* file);
