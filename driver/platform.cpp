#include "driver/platform.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <sys/mman.h>
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

fs::path FilePath(const std::string& name)
{
    // u8path keeps the bytes as they are on POSIX systems and reads them as UTF-8 on Windows.
    return fs::u8path(name);
}

// The temporary file an interrupt removes, in the system's own form: set only
// when the string it points into is complete, so that a handler never sees half a name.
static fs::path::string_type interruptPath;
static std::atomic<const fs::path::value_type*> removeOnInterrupt{nullptr};

static void setInterruptPath(const fs::path* path)
{
    removeOnInterrupt.store(nullptr);
    if (path) {
        interruptPath = path->native();
        removeOnInterrupt.store(interruptPath.c_str());
    }
}

#ifdef _WIN32

std::string Utf8(const wchar_t* text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size_t(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], size, nullptr, nullptr);
    utf8.resize(utf8.size() - 1); // the terminating NUL
    return utf8;
}

std::FILE* OpenFile(const fs::path& path, const char* mode)
{
    std::wstring wide(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(path.c_str(), wide.c_str());
}

bool IsDeviceName(const fs::path& path)
{
    std::wstring stem = path.filename().wstring();
    stem = stem.substr(0, stem.find(L'.'));
    while (!stem.empty() && (stem.back() == L' ' || stem.back() == L':'))
        stem.pop_back();
    for (wchar_t& c : stem)
        c = wchar_t(towupper(c));
    static const wchar_t* const devices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* device : devices)
        if (stem == device)
            return true;
    return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
           stem[3] >= L'1' && stem[3] <= L'9';
}

// Why `path` could not be made or replaced, from GetLastError's `code`.
static std::string reason(const fs::path& path, DWORD code)
{
    std::error_code ignored;
    if (fs::is_directory(path, ignored))
        return "it is a folder";
    if (IsDeviceName(path))
        return "it is the name of a device on Windows, not of a file";
    switch (code) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "the file is open in another program";
    case ERROR_ACCESS_DENIED: {
        DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            return "the file is read-only";
        return "access is denied (the file may be open in another program)";
    }
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
        return "its folder does not exist";
    case ERROR_WRITE_PROTECT:
        return "the disk is write-protected";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "the disk is full";
    }
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string why = text ? Utf8(text) : "system error " + std::to_string(code);
    LocalFree(text);
    while (!why.empty() && (why.back() == '\n' || why.back() == '\r' || why.back() == '.'))
        why.pop_back();
    return why;
}

std::FILE* CreateNewFile(const fs::path& path, bool& exists, std::string& why)
{
    // Shared for deleting, so that an interrupt can remove it while it is still open.
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        exists = code == ERROR_FILE_EXISTS;
        why = reason(path, code);
        return nullptr;
    }
    exists = false;
    int fd = _open_osfhandle(intptr_t(h), _O_WRONLY | _O_BINARY);
    if (fd == -1) {
        CloseHandle(h);
        why = "the system has no file descriptor left";
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "wb");
    if (!file) {
        _close(fd);
        why = "the system has no stream left";
    }
    return file;
}

bool MoveOver(const fs::path& from, const fs::path& to, std::string& why)
{
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    why = reason(to, GetLastError());
    return false;
}

static BOOL WINAPI onConsoleEvent(DWORD)
{
    // Runs on a thread of its own while the conversion goes on: remove the
    // file (open, but shared for deleting) and end at once.
    if (const wchar_t* path = removeOnInterrupt.load())
        DeleteFileW(path);
    TerminateProcess(GetCurrentProcess(), DWORD(0xC000013A)); // STATUS_CONTROL_C_EXIT
    return TRUE;
}

void RemoveOnInterrupt(const fs::path* path)
{
    static bool installed = SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
    (void)installed;
    setInterruptPath(path);
}

bool MapFile(std::FILE* file, FileMapping& mapping)
{
    HANDLE h = HANDLE(_get_osfhandle(_fileno(file)));
    LARGE_INTEGER size;
    if (h == INVALID_HANDLE_VALUE || GetFileType(h) != FILE_TYPE_DISK || !GetFileSizeEx(h, &size) ||
        size.QuadPart <= 0 || uint64_t(size.QuadPart) > SIZE_MAX)
        return false;
    HANDLE map = CreateFileMappingW(h, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!map)
        return false;
    const void* view = MapViewOfFile(map, FILE_MAP_READ, 0, 0, 0);
    if (!view) {
        CloseHandle(map);
        return false;
    }
    mapping.data = static_cast<const char*>(view);
    mapping.size = size_t(size.QuadPart);
    mapping.handle = map;
    return true;
}

void UnmapFile(FileMapping& mapping)
{
    if (mapping.data) {
        UnmapViewOfFile(mapping.data);
        CloseHandle(HANDLE(mapping.handle));
    }
    mapping = FileMapping();
}

#else

std::FILE* OpenFile(const fs::path& path, const char* mode)
{
    return std::fopen(path.c_str(), mode);
}

bool IsDeviceName(const fs::path&)
{
    return false;
}

// Why `path` could not be made or replaced, from the system's `code` (errno).
static std::string reason(const fs::path& path, int code)
{
    std::error_code ignored;
    if (fs::is_directory(path, ignored))
        return "it is a folder";
    switch (code) {
    case EACCES:
    case EPERM:
        return "access is denied";
    case EROFS:
        return "the disk is read-only";
    case ENOENT:
    case ENOTDIR:
        return "its folder does not exist";
    case ENOSPC:
        return "the disk is full";
    case EBUSY:
        return "the file is in use";
    }
    return std::strerror(code);
}

std::FILE* CreateNewFile(const fs::path& path, bool& exists, std::string& why)
{
    // "x": created here or not at all; an existing name, even a dangling link, is refused.
    std::FILE* file = std::fopen(path.c_str(), "wbx");
    int code = errno;
    exists = !file && code == EEXIST;
    if (!file)
        why = reason(path, code);
    return file;
}

bool MoveOver(const fs::path& from, const fs::path& to, std::string& why)
{
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return true;
    why = reason(to, errno);
    return false;
}

extern "C" void onInterrupt(int sig)
{
    if (const char* path = removeOnInterrupt.load())
        std::remove(path); // unlink, which a signal handler may call
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void RemoveOnInterrupt(const fs::path* path)
{
    static bool installed = [] {
        // A signal ignored from the start (a background job's Ctrl+C) stays ignored.
        for (int sig : {SIGINT, SIGTERM})
            if (std::signal(sig, onInterrupt) == SIG_IGN)
                std::signal(sig, SIG_IGN);
        return true;
    }();
    (void)installed;
    setInterruptPath(path);
}

bool MapFile(std::FILE* file, FileMapping& mapping)
{
    struct stat st;
    int fd = fileno(file);
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
        uint64_t(st.st_size) > SIZE_MAX)
        return false;
    int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
    flags |= MAP_POPULATE; // one call maps every page, instead of one fault after another
#endif
    void* data = mmap(nullptr, size_t(st.st_size), PROT_READ, flags, fd, 0);
    if (data == MAP_FAILED)
        return false;
    mapping.data = static_cast<const char*>(data);
    mapping.size = size_t(st.st_size);
    return true;
}

void UnmapFile(FileMapping& mapping)
{
    if (mapping.data)
        munmap(const_cast<char*>(mapping.data), mapping.size);
    mapping = FileMapping();
}

#endif
