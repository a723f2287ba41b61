// What the program needs from the operating system beyond the C++ standard
// library, each behind one function. Names are held as UTF-8 strings (on other
// systems: as the bytes the system gave), so that every name Windows allows
// works, whatever the system code page.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>

// A name as the program holds it, as a path the file functions take.
std::filesystem::path FilePath(const std::string& name);

// fopen for a path, reaching names in any script on Windows.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

// True for the names Windows keeps for its devices (CON, NUL, AUX, COM1 and
// the like), whatever extension follows them: opening one opens the device.
bool IsDeviceName(const std::filesystem::path& path);

// Creates `path` to be written, and fails when it exists already (then
// `exists` is set), so that two runs never share one file. On failure `why`
// says the system's reason.
std::FILE* CreateNewFile(const std::filesystem::path& path, bool& exists, std::string& why);

// Moves the file `from` over `to`, replacing a file of that name. On failure
// `why` says the system's reason in words the user can act on: a folder, a
// device name, open in another program, read-only, access denied.
bool MoveOver(const std::filesystem::path& from, const std::filesystem::path& to, std::string& why);

// Until it is called again, Ctrl+C, a request to terminate and, on Windows,
// closing the console remove the file `path` (if not null) and end the run
// with a non-zero status. Such a run ends as interrupted runs do: on POSIX
// systems killed by its signal, on Windows with STATUS_CONTROL_C_EXIT.
void RemoveOnInterrupt(const std::filesystem::path* path);

// A whole file, mapped read-only into memory.
struct FileMapping {
    const char* data = nullptr;
    size_t size = 0;
    void* handle = nullptr; // what the system needs to release the mapping
};

// Maps the open file `file` whole. False where it cannot be mapped (a pipe,
// an empty file, a system that refuses): then it has to be read.
bool MapFile(std::FILE* file, FileMapping& mapping);
void UnmapFile(FileMapping& mapping);

#ifdef _WIN32
// A UTF-16 string of Windows, such as an argument of wmain, as UTF-8.
std::string Utf8(const wchar_t* text);
#endif
