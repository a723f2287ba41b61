// Output primitives for the room file: every value little-endian and packed,
// its bytes made with shifts so that the file is the same on any machine.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

// A room file being written. The bytes collect in memory, where the back-patched
// chunk lengths are cheap to reach; cfclose hands them to `fp` in one write.
// Without `fp` the room stays in memory.
struct CFILE {
    std::FILE* fp = nullptr;
    std::vector<unsigned char> bytes;
    size_t pos = 0; // where the next value goes
};

inline void cf_put(CFILE* file, uint32_t value, size_t count)
{
    size_t end = file->pos + count;
    if (end > file->bytes.size())
        file->bytes.resize(end);
    unsigned char* p = file->bytes.data() + file->pos;
    for (size_t i = 0; i < count; ++i)
        p[i] = (unsigned char)(value >> (8 * i));
    file->pos = end;
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
    return int32_t(file->pos);
}

// Positions past the end are allowed, as in a file: the gap reads as zeros once written past.
void cfseek(CFILE* file, int32_t savepos, int whence);

// Writes the bytes to `fp` and closes it. False when any write, the flush or
// the close failed; `fp` is closed in every case.
bool cfclose(CFILE* file);
