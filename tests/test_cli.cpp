// The program as a user runs it: console text, exit status and the room file's bytes.
#include "support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#ifdef _WIN32
#include <share.h>
#else
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

static const std::string kHelp =
    "Version 0.9.0a :)\n"
    "usage: tovrek in out. Existing files will be overwritten\n\n"
    "Tested with \n   blender 2.42a directx export (output)    \nand \n"
    "   D3 Leve Editor Version 1.1  [Beta 10 | Brell P.0_1_35] (input)\n\n"
    "\nProblem: extra vertices from .x files.\nWhen the editor crashes, use file/open/ Descent 3 Room\n"
    "Then file/remove extra vertices.\nNow file/new/ new level - Import room should work.\n"
    "\nProblem: imported Rooms to small for the editor\nFix with file / scale mine while in world view).\n"
    "\nProblem: not showing textures properly \n"
    "Can be fixed in the texture bar. (Align. Marked faces. Defaults UVs).\n\n\n"
    "tovrek turns one Blender mesh into one Descent 3 room.\n"
    "Made for the level designers who build with both.\n";

static const std::string kDone = "Found 8 vertices\nFound 6 faces\nWe're done!\n";
static const std::string kStrange = "file looks strange. I leave\n\n";

static std::vector<std::string> sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

static Bytes cubeRoom()
{
    return expectedRoom(cubeVerts(), cubeFaces());
}

TEST(Cli, NoArgumentsPrintsTheHelp)
{
    TempDir dir;
    RunResult run = runTovrek(dir, {});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, kHelp);
    EXPECT_TRUE(dir.names().empty());
}

TEST(Cli, TypicalRunConvertsTheCube)
{
    TempDir dir;
    writeFile(dir / "cube.x", cubeText());
    RunResult run = runTovrek(dir, {"cube"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Using cube.orf for output\n" + kDone);
    Bytes room = readFile(dir / "cube.orf");
    EXPECT_EQ(room.size(), 974u);
    EXPECT_EQ(room, cubeRoom());
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"cube.orf", "cube.x"}));
}

struct NamesCase {
    std::vector<std::string> args;
    const char* input;  // the file the program must open
    const char* output; // the room file it must write
    bool announced;     // prints the "Using ... for output" line
};

TEST(Cli, NamesTheFilesAsTheUserExpects)
{
    const NamesCase cases[] = {
        {{"cube.obj"}, "cube.obj", "cube.orf", true},
        {{"cube.x"}, "cube.x", "cube.orf", true},
        {{"cube", "out"}, "cube.x", "out.orf", false},
        {{"cube", "out.bin"}, "cube.x", "out.bin", false},
        {{"cube", "out.bin", "third", "fourth"}, "cube.x", "out.bin", false},
    };
    for (const NamesCase& c : cases) {
        TempDir dir;
        writeFile(dir / c.input, cubeText());
        RunResult run = runTovrek(dir, c.args);
        EXPECT_EQ(run.status, 0) << c.args[0];
        EXPECT_EQ(run.out, (c.announced ? "Using " + std::string(c.output) + " for output\n" : "") + kDone) << c.args[0];
        EXPECT_EQ(readFile(dir / c.output), cubeRoom()) << c.args[0];
        EXPECT_EQ(dir.names().size(), 2u) << c.args[0];
    }
}

TEST(Cli, AnOptionLikeNameIsJustAFileName)
{
    TempDir dir;
    RunResult run = runTovrek(dir, {"-h"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Using -h.orf for output\nfile not found\n");
    EXPECT_TRUE(dir.names().empty());
}

TEST(Cli, MissingInputWithAGivenOutputName)
{
    TempDir dir;
    RunResult run = runTovrek(dir, {"nothing.x", "out.orf"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "file not found\n");
    EXPECT_TRUE(dir.names().empty());
}

TEST(Cli, RefusedTextsLeaveNoRoomFile)
{
    struct RefusedCase {
        const char* name;
        std::string text;
        std::string message;
    };
    const RefusedCase cases[] = {
        {"empty file", "", kStrange},
        {"indented mesh header", "xof\n  Mesh {\n0;;\n0;;\nMeshMaterialList {\n}\n", kStrange},
        {"no material list", "xof\nMesh {\n0;;\n0;;\n}\n", kStrange},
        {"short face", "xof\nMesh {\n3;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n1;\n4; 0, 1, 2;;\nMeshMaterialList {\n}\n",
         "Found 3 vertices\nFound 1 faces\nroom.x:8: the index list of face 0 ends after 3 of 4 indices\n"},
    };
    for (const RefusedCase& c : cases) {
        TempDir dir;
        writeFile(dir / "room.x", c.text);
        RunResult run = runTovrek(dir, {"room"});
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_EQ(run.out, "Using room.orf for output\n" + c.message) << c.name;
        EXPECT_EQ(dir.names(), std::vector<std::string>{"room.x"}) << c.name;
    }
}

TEST(Cli, WindowsLineEndsGiveTheSameRoom)
{
    TempDir dir;
    std::string crlf;
    for (char c : cubeText())
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    writeFile(dir / "cube.x", crlf);
    RunResult run = runTovrek(dir, {"cube.x", "cube.orf"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kDone);
    EXPECT_EQ(readFile(dir / "cube.orf"), cubeRoom());
}

// A carriage return that is not part of a CR LF pair stays in the text and
// reads as white space.
TEST(Cli, DoubledCarriageReturnsGiveTheSameRoom)
{
    TempDir dir;
    std::string text;
    for (char c : cubeText())
        text += c == '\n' ? std::string("\r\r\n") : std::string(1, c);
    writeFile(dir / "cube.x", text);
    RunResult run = runTovrek(dir, {"cube.x", "cube.orf"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kDone);
    EXPECT_EQ(readFile(dir / "cube.orf"), cubeRoom());
}

TEST(Cli, SecondMeshIsReportedAndLeftOut)
{
    TempDir dir;
    std::string text = cubeText();
    writeFile(dir / "two.x", text + "Mesh {\n1;\n0;0;0;;\n0;;\nMeshMaterialList {\n}\n}\n");
    RunResult run = runTovrek(dir, {"two"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Using two.orf for output\n"
                       "File contains more than one Meshes.\nOnly the first object will be converted. \n"
                       "Please edit the .x file for more objects.\n" + kDone);
    EXPECT_EQ(readFile(dir / "two.orf"), cubeRoom());
}

TEST(Cli, RoomOverTheEditorsLimitsIsWrittenWithWarnings)
{
    TempDir dir;
    std::string text = "xof 0302txt 0032\nMesh {\n10001;\n";
    for (int i = 0; i < 10000; ++i)
        text += std::to_string(i) + ".0; 1.0; -1.0;,\n";
    text += "0; 0; 0;;\n3001;\n";
    for (int i = 0; i < 3000; ++i)
        text += "3; 0, 1, 2;,\n";
    text += "65;";
    for (int i = 0; i < 65; ++i)
        text += (i ? ", " : " ") + std::to_string(i);
    text += ";;\nMeshMaterialList {\n}\n";
    writeFile(dir / "big.x", text);
    RunResult run = runTovrek(dir, {"big.x", "big.orf"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Found 10001 vertices\nFound 3001 faces\n"
                       "Warning: the room has 10001 vertices; the level editor takes at most 10000.\n"
                       "Warning: the room has 3001 faces; the level editor takes at most 3000.\n"
                       "Warning: the room has a face of 65 corners; the level editor takes at most 64 per face.\n"
                       "We're done!\n");
    EXPECT_EQ(readFile(dir / "big.orf").size(), 44u + 12 * 10001 + 3000 * (19 + 90) + 19 + 30 * 65);
}

// A room within the editor's limits whose faces chunk is shorter than the
// writer's buffer but ends past it: once written with every face zeroed.
TEST(Cli, RoomOfAboutOneMegabyteIsWrittenWhole)
{
    std::vector<mvertex> verts;
    std::vector<std::vector<int>> faces;
    std::string text = "xof 0302txt 0032\nMesh {\n10000;\n";
    for (int i = 0; i < 10000; ++i) {
        verts.push_back(mvertex{float(i % 100), float(i / 100) * 0.5f, -float(i % 7)});
        text += std::to_string(i % 100) + ".0; " + std::to_string(i / 100 * 0.5) + "; -" + std::to_string(i % 7) +
                (i + 1 < 10000 ? ";,\n" : ";;\n");
    }
    text += "3000;\n";
    for (int f = 0; f < 3000; ++f) {
        faces.emplace_back();
        text += "10;";
        for (int t = 0; t < 10; ++t) {
            faces.back().push_back((f * 3 + t * 11) % 10000);
            text += " " + std::to_string(faces.back().back()) + (t < 9 ? "," : ";");
        }
        text += f + 1 < 3000 ? ",\n" : ";\n";
    }
    text += "MeshMaterialList {\n}\n";
    TempDir dir;
    writeFile(dir / "hall.x", text);
    RunResult run = runTovrek(dir, {"hall"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Using hall.orf for output\nFound 10000 vertices\nFound 3000 faces\nWe're done!\n");
    Bytes room = readFile(dir / "hall.orf");
    ASSERT_EQ(room.size(), 1077044u);
    EXPECT_TRUE(room == expectedRoom(verts, faces));
}

TEST(Cli, ExistingOutputIsReplacedWhole)
{
    // Anything but DirectX text is replaced, also what begins almost like it.
    for (const std::string& earlier : {std::string(100000, 'z'), std::string("xof"), std::string("xoff the record")}) {
        TempDir dir;
        writeFile(dir / "cube.x", cubeText());
        writeFile(dir / "cube.orf", earlier);
        RunResult run = runTovrek(dir, {"cube"});
        EXPECT_EQ(run.status, 0) << earlier.substr(0, 20);
        EXPECT_EQ(readFile(dir / "cube.orf"), cubeRoom()) << earlier.substr(0, 20);
    }
}

TEST(Cli, OutputThatCannotBeCreatedIsAFailure)
{
    TempDir dir;
    writeFile(dir / "cube.x", cubeText());
    RunResult run = runTovrek(dir, {"cube", "missing/out.orf"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Found 8 vertices\nFound 6 faces\nmissing/out.orf: cannot create the room file: its folder does not exist\n");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"cube.x"});
}

TEST(Cli, OutputNamingAFolderIsAFailure)
{
    TempDir dir;
    writeFile(dir / "cube.x", cubeText());
    fs::create_directory(dir / "cube.orf");
    RunResult run = runTovrek(dir, {"cube"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Using cube.orf for output\n" "Found 8 vertices\nFound 6 faces\n"
                       "cube.orf: cannot put the new room file in place of this name: it is a folder; "
                       "no room file was written\n");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"cube.orf", "cube.x"}));
    EXPECT_TRUE(fs::is_directory(dir / "cube.orf"));
}

// Two .x files dropped onto the program arrive as input and output: the
// second is Blender text, not a room file to replace.
TEST(Cli, ADirectXTextFileIsNeverReplaced)
{
    TempDir dir;
    writeFile(dir / "corridor.x", cubeText());
    const std::string hall = "xof 0303txt 0032\nMesh {\n0;;\n0;;\n}\n";
    writeFile(dir / "hall.x", hall);
    RunResult run = runTovrek(dir, {"corridor.x", "hall.x"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "hall.x: this is a DirectX text file, not a room file; name another output file\n");
    EXPECT_EQ(readText(dir / "hall.x"), hall);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"corridor.x", "hall.x"}));
}

// The room goes to a file created new beside its name: never a file another
// run holds, and never through a link that someone left under that name.
TEST(Cli, TheTemporaryFileIsNeverShared)
{
    TempDir dir;
    writeFile(dir / "cube.x", cubeText());
    writeFile(dir / "cube.orf.tovrek-tmp", "another run's room");
    std::vector<std::string> names = {"cube.orf", "cube.orf.tovrek-tmp", "cube.x"};
#ifndef _WIN32
    fs::create_symlink(dir / "elsewhere", dir / "cube.orf.tovrek-tmp1");
    names = {"cube.orf", "cube.orf.tovrek-tmp", "cube.orf.tovrek-tmp1", "cube.x"};
#endif
    RunResult run = runTovrek(dir, {"cube"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(readFile(dir / "cube.orf"), cubeRoom());
    EXPECT_EQ(readText(dir / "cube.orf.tovrek-tmp"), "another run's room");
    EXPECT_FALSE(fs::exists(dir / "elsewhere"));
    EXPECT_EQ(dir.names(), names);
}

// Names in the user's own script work as input, as output and as a folder,
// whatever the system's code page, and show on the console as typed.
TEST(Cli, NamesInEveryScript)
{
#ifdef _WIN32
    const std::string sep = "\\";
#else
    const std::string sep = "/";
#endif
    const std::string names[] = {"部屋", "комната", "Pokoje Łukasza", "Türme", "Š Œ – €"};
    const std::string text = cubeText();
    for (const std::string& name : names) {
        {
            TempDir dir;
            writeFile(dir / (name + ".x"), text);
            RunResult run = runTovrek(dir, {name});
            EXPECT_EQ(run.status, 0) << name << " as input";
            EXPECT_EQ(run.out, "Using " + name + ".orf for output\n" + kDone) << name << " as input";
            EXPECT_EQ(readFile(dir / (name + ".orf")), cubeRoom()) << name << " as input";
            EXPECT_EQ(dir.names(), sorted({name + ".orf", name + ".x"})) << name << " as input";
        }
        {
            TempDir dir;
            writeFile(dir / "cube.x", text);
            RunResult run = runTovrek(dir, {"cube.x", name});
            EXPECT_EQ(run.status, 0) << name << " as output";
            EXPECT_EQ(run.out, kDone) << name << " as output";
            EXPECT_EQ(readFile(dir / (name + ".orf")), cubeRoom()) << name << " as output";
            EXPECT_EQ(dir.names(), sorted({"cube.x", name + ".orf"})) << name << " as output";
        }
        {
            TempDir dir;
            fs::create_directory(dir / name);
            writeFile(dir / name / "sala.x", text);
            RunResult run = runTovrek(dir, {name + sep + "sala"});
            EXPECT_EQ(run.status, 0) << name << " as folder";
            EXPECT_EQ(run.out, "Using " + name + sep + "sala.orf for output\n" + kDone) << name << " as folder";
            EXPECT_EQ(readFile(dir / name / "sala.orf"), cubeRoom()) << name << " as folder";
        }
    }
}

TEST(Cli, OutputNamingTheInputIsRefused)
{
    const std::string text = cubeText();
    for (const char* out : {"cube.x", "./cube.x"}) {
        TempDir dir;
        writeFile(dir / "cube.x", text);
        RunResult run = runTovrek(dir, {"cube.x", out});
        EXPECT_EQ(run.status, 1) << out;
        EXPECT_EQ(run.out, std::string(out) + ": this is the input file; name another output file\n") << out;
        EXPECT_EQ(readText(dir / "cube.x"), text) << out;
        EXPECT_EQ(dir.names(), std::vector<std::string>{"cube.x"}) << out;
    }
}

TEST(Cli, InputFolderIsRefused)
{
    TempDir dir;
    fs::create_directory(dir / "rooms.x");
    RunResult run = runTovrek(dir, {"rooms.x"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Using rooms.orf for output\nrooms.x: cannot read it: it is a folder, not a file\n");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"rooms.x"});
}

TEST(Cli, NamesLongerThan999CharactersWork)
{
    TempDir dir;
    std::string folder;
    for (int i = 0; i < 6; ++i)
        folder += (i ? "/" : "") + std::string(200, char('a' + i));
    fs::create_directories(dir / folder);
    writeFile(dir / folder / "cube.x", cubeText());
    RunResult run = runTovrek(dir, {folder + "/cube"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Using " + folder + "/cube.orf for output\n" + kDone);
    EXPECT_EQ(readFile(dir / folder / "cube.orf"), cubeRoom());
}

#ifndef _WIN32
// A write that fails part way (here: the file size limit) must not leave a
// half-written room, must keep an earlier room, and must leave no temporary file.
TEST(Cli, FailedWriteKeepsTheEarlierRoomAndLeavesNoTemporaryFile)
{
    TempDir dir;
    std::string text = "xof\nMesh {\n3000;\n";
    for (int i = 0; i < 3000; ++i)
        text += "1.0; 2.0; 3.0" + std::string(i + 1 < 3000 ? ";,\n" : ";;\n");
    text += "0;;\nMeshMaterialList {\n}\n";
    writeFile(dir / "big.x", text);
    writeFile(dir / "big.orf", "the earlier room");

    RunResult run = runTovrek(dir, {"big.x", "big.orf"}, "ulimit -f 8; trap '' XFSZ; ");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Found 3000 vertices\nFound 0 faces\n"
                       "big.orf: writing the room file failed (is the disk full?); no room file was written\n");
    EXPECT_EQ(readText(dir / "big.orf"), "the earlier room");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"big.orf", "big.x"}));
}

// Ctrl+C or a request to terminate during a long conversion: the run ends
// as interrupted, and leaves neither a room file nor its temporary file.
TEST(Cli, InterruptedRunLeavesNoFiles)
{
    // About 200 MB of room from 13 MB of text: still being written when the signal comes.
    std::string text = "xof\nMesh {\n3;\n0;0;0;,\n1;0;0;,\n0;1;0;;\n26000;\n";
    std::string face = "255;";
    for (int t = 0; t < 255; ++t)
        face += std::to_string(t % 3) + (t < 254 ? "," : ";");
    for (int f = 0; f < 26000; ++f)
        text += face + (f < 25999 ? ",\n" : ";\n");
    text += "MeshMaterialList {\n}\n";

    for (int sig : {SIGINT, SIGTERM}) {
        TempDir dir;
        writeFile(dir / "big.x", text);
        std::string in = (dir / "big.x").string(), out = (dir / "big.orf").string();
        char* argv[] = {const_cast<char*>(TOVREK_EXE), &in[0], &out[0], nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        sigset_t defaults; // as from a terminal, whatever this test inherited
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGINT);
        sigaddset(&defaults, SIGTERM);
        posix_spawnattr_setsigdefault(&attr, &defaults);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
        pid_t pid;
        ASSERT_EQ(posix_spawn(&pid, TOVREK_EXE, &actions, &attr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);

        // Once the first megabyte is in the temporary file, the writing is under way.
        std::error_code ec;
        int status = 0;
        bool exited = false;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (fs::file_size(dir / "big.orf.tovrek-tmp", ec) < (1u << 20) || ec) {
            exited = waitpid(pid, &status, WNOHANG) == pid;
            if (exited || std::chrono::steady_clock::now() > deadline)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_FALSE(exited) << "the conversion ended before the signal";
        kill(pid, sig);
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "signal " << sig << ", status " << status;
        EXPECT_EQ(dir.names(), std::vector<std::string>{"big.x"}) << "signal " << sig;
    }
}

// AddressSanitizer reserves far more address space than these limits allow.
#if defined(__SANITIZE_ADDRESS__)
#define TOVREK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOVREK_ASAN 1
#endif
#endif

// Too little memory is a message and status 1, for the text and for the mesh.
TEST(Cli, TooLittleMemoryIsAMessage)
{
#ifdef TOVREK_ASAN
    GTEST_SKIP() << "the address space limit leaves AddressSanitizer no room";
#endif
    TempDir dir;
    // 1 GB that takes no disk: more than the limit lets the program hold.
    writeFile(dir / "huge.x", "");
    fs::resize_file(dir / "huge.x", 1 << 30);
    // 40 MB of text that holds a vertex count whose array needs 80 MB.
    const size_t rest = 40000000;
    writeFile(dir / "many.x", "xof\nMesh {\n" + std::to_string(rest / 6) + ";\n" + std::string(rest, ' ') +
                                  "\nMeshMaterialList {\n}\n");
    RunResult huge = runTovrek(dir, {"huge.x", "huge.orf"}, "ulimit -v 100000; ");
    EXPECT_EQ(huge.status, 1);
    EXPECT_EQ(huge.out, "huge.x: cannot read it: it is too large for this computer's memory\n");
    RunResult many = runTovrek(dir, {"many.x", "many.orf"}, "ulimit -v 100000; ");
    EXPECT_EQ(many.status, 1);
    EXPECT_EQ(many.out, "Found 6666666 vertices\nmany.x: the mesh is too large for this computer's memory\n");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"huge.x", "many.x"}));
}
#endif

#ifdef _WIN32
// scripts/test-windows runs these tests again under other system code pages;
// this makes sure that Wine really ran them there.
TEST(Cli, RunsInTheCodePageAsked)
{
    const char* asked = std::getenv("TOVREK_CODE_PAGE");
    if (!asked)
        GTEST_SKIP() << "TOVREK_CODE_PAGE names no code page";
    EXPECT_EQ(GetACP(), UINT(std::atoi(asked)));
}

// When the room file cannot take the output's name, the message says why.
TEST(Cli, ReplacingFailsWithTheSystemsReasonOnWindows)
{
    // A device name is refused before anything opens it.
    for (const char* device : {"con.orf", "nul", "AUX.orf", "lpt1", "Com3.room.orf"}) {
        TempDir dir;
        writeFile(dir / "cube.x", cubeText());
        RunResult run = runTovrek(dir, {"cube.x", device});
        EXPECT_EQ(run.status, 1) << device;
        std::string name = std::string(device) + (std::strchr(device, '.') ? "" : ".orf");
        EXPECT_EQ(run.out, name + ": cannot create the room file: it is the name of a device on Windows, not of a file\n");
        EXPECT_EQ(dir.names(), std::vector<std::string>{"cube.x"}) << device;
    }

    const std::string done = "Found 8 vertices\nFound 6 faces\n";
    TempDir dir;
    writeFile(dir / "cube.x", cubeText());
    writeFile(dir / "held.orf", "the earlier room");
    std::FILE* held = _wfsopen((dir / "held.orf").c_str(), L"rb", _SH_DENYRW); // as another program holds it
    ASSERT_NE(held, nullptr);
    RunResult run = runTovrek(dir, {"cube.x", "held.orf"});
    std::fclose(held);
    EXPECT_EQ(run.status, 1);
    const std::string why = "held.orf: cannot put the new room file in place of this name: ";
    EXPECT_EQ(run.out.find(done + why), 0u) << run.out;
    EXPECT_NE(run.out.find("open in another program"), std::string::npos) << run.out;
    EXPECT_EQ(readText(dir / "held.orf"), "the earlier room");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"cube.x", "held.orf"}));
}

// On Windows a backslash separates folders, and the "." of a folder name ends
// the derived output name: the room lands in the folder the user runs from.
TEST(Cli, BackslashPathsNameFoldersOnWindows)
{
    struct BackslashCase {
        const char* where; // folder to run in, below the test folder
        const char* arg;
        const char* input;  // below the test folder
        const char* output; // below the test folder
    };
    const BackslashCase cases[] = {
        {".", "old.files\\cube", "old.files/cube", "old.orf"},
        {".", "my.dir\\cube.x", "my.dir/cube.x", "my.orf"},
        {"sub", "..\\cube", "cube", "sub/.orf"},
    };
    for (const BackslashCase& c : cases) {
        TempDir dir;
        fs::create_directories((dir / c.input).parent_path());
        fs::create_directories(dir / c.where);
        writeFile(dir / c.input, cubeText());
        RunResult run = runTovrek(dir / c.where, {c.arg});
        EXPECT_EQ(run.status, 0) << c.arg;
        EXPECT_EQ(run.out, "Using " + fs::path(c.output).filename().string() + " for output\n" + kDone) << c.arg;
        EXPECT_EQ(readFile(dir / c.output), cubeRoom()) << c.arg;
    }
}
#endif
