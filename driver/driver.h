// The driver's pieces that tests and tools call besides main.
#pragma once

#include "driver/platform.h"

#include <string>
#include <string_view>
#include <vector>

// Completes the input name (".x" when it has no ".") and the output name: the
// given one (".orf" when it has no "."), or one derived from the input name by
// cutting it at its first "." and appending ".orf". Every "." test looks at the
// whole name, folder part included. Returns true when the output name was derived.
bool DeriveNames(const char* in, const char* out, std::string& indatname, std::string& outdatname);

// The input text in memory: the file mapped where the system can map it (so
// that loading costs about what reading it once costs), read otherwise.
struct TextBuffer {
    FileMapping mapping;
    std::vector<char> bytes; // the file as read, where it could not be mapped
    std::string_view text;

    TextBuffer() = default;
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;
    ~TextBuffer() { UnmapFile(mapping); }
    operator std::string_view() const { return text; }
};

enum class LoadResult { ok, not_found, failed };

// Loads the whole file `name` as text. The text ends at the file's first NUL
// byte. CR LF pairs stay as they are: the reader reads each as the one line
// end it stands for, so a file of either kind reads the same, and neither is
// copied. On `failed`, `error` holds a message line.
LoadResult LoadText(const std::string& name, TextBuffer& puf, std::string& error);

// True when both names lead to one existing file.
bool SameFile(const std::string& a, const std::string& b);

// True when the file `name` exists and begins as DirectX text does ("xof ").
bool IsDirectXText(const std::string& name);
