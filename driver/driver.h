// The driver's pieces that tests and tools call besides main.
#pragma once

#include <string>

// Completes the input name (".x" when it has no ".") and the output name: the
// given one (".orf" when it has no "."), or one derived from the input name by
// cutting it at its first "." and appending ".orf". Every "." test looks at the
// whole name, folder part included. Returns true when the output name was derived.
bool DeriveNames(const char* in, const char* out, std::string& indatname, std::string& outdatname);

enum class LoadResult { ok, not_found, failed };

// Reads the whole file into `puf` as text: each CR LF pair becomes one LF and
// the text ends at the first NUL byte, so every platform sees the same text.
// On `failed`, `error` holds a message line.
LoadResult LoadText(const std::string& name, std::string& puf, std::string& error);

// True when both names lead to one existing file.
bool SameFile(const std::string& a, const std::string& b);
