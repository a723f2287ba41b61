#include "driver/driver.h"

#include <cstdio>
#include <filesystem>
#include <new>
#include <system_error>

namespace fs = std::filesystem;

// Folds CR LF to LF and cuts the text at its first NUL, in place.
static void makeText(std::string& puf)
{
    size_t nul = puf.find('\0');
    if (nul != std::string::npos)
        puf.resize(nul);

    size_t w = puf.find('\r');
    if (w == std::string::npos)
        return;
    for (size_t r = w; r < puf.size(); ++r) {
        if (puf[r] == '\r' && r + 1 < puf.size() && puf[r + 1] == '\n')
            continue;
        puf[w++] = puf[r];
    }
    puf.resize(w);
}

static LoadResult fail(std::string& error, const std::string& name, const char* why)
{
    error = name + ": " + why + "\n";
    return LoadResult::failed;
}

LoadResult LoadText(const std::string& name, std::string& puf, std::string& error)
{
    std::error_code ec;
    // Some systems open a folder for reading and only fail on the first read;
    // ask first so that every platform says the same.
    if (fs::is_directory(name, ec))
        return fail(error, name, "cannot read it: it is a folder, not a file");

    std::FILE* infile = std::fopen(name.c_str(), "rb");
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

        puf.resize(size_t(size));
        puf.resize(std::fread(puf.data(), 1, puf.size(), infile));
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
    return fs::equivalent(a, b, ec);
}
