// Output primitives for the room file: every value little-endian and packed,
// its bytes made with shifts so that the file is the same on any machine.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

// A room file being written. With `fp`, the bytes go to the file through a
// buffer of its own, large enough that a whole room rarely needs more than a
// few writes; without it, the whole room stays in `bytes`.
struct CFILE {
    std::FILE* fp = nullptr;
    std::vector<unsigned char> bytes; // from file offset `start` on
    size_t used = 0;                  // bytes of `bytes` that hold data, short of `pos` while appending
    size_t pos = 0;                   // where the next value goes, from `start`
    int64_t start = 0;
    int64_t extent = 0; // the furthest offset handed to `fp` so far
    bool failed = false; // a write or seek of `fp` failed
};

// Makes room for `count` more bytes at the write position.
void cf_makeRoom(CFILE* file, size_t count);

inline void cf_put(CFILE* file, uint32_t value, size_t count)
{
    if (file->pos + count > file->bytes.size())
        cf_makeRoom(file, count);
    unsigned char* p = file->bytes.data() + file->pos;
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

// As with a file, a position past the end is allowed: writing there leaves zeros in the gap.
void cfseek(CFILE* file, int32_t savepos, int whence);

// Finishes the file. With `fp`: writes what is buffered and closes `fp`,
// returning false when any write, seek, the flush or the close failed. Without
// it: `bytes` is left holding exactly the room file.
bool cfclose(CFILE* file);
