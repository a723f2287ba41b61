#include "room/cfile.h"

void cfseek(CFILE* file, int32_t savepos, int whence)
{
    int64_t base = 0;
    if (whence == SEEK_CUR)
        base = int64_t(file->pos);
    else if (whence == SEEK_END)
        base = int64_t(file->bytes.size());

    int64_t target = base + savepos;
    if (target >= 0)
        file->pos = size_t(target);
}

bool cfclose(CFILE* file)
{
    if (!file->fp)
        return true;

    bool ok = std::fwrite(file->bytes.data(), 1, file->bytes.size(), file->fp) == file->bytes.size();
    ok = std::fflush(file->fp) == 0 && ok;
    ok = !std::ferror(file->fp) && ok;
    ok = std::fclose(file->fp) == 0 && ok;
    file->fp = nullptr;
    return ok;
}
