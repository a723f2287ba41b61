// A room file read back the way the level editor reads it. Shared by the
// tests and the fuzz target.
#pragma once

#include "driver/mdata.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

// A room file read back as the level editor reads it, with every chunk length
// checked against the bytes that the chunk really holds.
struct RoomRead {
    bool ok = false;
    std::string why;
    std::vector<mvertex> verts;
    std::vector<std::vector<int>> faces;
};

inline RoomRead readRoom(const Bytes& b)
{
    RoomRead r;
    size_t at = 0;
    auto need = [&](size_t n) { return at + n <= b.size(); };
    auto u8 = [&]() { return b[at++]; };
    auto i16 = [&]() { int16_t v = int16_t(b[at] | (b[at + 1] << 8)); at += 2; return v; };
    auto i32 = [&]() {
        uint32_t v = uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
        at += 4;
        return int32_t(v);
    };
    auto f32 = [&]() { uint32_t v = uint32_t(i32()); float f; std::memcpy(&f, &v, 4); return f; };
    auto bad = [&](const char* why) { r.why = why; return r; };

    int32_t nv = 0, nf = 0;
    for (;;) {
        if (!need(8))
            return bad("truncated chunk header");
        int32_t tag = i32(), len = i32();
        if (tag == 3) {
            if (len != 4 || at != b.size())
                return bad("end chunk wrong or not last");
            r.ok = true;
            return r;
        }
        size_t start = at;
        if (tag == 5) {
            if (!need(12))
                return bad("truncated header");
            if (i32() != 4)
                return bad("version");
            nv = i32();
            nf = i32();
        } else if (tag == 1) {
            if (nv < 0 || !need(size_t(nv) * 12))
                return bad("truncated vertices");
            for (int32_t i = 0; i < nv; ++i) {
                mvertex v;
                v.x = f32(); v.y = f32(); v.z = f32();
                r.verts.push_back(v);
            }
        } else if (tag == 2) {
            for (int32_t i = 0; i < nf; ++i) {
                if (!need(19))
                    return bad("truncated face");
                if (u8() != 4)
                    return bad("light multiple");
                int32_t n = i32();
                if (f32() != 0 || f32() != 0 || f32() != 0 || i16() != 0)
                    return bad("face fields");
                if (n < 0 || !need(size_t(n) * 30))
                    return bad("truncated corners");
                std::vector<int> face;
                for (int32_t t = 0; t < n; ++t) {
                    face.push_back(i16());
                    float c[7];
                    for (float& f : c)
                        f = f32();
                    if (c[0] != 1 || c[1] != 1 || c[2] != 0 || c[3] != 0 || c[4] != 0 || c[5] != 0 || c[6] != 1)
                        return bad("corner fields");
                }
                r.faces.push_back(face);
            }
        } else {
            return bad("unknown chunk");
        }
        if (at - start != size_t(len))
            return bad("chunk length differs from its content");
    }
}

