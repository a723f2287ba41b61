// tovrek: converts the first mesh of a DirectX .x text file, as Blender 2.42a
// exports it, into a room file for the Descent 3 level editor.
#include "driver/driver.h"
#include "driver/platform.h"
#include "room/room.h"
#include "xmesh/xmesh.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

static void hilfe()
{
    std::printf("Version 0.9.0a :)\n");
    std::printf("usage: tovrek in out. Existing files will be overwritten\n\n");
    std::printf("Tested with \n   blender 2.42a directx export (output)    \nand \n"
                "   D3 Leve Editor Version 1.1  [Beta 10 | Brell P.0_1_35] (input)\n\n");
    std::printf("\nProblem: extra vertices from .x files.\nWhen the editor crashes, use file/open/ Descent 3 Room\n");
    std::printf("Then file/remove extra vertices.\nNow file/new/ new level - Import room should work.\n");
    std::printf("\nProblem: imported Rooms to small for the editor\n"
                "Fix with file / scale mine while in world view).\n");
    std::printf("\nProblem: not showing textures properly \n");
    std::printf("Can be fixed in the texture bar. (Align. Marked faces. Defaults UVs).\n\n\n");
    std::printf("tovrek turns one Blender mesh into one Descent 3 room.\n");
    std::printf("Made for the level designers who build with both.\n");
}

// Every failure ends the same way: its message on the console, then status 1.
[[noreturn]] static void fail(const std::string& message)
{
    std::fputs(message.c_str(), stdout);
    std::fflush(stdout);
    std::exit(1);
}

[[noreturn]] static void leave()
{
    fail("file looks strange. I leave\n\n");
}

#ifdef _WIN32
static UINT consoleCodePage;

// Windows hands the names over in UTF-16. The program holds them in UTF-8, so
// that a name in any script reaches the files whole and shows on the console.
int wmain(int argc, wchar_t** wargv)
{
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i)
        args.push_back(Utf8(wargv[i]));
    // The console report is the same text on every system: LF line ends, no
    // CR added, names in UTF-8. The console gets its own code page back at the end.
    _setmode(_fileno(stdout), _O_BINARY);
    consoleCodePage = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);
    std::atexit([] { SetConsoleOutputCP(consoleCodePage); });
#else
int main(int argc, char** argv)
{
    std::vector<std::string> args(argv, argv + argc);
#endif
    if (args.size() <= 1) {
        hilfe();
        return 1;
    }

    std::string indatname, outdatname;
    if (DeriveNames(args[1].c_str(), args.size() > 2 ? args[2].c_str() : nullptr, indatname, outdatname))
        std::printf("Using %s for output\n", outdatname.c_str());

    // Opening such a name opens a device, which may never answer.
    if (IsDeviceName(FilePath(outdatname)))
        fail(outdatname + ": cannot create the room file: it is the name of a device on Windows, not of a file\n");

    TextBuffer puf;
    std::string error;
    LoadResult loaded = LoadText(indatname, puf, error);
    if (loaded == LoadResult::not_found)
        fail("file not found\n");
    if (loaded == LoadResult::failed)
        fail(error);

    // The room file would replace the very text it was made from.
    if (SameFile(indatname, outdatname))
        fail(outdatname + ": this is the input file; name another output file\n");
    // Two .x files dropped onto the program at once arrive as input and output.
    if (IsDirectXText(outdatname))
        fail(outdatname + ": this is a DirectX text file, not a room file; name another output file\n");

    if (!TestInfile(puf))
        leave();

    mdata md;
    ReadError readerr;
    bool read = false;
    try {
        read = DateiLesen(&md, puf, &readerr);
    } catch (const std::bad_alloc&) {
        fail(indatname + ": the mesh is too large for this computer's memory\n");
    }
    if (!read)
        fail(indatname + ":" + std::to_string(readerr.line) + ": " + readerr.what + "\n");

    WarnRoomLimits(&md);

    if (!SaveRoom(outdatname.c_str(), &md, error))
        fail(error);
    return 0;
}
