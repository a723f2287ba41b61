// Helpers shared by the tests: byte builders, a room file reader, temporary
// folders and running the built program the way a user does.
#pragma once

#include "driver/mdata.h"
#include "roomread.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/wait.h>
#endif

namespace fs = std::filesystem;

// Little-endian values, spelled out byte by byte.
struct ByteWriter {
    Bytes out;
    ByteWriter& u8(unsigned v) { out.push_back((unsigned char)v); return *this; }
    ByteWriter& i16(int32_t v) { return u8(v & 0xff).u8((v >> 8) & 0xff); }
    ByteWriter& i32(int32_t v) { return i16(v & 0xffff).i16(int32_t(uint32_t(v) >> 16)); }
    ByteWriter& f32(float f)
    {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        return i32(int32_t(bits));
    }
};

// The room file for a mesh, laid out field by field as the level editor reads it.
inline Bytes expectedRoom(const std::vector<mvertex>& verts, const std::vector<std::vector<int>>& faces)
{
    int32_t facebytes = 0;
    for (const auto& f : faces)
        facebytes += 19 + 30 * int32_t(f.size());
    ByteWriter w;
    w.i32(5).i32(12).i32(4).i32(int32_t(verts.size())).i32(int32_t(faces.size()));
    w.i32(1).i32(12 * int32_t(verts.size()));
    for (const mvertex& v : verts)
        w.f32(v.x).f32(v.y).f32(v.z);
    w.i32(2).i32(facebytes);
    for (const auto& f : faces) {
        w.u8(4).i32(int32_t(f.size())).f32(0).f32(0).f32(0).i16(0);
        for (int index : f)
            w.i16(index).f32(1).f32(1).f32(0).f32(0).f32(0).f32(0).f32(1);
    }
    w.i32(3).i32(4);
    return w.out;
}

// fopen for a path, reaching names in any script on Windows too.
inline std::FILE* openPath(const fs::path& path, const char* mode)
{
#ifdef _WIN32
    return _wfopen(path.c_str(), std::wstring(mode, mode + std::strlen(mode)).c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

inline Bytes readFile(const fs::path& path)
{
    Bytes bytes;
    if (std::FILE* in = openPath(path, "rb")) {
        unsigned char chunk[65536];
        for (size_t n; (n = std::fread(chunk, 1, sizeof(chunk), in)) > 0;)
            bytes.insert(bytes.end(), chunk, chunk + n);
        std::fclose(in);
    }
    return bytes;
}

inline std::string readText(const fs::path& path)
{
    Bytes b = readFile(path);
    return std::string(b.begin(), b.end());
}

inline void writeFile(const fs::path& path, const std::string& text)
{
    std::FILE* out = openPath(path, "wb");
    if (!out || std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fclose(out) != 0)
        throw std::runtime_error("cannot write " + path.u8string());
}

// A fresh folder for one test, removed afterwards.
struct TempDir {
    fs::path path;
    TempDir()
    {
        std::random_device rd;
        path = fs::temp_directory_path() / ("tovrek-test-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(path);
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    // Names are UTF-8, as the program holds them, on every system.
    fs::path operator/(const std::string& name) const { return path / fs::u8path(name); }
    operator const fs::path&() const { return path; }
    // The names in the folder, sorted.
    std::vector<std::string> names() const
    {
        std::vector<std::string> all;
        for (const auto& entry : fs::directory_iterator(path))
            all.push_back(entry.path().filename().u8string());
        std::sort(all.begin(), all.end());
        return all;
    }
};

struct RunResult {
    int status = -1;
    std::string out; // everything the program printed
};

inline std::string quoteArg(const std::string& arg)
{
#ifdef _WIN32
    return "\"" + arg + "\"";
#else
    std::string q = "'";
    for (char c : arg)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
#endif
}

#ifdef _WIN32
inline std::wstring widen(const std::string& utf8)
{
    int size = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring wide(size_t(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], size);
    wide.resize(wide.size() - 1);
    return wide;
}
#endif

// Runs the built program in `dir` with `args` (UTF-8), as a user would from a
// shell. `setup` goes before the command (POSIX shells only), such as a ulimit.
inline RunResult runTovrek(const fs::path& dir, const std::vector<std::string>& args, const std::string& setup = "")
{
    fs::path log = dir.parent_path() / (dir.filename().u8string() + ".console");
#ifdef _WIN32
    (void)setup;
    std::string cmd = "cd /d " + quoteArg(dir.u8string()) + " && " + quoteArg(TOVREK_EXE);
#else
    std::string cmd = "cd " + quoteArg(dir.u8string()) + " && " + setup + quoteArg(TOVREK_EXE);
#endif
    for (const std::string& arg : args)
        cmd += " " + quoteArg(arg);
    cmd += " > " + quoteArg(log.u8string()) + " 2>&1";
    RunResult run;
#ifdef _WIN32
    // cmd /c drops the outer pair of quotes; the wide call keeps every name whole.
    run.status = _wsystem(widen("\"" + cmd + "\"").c_str());
#else
    int raw = std::system(cmd.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
#endif
    run.out = readText(log);
    std::error_code ec;
    fs::remove(log, ec);
    return run;
}

// The mesh of examples/cube.x.
inline std::vector<mvertex> cubeVerts()
{
    return {{1, 1, -1}, {1, -1, -1}, {-1, -1, -1}, {-1, 1, -1},
            {1, 0.999999f, 1}, {0.999999f, -1.000001f, 1}, {-1, -1, 1}, {-1, 1, 1}};
}

inline std::vector<std::vector<int>> cubeFaces()
{
    return {{0, 1, 2, 3}, {4, 7, 6, 5}, {0, 4, 5, 1}, {1, 5, 6, 2}, {2, 6, 7, 3}, {4, 0, 3, 7}};
}

inline std::string cubeText()
{
    return readText(fs::path(TOVREK_EXAMPLES) / "cube.x");
}

inline mdata makeMesh(const std::vector<mvertex>& verts, const std::vector<std::vector<int>>& faces)
{
    mdata md;
    md.numverts = int32_t(verts.size());
    md.numfaces = int32_t(faces.size());
    md.verts = verts;
    md.normals.assign(verts.size(), mvertex{0, 0, 0});
    for (const auto& f : faces) {
        md.faces.push_back(mface{int32_t(f.size()), int32_t(md.face_verts.size())});
        md.face_verts.insert(md.face_verts.end(), f.begin(), f.end());
        md.maxnumvertsinface = std::max(md.maxnumvertsinface, int32_t(f.size()));
    }
    return md;
}
