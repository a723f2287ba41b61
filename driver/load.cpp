#include "driver/driver.h"
#include "driver/platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

namespace fs = std::filesystem;

static LoadResult fail(std::string& error, const std::string& name, const char* why)
{
    error = name + ": " + why + "\n";
    return LoadResult::failed;
}

// Reads what is left of `file` into `bytes`: for what cannot be mapped, such
// as a pipe, whose size is known only at its end.
static bool readAll(std::FILE* file, std::vector<char>& bytes)
{
    size_t used = 0;
    for (;;) {
        if (bytes.size() - used < 65536)
            bytes.resize(std::max(bytes.size() * 2, used + 65536));
        size_t got = std::fread(bytes.data() + used, 1, bytes.size() - used, file);
        used += got;
        if (got == 0)
            break;
    }
    bytes.resize(used);
    return !std::ferror(file);
}

LoadResult LoadText(const std::string& name, TextBuffer& puf, std::string& error)
{
    fs::path path = FilePath(name);
    std::error_code ec;
    // Some systems open a folder for reading and only fail on the first read;
    // ask first so that every platform says the same.
    if (fs::is_directory(path, ec))
        return fail(error, name, "cannot read it: it is a folder, not a file");

    std::FILE* infile = OpenFile(path, "rb");
    if (!infile)
        return LoadResult::not_found;

    LoadResult result = LoadResult::ok;
    if (MapFile(infile, puf.mapping)) {
        puf.text = std::string_view(puf.mapping.data, puf.mapping.size);
    } else {
        try {
            if (!readAll(infile, puf.bytes))
                result = fail(error, name, "reading it failed");
            puf.text = std::string_view(puf.bytes.data(), puf.bytes.size());
        } catch (const std::bad_alloc&) {
            result = fail(error, name, "cannot read it: it is too large for this computer's memory");
        }
    }
    std::fclose(infile);

    if (!puf.text.empty())
        if (const void* nul = std::memchr(puf.text.data(), '\0', puf.text.size()))
            puf.text = puf.text.substr(0, size_t(static_cast<const char*>(nul) - puf.text.data()));
    return result;
}

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    return fs::equivalent(FilePath(a), FilePath(b), ec);
}

bool IsDirectXText(const std::string& name)
{
    std::FILE* file = OpenFile(FilePath(name), "rb");
    if (!file)
        return false;
    char head[4];
    bool text = std::fread(head, 1, 4, file) == 4 && std::memcmp(head, "xof ", 4) == 0;
    std::fclose(file);
    return text;
}
