#include "driver/driver.h"
#include "driver/platform.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

namespace fs = std::filesystem;

// Folds CR LF to LF and cuts the text at its first NUL, in place.
static void makeText(TextBuffer& puf)
{
    char* text = puf.bytes.get();
    if (const void* nul = std::memchr(text, '\0', puf.size))
        puf.size = size_t(static_cast<const char*>(nul) - text);

    const void* cr = std::memchr(text, '\r', puf.size);
    if (!cr)
        return;
    size_t w = size_t(static_cast<const char*>(cr) - text);
    for (size_t r = w; r < puf.size; ++r) {
        if (text[r] == '\r' && r + 1 < puf.size && text[r + 1] == '\n')
            continue;
        text[w++] = text[r];
    }
    puf.size = w;
}

static LoadResult fail(std::string& error, const std::string& name, const char* why)
{
    error = name + ": " + why + "\n";
    return LoadResult::failed;
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
    try {
        long size = -1;
        if (std::fseek(infile, 0, SEEK_END) == 0)
            size = std::ftell(infile);
        if (size < 0 || std::fseek(infile, 0, SEEK_SET) != 0) {
            std::fclose(infile);
            return fail(error, name, "cannot read it: its size cannot be determined");
        }

        puf.bytes.reset(new char[size_t(size) + 1]);
        puf.size = std::fread(puf.bytes.get(), 1, size_t(size), infile);
        puf.bytes[puf.size] = '\0';
        if (std::ferror(infile))
            result = fail(error, name, "reading it failed");
    } catch (const std::bad_alloc&) {
        result = fail(error, name, "cannot read it: it is too large for this computer's memory");
    }
    std::fclose(infile);

    if (result == LoadResult::ok)
        makeText(puf);
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
