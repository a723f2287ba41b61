#include "room/cfile.h"

#include <algorithm>

static const size_t BUFFER_SIZE = size_t(1) << 20;

// Appends leave `used` behind the write position; the slow paths catch it up.
static void catchUp(CFILE* file)
{
    file->used = std::max(file->used, file->pos);
}

// Hands the buffered bytes to the file and moves the file to `target`.
static void flushTo(CFILE* file, int64_t target)
{
    catchUp(file);
    if (file->used && std::fwrite(file->bytes.data(), 1, file->used, file->fp) != file->used)
        file->failed = true;
    int64_t after = file->start + int64_t(file->used);
    file->extent = std::max(file->extent, after);
    if (target != after && std::fseek(file->fp, long(target), SEEK_SET) != 0)
        file->failed = true;
    file->start = target;
    file->pos = 0;
    file->used = 0;
}

void cf_makeRoom(CFILE* file, size_t count)
{
    catchUp(file);
    if (!file->fp) {
        file->bytes.resize(std::max({file->bytes.size() * 2, file->pos + count, size_t(4096)}));
        return;
    }
    if (file->bytes.size() < BUFFER_SIZE) {
        file->bytes.resize(BUFFER_SIZE);
        if (file->pos + count <= BUFFER_SIZE)
            return;
    }
    flushTo(file, file->start + int64_t(file->pos));
}

void cfseek(CFILE* file, int32_t savepos, int whence)
{
    catchUp(file);
    int64_t base = 0;
    if (whence == SEEK_CUR)
        base = cftell(file);
    else if (whence == SEEK_END)
        base = std::max(file->extent, file->start + int64_t(file->used));

    int64_t target = base + savepos;
    if (target < 0)
        return;
    if (file->fp && (target < file->start || target - file->start > int64_t(file->bytes.size()))) {
        flushTo(file, target);
        return;
    }
    file->pos = size_t(target - file->start);
    // The buffer may still hold bytes of an earlier stretch of the file; a gap must read as zeros.
    if (file->pos > file->used) {
        size_t gap_end = std::min(file->pos, file->bytes.size());
        std::fill(file->bytes.begin() + long(file->used), file->bytes.begin() + long(gap_end), 0);
    }
}

bool cfclose(CFILE* file)
{
    catchUp(file);
    if (!file->fp) {
        file->bytes.resize(file->used);
        return true;
    }
    flushTo(file, file->start + int64_t(file->used));
    bool ok = !file->failed;
    ok = std::fflush(file->fp) == 0 && ok;
    ok = !std::ferror(file->fp) && ok;
    ok = std::fclose(file->fp) == 0 && ok;
    file->fp = nullptr;
    return ok;
}
