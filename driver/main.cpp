// tovrek: converts the first mesh of a DirectX .x text file, as Blender 2.42a
// exports it, into a room file for the Descent 3 level editor.
#include "driver/driver.h"
#include "room/room.h"
#include "xmesh/xmesh.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
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

int main(int argc, char** argv)
{
#ifdef _WIN32
    // The console report is the same text on every system: LF line ends, no CR added.
    _setmode(_fileno(stdout), _O_BINARY);
#endif

    if (argc <= 1) {
        hilfe();
        return 1;
    }

    std::string indatname, outdatname;
    if (DeriveNames(argv[1], argc > 2 ? argv[2] : nullptr, indatname, outdatname))
        std::printf("Using %s for output\n", outdatname.c_str());

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
