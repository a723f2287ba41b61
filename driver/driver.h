// The driver's pieces that tests and tools call besides main.
#pragma once

#include <memory>
#include <string>
#include <string_view>

// Completes the input name (".x" when it has no ".") and the output name: the
// given one (".orf" when it has no "."), or one derived from the input name by
// cutting it at its first "." and appending ".orf". Every "." test looks at the
// whole name, folder part included. Returns true when the output name was derived.
bool DeriveNames(const char* in, const char* out, std::string& indatname, std::string& outdatname);

// The input text in memory. Its bytes are not cleared before the file is read
// into them: for a large file that would be one more pass over all of it.
struct TextBuffer {
    std::unique_ptr<char[]> bytes;
    size_t size = 0;
    operator std::string_view() const { return std::string_view(bytes.get(), size); }
};

enum class LoadResult { ok, not_found, failed };

// Reads the whole file into `puf` as text: each CR LF pair becomes one LF and
// the text ends at the first NUL byte, so every platform sees the same text.
// On `failed`, `error` holds a message line.
LoadResult LoadText(const std::string& name, TextBuffer& puf, std::string& error);

// True when both names lead to one existing file.
bool SameFile(const std::string& a, const std::string& b);

// True when the file `name` exists and begins as DirectX text does ("xof ").
bool IsDirectXText(const std::string& name);
