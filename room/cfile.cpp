#include "room/cfile.h"

#include <algorithm>

static void catchUp(CFILE* file)
{
    file->used = std::max(file->used, file->pos);
}

// Hands the window's written bytes to the file at `start`, then places an
// empty window at `target`.
static void moveWindow(CFILE* file, int64_t target)
{
    catchUp(file);
    if (file->used) {
        if (file->fp) {
            if (file->filepos != file->start && std::fseek(file->fp, long(file->start), SEEK_SET) != 0)
                file->failed = true;
            if (std::fwrite(file->window.data(), 1, file->used, file->fp) != file->used)
                file->failed = true;
            file->filepos = file->start + int64_t(file->used);
        } else {
            size_t end = size_t(file->start) + file->used;
            if (file->bytes.size() < end)
                file->bytes.resize(end); // a gap before `start` reads as zeros, as in a file
            std::copy(file->window.begin(), file->window.begin() + long(file->used), file->bytes.begin() + long(file->start));
        }
        file->extent = std::max(file->extent, file->start + int64_t(file->used));
    }
    file->start = target;
    file->pos = 0;
    file->used = 0;
}

void cf_makeRoom(CFILE* file)
{
    // The window grows to its full size only for rooms that need it. A value
    // is at most 4 bytes, and the window grows by at least that much.
    if (file->window.size() < CF_BUFFER_SIZE)
        file->window.resize(std::min(CF_BUFFER_SIZE, std::max(file->window.size() * 2, size_t(4096))));
    else
        moveWindow(file, file->start + int64_t(file->pos));
}

void cfseek(CFILE* file, int32_t savepos, int whence)
{
    catchUp(file);
    int64_t base = 0;
    if (whence == SEEK_CUR)
        base = cftell(file);
    else if (whence == SEEK_END)
        base = file->used ? std::max(file->extent, file->start + int64_t(file->used)) : file->extent;

    int64_t target = base + savepos;
    if (target < 0) {
        file->failed = true; // a file refuses such a seek and stays where it is
        return;
    }
    if (target >= file->start && target <= file->start + int64_t(file->used))
        file->pos = size_t(target - file->start);
    else
        moveWindow(file, target);
}

bool cfclose(CFILE* file)
{
    moveWindow(file, file->start);
    if (!file->fp)
        return !file->failed;
    // fclose writes what the stream still buffers, and says when that fails.
    bool ok = !file->failed && !std::ferror(file->fp);
    ok = std::fclose(file->fp) == 0 && ok;
    file->fp = nullptr;
    return ok;
}
