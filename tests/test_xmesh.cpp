#include "support.h"
#include "xmesh/xmesh.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <memory>

struct Parsed {
    bool ok = false;
    mdata md;
    ReadError err;
    std::string console;
};

static Parsed parse(const std::string& text)
{
    // A copy of exactly the text's size, so that the sanitizer sees any read past its end.
    std::unique_ptr<char[]> exact(new char[text.size() ? text.size() : 1]);
    std::memcpy(exact.get(), text.data(), text.size());
    Parsed p;
    testing::internal::CaptureStdout();
    p.ok = DateiLesen(&p.md, std::string_view(exact.get(), text.size()), &p.err);
    p.console = testing::internal::GetCapturedStdout();
    return p;
}

static std::vector<std::vector<int>> facesOf(const mdata& md)
{
    std::vector<std::vector<int>> faces;
    for (const mface& f : md.faces)
        faces.emplace_back(md.face_verts.begin() + f.first, md.face_verts.begin() + f.first + f.num_verts);
    return faces;
}

static void expectVerts(const mdata& md, const std::vector<mvertex>& verts, const char* name)
{
    ASSERT_EQ(md.verts.size(), verts.size()) << name;
    ASSERT_EQ(md.numverts, int32_t(verts.size())) << name;
    for (size_t i = 0; i < verts.size(); ++i) {
        EXPECT_EQ(md.verts[i].x, verts[i].x) << name << " vertex " << i;
        EXPECT_EQ(md.verts[i].y, verts[i].y) << name << " vertex " << i;
        EXPECT_EQ(md.verts[i].z, verts[i].z) << name << " vertex " << i;
    }
}

TEST(MeshReader, ReadsTheExampleCube)
{
    Parsed p = parse(cubeText());
    ASSERT_TRUE(p.ok) << p.err.line << ": " << p.err.what;
    EXPECT_EQ(p.console, "Found 8 vertices\nFound 6 faces\n");
    expectVerts(p.md, cubeVerts(), "cube");
    EXPECT_EQ(p.md.numfaces, 6);
    EXPECT_EQ(facesOf(p.md), cubeFaces());
    EXPECT_EQ(p.md.maxnumvertsinface, 4);
    // The mesh's own normals, not the template of the same name ahead of it.
    EXPECT_FLOAT_EQ(p.md.normals[0].x, 0.577349f);
    EXPECT_FLOAT_EQ(p.md.normals[0].z, -0.577349f);
    EXPECT_FLOAT_EQ(p.md.normals[7].x, -0.577349f);
}

struct LayoutCase {
    const char* name;
    std::string text;
    std::vector<mvertex> verts;
    std::vector<std::vector<int>> faces;
    int32_t maxcorners;
};

// Texts that state a mesh plainly, in the exporter's layout and in the
// variations other writers use; each must arrive exactly as stated.
static std::vector<LayoutCase> layoutCases()
{
    const std::vector<mvertex> tri = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    std::vector<mvertex> ten;
    std::string ten_text = "x\nMesh {\n10;\n", thirty = "30;";
    std::vector<int> thirty_face;
    for (int i = 0; i < 10; ++i) {
        ten.push_back(mvertex{float(i), 0, 1});
        ten_text += std::to_string(i) + ";0;1;" + (i < 9 ? ",\n" : ";\n");
    }
    for (int t = 0; t < 30; ++t) {
        thirty_face.push_back(t % 10);
        thirty += std::to_string(t % 10) + (t < 29 ? "," : ";;");
    }
    std::string corners255 = "255;";
    std::vector<int> face255;
    for (int t = 0; t < 255; ++t) {
        face255.push_back(9 - t % 10);
        corners255 += std::to_string(9 - t % 10) + (t < 254 ? ", " : ";;");
    }
    return {
        {"count on the header line", "x\nMesh { 3;\n1.0; 2.0; 3.0;,\n4.0; 5.0; 6.0;,\n7.0; 8.0; 9.0;;\n1;\n3; 0, 1, 2;;\n",
         tri, {{0, 1, 2}}, 3},
        {"compact lists", "x\nMesh {\n3;\n1.0;2.0;3.0;,\n4;5;6;,\n7;8;9;;\n2;\n3;2,1,0;,\n3;0,1,2;;\n",
         tri, {{2, 1, 0}, {0, 1, 2}}, 3},
        {"compact last face at the very end", "x\nMesh {\n3;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n1;\n3;0,1,2;;", tri, {{0, 1, 2}}, 3},
        {"compact face of 30 corners, then only a short material list",
         ten_text + "1;\n" + thirty + "\nMeshMaterialList {}\n", ten, {thirty_face}, 30},
        {"all on one line", "x\nMesh {3;1;2;3;,4;5;6;,7;8;9;;1;3;0,1,2;;}", tri, {{0, 1, 2}}, 3},
        {"spaces and tabs around separators", "x\nMesh {\n 3 ;\n\t1 ; 2 ;3 ; ,\n4;5;6;,\n7;8;9 ; ;\n\n 1 ;\n 3 ; 0 , 1 ,2 ; ;\n",
         tri, {{0, 1, 2}}, 3},
        {"carriage returns as white space",
         "x\r\nMesh {\r\n3;\r\n1;\r2;\r3;,\r\n4;5;6;,\r\n7;8;9;;\r\n1;\r\n3;\r0,\r1,\r2;;\r\n", tri, {{0, 1, 2}}, 3},
        {"signs, fractions and exponents",
         "x\nMesh {\n2;\n-1.5e-3; +2.; .5;,\n1E2; -0.25; 12345.678;;\n1;\n2; 1, 0;;\n",
         {{-1.5e-3f, 2, 0.5f}, {100, -0.25f, 12345.678f}}, {{1, 0}}, 2},
        {"a face of 255 corners", ten_text + "1;\n" + corners255 + "\n", ten, {face255}, 255},
        {"numbers beyond the float range", "x\nMesh {\n1;\n1e400; -1e-400; 1" + std::string(400, '0') + ";;\n0;;\n",
         {{INFINITY, -0.0f, INFINITY}}, {}, 0},
        {"faces of 6 and 8 corners",
         "x\nMesh {\n8;\n0;0;0;,\n1;0;0;,\n1;1;0;,\n0;1;0;,\n0;0;1;,\n1;0;1;,\n1;1;1;,\n0;1;1;;\n3;\n"
         "6; 0, 1, 2, 3, 4, 5;,\n8; 7, 6, 5, 4, 3, 2, 1, 0;,\n1; 6;;\n",
         {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
         {{0, 1, 2, 3, 4, 5}, {7, 6, 5, 4, 3, 2, 1, 0}, {6}}, 8},
        {"templates and frames ahead",
         "xof 0302txt 0032\ntemplate Mesh {\n DWORD nVertices;\n}\ntemplate MeshNormals {\n <F6F23F43>\n DWORD nNormals;\n}\n"
         "Frame Root {\n FrameTransformMatrix {\n 1.0, 0.0;;\n }\nMesh {\n3;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n1;\n3; 0, 1, 2;;\n}\n}\n",
         tri, {{0, 1, 2}}, 3},
        {"leading zeros", "x\nMesh {\n0003;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n000000000001;\n3; 000000000000, 0001, 00000000000002;;\n",
         tri, {{0, 1, 2}}, 3},
        {"no faces", "x\nMesh {\n3;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n0;;\n", tri, {}, 0},
        {"empty mesh, lists closed", "x\nMesh {\n0;;\n0;;\n", {}, {}, 0},
        {"empty mesh, bare counts", "x\nMesh {\n0;\n0;\n}\n", {}, {}, 0},
    };
}

TEST(MeshReader, ReadsEveryLayoutAsItStands)
{
    mdata reused; // every text is read into this one record too: it must hold only the last
    for (const LayoutCase& c : layoutCases()) {
        Parsed p = parse(c.text);
        testing::internal::CaptureStdout();
        ReadError err;
        EXPECT_TRUE(DateiLesen(&reused, c.text, &err)) << c.name;
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(facesOf(reused), c.faces) << c.name << ": read into a used record";
        EXPECT_EQ(reused.face_verts, p.md.face_verts) << c.name << ": read into a used record";
        ASSERT_TRUE(p.ok) << c.name << ": line " << p.err.line << ": " << p.err.what;
        expectVerts(p.md, c.verts, c.name);
        EXPECT_EQ(p.md.numfaces, int32_t(c.faces.size())) << c.name;
        EXPECT_EQ(facesOf(p.md), c.faces) << c.name;
        EXPECT_EQ(p.md.maxnumvertsinface, c.maxcorners) << c.name;
        EXPECT_EQ(p.console, "Found " + std::to_string(c.verts.size()) + " vertices\nFound " +
                                 std::to_string(c.faces.size()) + " faces\n")
            << c.name;
    }
}

TEST(MeshReader, NumbersFollowTheDecimalRules)
{
    struct NumberCase {
        std::string text;
        float value;
    };
    const NumberCase cases[] = {
        {".5", 0.5f},
        {"5.", 5.0f},
        {"+7", 7.0f},
        {"-1.5e-3", -1.5e-3f},
        {"1.5E+3", 1500.0f},
        {"0.1", 0.1f},
        {"1e400", INFINITY},
        {"-1e400", -INFINITY},
        {"1" + std::string(400, '0'), INFINITY},
        {"3.5e38", INFINITY},
        {"3.40282356e38", FLT_MAX}, // beyond FLT_MAX, but nearer to it than to infinity
        // Exactly halfway between FLT_MAX and 2^128: rounding to even gives 2^128, an infinity.
        {"340282356779733661637539395458142568448", INFINITY},
        {"-340282356779733661637539395458142568448", -INFINITY},
        {"1e-400", 0.0f},
        {"-1e-400", -0.0f},
        {"0." + std::string(400, '0') + "1", 0.0f},
        {"1e-50", 0.0f},
        // Read in double precision first: this lands on the double halfway
        // between 1 and the next float, which then rounds to even.
        {"1.0000000596046447753906250000001", 1.0f},
    };
    for (const NumberCase& c : cases) {
        Parsed p = parse("x\nMesh {\n1;\n" + c.text + "; 0; 0;;\n0;;\n");
        ASSERT_TRUE(p.ok) << c.text << ": " << p.err.what;
        EXPECT_EQ(p.md.verts[0].x, c.value) << c.text;
        EXPECT_EQ(std::signbit(p.md.verts[0].x), std::signbit(c.value)) << c.text;
    }
}

struct BadCase {
    std::string text;
    int line;
    std::string what;
};

// Texts the reader must refuse rather than guess at, with the line and the
// message that tells the user what was expected there.
static std::vector<BadCase> refusedCases()
{
    const std::string head = "xof\nMesh {\n"; // the counts stand on line 3
    std::string corners256;
    for (int t = 0; t < 256; ++t)
        corners256 += t < 255 ? " 0," : " 0;;";
    return {
        {"", 1, "expected a mesh: \"Mesh {\" at the start of a line"},
        {head, 3, "expected the vertex count after \"Mesh {\", found the end of the file"},
        {head + "-3;\n", 3, "the vertex count is negative"},
        {head + "3:;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n", 3, "expected ';' after the vertex count, found \":;\""},
        // A vertex takes at least 6 characters of the text after its count, a face 4.
        {head + "2;0;0;0;,1;2", 3, "the vertex count is larger than the rest of the file could hold"},
        {head + "1;\n1;2;3;;\n2;1;0;,1", 5, "the face count is larger than the rest of the file could hold"},
        // The same bounds where the rest holds line ends: a CR LF counts as one character.
        {head + "2;\n0;0;0;,1;", 3, "the vertex count is larger than the rest of the file could hold"},
        {head + "2;0;0;0;,1;\n", 3, "the vertex count is larger than the rest of the file could hold"},
        {head + "1;\n1;2;3;;\n2;\n1;0;,", 5, "the face count is larger than the rest of the file could hold"},
        {head + "3;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n1;\n3;\n0,1", 8, "face 0: the corner count is larger than the rest of the file could hold"},
        {head + "1;\n1;2;3;;\n-1", 5, "the face count is negative"},
        {head + "1;\n1;2;3;;\n-", 5, "expected the face count, found \"-\""},
        {head + "99999999999;\n", 3, "the vertex count is larger than the rest of the file could hold"},
        {head + "1000;\n1;2;3;;\n", 3, "the vertex count is larger than the rest of the file could hold"},
        {head + "2\n1;2;3;,\n4;5;6;;\n", 4, "expected ';' after the vertex count, found \"1;2;3;,\""},
        {head + "2;\n1.000000; 2.000000; 3.000000;,\n", 5, "vertex 1: expected the x coordinate, found the end of the file"},
        {head + "2;\nabc; 1; 2;,\n", 4, "vertex 0: expected the x coordinate, found \"abc;\""},
        {head + "1;\nnan; 1; 2;;\n", 4, "vertex 0: expected the x coordinate, found \"nan;\""},
        {head + "1;\n1; inf; 2;;\n", 4, "vertex 0: expected the y coordinate, found \"inf;\""},
        {head + "1;\n--1; 1; 2;;\n", 4, "vertex 0: expected the x coordinate, found \"--1;\""},
        {head + "1;\n1; +-1; 2;;\n", 4, "vertex 0: expected the y coordinate, found \"+-1;\""},
        {head + "1;\nabcdefghijklmnop; 1; 2;;\n", 4, "vertex 0: expected the x coordinate, found \"abcdefghijkl\""},
        {head + "1;\n\x01; 1; 2;;\n", 4, "vertex 0: expected the x coordinate, found a byte of value 1"},
        {head + "1;\n\x7f; 1; 2;;\n", 4, "vertex 0: expected the x coordinate, found a byte of value 127"},
        {head + "1;\n1; 2; .5", 4, "vertex 0: expected ';' after the z coordinate, found the end of the file"},
        {head + "1;\n1; 2; -", 4, "vertex 0: expected the z coordinate, found \"-\""},
        {head + "1;\nx\x01; 1; 2;;\n", 4, "vertex 0: expected the x coordinate, found \"x\""},
        {head + "1;\n1.0 2.0 3.0;;\n", 4, "vertex 0: expected ';' after the x coordinate, found \"2.0\""},
        {head + "2;\n1.0; 2.0; 3.0;x\n", 4, "expected ',' in the vertex list after vertex 0, found \"x\""},
        {head + "3;\n1;2;3;,\n4;5;6;;\n1;\n2; 0, 1;;\n", 5, "the vertex list ends after 2 of 3 vertices"},
        {head + "2;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n1;\n2; 0, 1;;\n", 5, "the vertex list goes on past its count of 2 vertices"},
        {head + "1;\n1;2;3;;\n", 5, "expected the face count, found the end of the file"},
        {head + "1;\n1;2;3;;\n-1;\n", 5, "the face count is negative"},
        {head + "1;\n1;2;3;;\n99999999999;\n", 5, "the face count is larger than the rest of the file could hold"},
        {head + "1;\n1;2;3;;\n2\n1; 0;;\n", 6, "expected ';' after the face count, found \"1;\""},
        {head + "1;\n1;2;3;;\n2;\n1; 0;;\n", 6, "the face list ends after 1 of 2 faces"},
        {head + "1;\n1;2;3;;\n1;;\n1; 0;;\n", 5, "face 0: expected the corner count, found \";\""},
        {head + "1;\n1;2;3;;\n1;\n1; 0;,\n1; 0;;\n", 6, "the face list goes on past its count of 1 faces"},
        {head + "1;\n1;2;3;;\n2;\n1; 0;,\n", 7, "face 1: expected the corner count, found the end of the file"},
        {head + "1;\n1;2;3;;\n1;\n0;;\n", 6, "face 0: the corner count is 0; a face needs at least one corner"},
        {head + "1;\n1;2;3;;\n2;\n-3; 0, 0, 0;,\n1; 0;;\n", 6, "face 0: the corner count is -3; a face needs at least one corner"},
        {head + "1;\n1;2;3;;\n1;\n4000000000; 0;;\n", 6, "face 0: the corner count is larger than the rest of the file could hold"},
        {head + "1;\n1;2;3;;\n1;\n256;" + corners256 + "\n", 6, "face 0: the corner count is 256; the level editor reads at most 255 corners a face"},
        {head + "1;\n1;2;3;;\n1;\n1 0;;\n", 6, "face 0: expected ';' after the corner count, found \"0;;\""},
        // The indices of a face take at least two characters each.
        {head + "3;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n1;\n3;0,1", 8, "face 0: the corner count is larger than the rest of the file could hold"},
        {head + "3;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n1;\n3;0,1,2", 8, "expected ';' in the index list of face 0 after index 2, found the end of the file"},
        {head + "3;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n1;\n3; 0, 1, 2x;;\n", 8, "expected ';' in the index list of face 0 after index 2, found \"x;;\""},
        {head + "3;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n1;\n3; 0, -2147483649, 2;;\n", 8, "face 0: expected vertex index 1 of 3, found \"-2147483649,\""},
        {head + "3;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n1;\n4; 0, 1, 2;;\n", 8, "the index list of face 0 ends after 3 of 4 indices"},
        {head + "3;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n1;\n3; 0, 1, 2, 0;;\n", 8, "the index list of face 0 goes on past its count of 3 indices"},
        {head + "3;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n1;\n3; 0, x, 2;;\n", 8, "face 0: expected vertex index 1 of 3, found \"x,\""},
        {head + "3;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n1;\n3; 0.5, 1, 2;;\n", 8, "expected ',' in the index list of face 0 after index 0, found \".5,\""},
        {head + "3;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n2;\n3; 0, 1, 2;,\n3; 0, -1, 2;;\n", 9, "face 1: vertex index -1 is out of range; the mesh has 3 vertices"},
        {head + "3;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n1;\n3; 0, 3, 2;;\n", 8, "face 0: vertex index 3 is out of range; the mesh has 3 vertices"},
        {head + "3;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n1;\n3; 0, 99999999999, 2;;\n", 8, "face 0: expected vertex index 1 of 3, found \"99999999999,\""},
        {head + "3;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n1;\n3; 0, 2147483647, 2;;\n", 8, "face 0: vertex index 2147483647 is out of range; the mesh has 3 vertices"},
        {head + "3;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n1;\n3; 0, 2147483648, 2;;\n", 8, "face 0: expected vertex index 1 of 3, found \"2147483648,\""},
        {head + "3;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n1;\n3; 0, -2147483648, 2;;\n", 8, "face 0: vertex index -2147483648 is out of range; the mesh has 3 vertices"},
        {head + "0;;\n1;\n3; 0, 1, 2;;\n", 5, "face 0: vertex index 0 is out of range; the mesh has 0 vertices"},
    };
}

TEST(MeshReader, RefusesWhatItCannotReadAsStated)
{
    for (const BadCase& c : refusedCases()) {
        Parsed p = parse(c.text);
        EXPECT_FALSE(p.ok) << c.text;
        EXPECT_EQ(p.err.what, c.what) << c.text;
        EXPECT_EQ(p.err.line, c.line) << c.text;
    }
}

TEST(MeshReader, IndicesStopAtTheLargestTheEditorReads)
{
    std::string text = "x\nMesh {\n33000;\n";
    for (int i = 0; i < 32999; ++i)
        text += "0; 0; 0;,\n";
    text += "1; 1; 1;;\n2;\n3; 0, 32767, 1;,\n3; 0, 32768, 1;;\n";
    Parsed p = parse(text);
    ASSERT_FALSE(p.ok);
    EXPECT_EQ(p.err.what, "face 1: vertex index 32768 is above 32767, the largest the level editor can read");
    EXPECT_EQ(p.err.line, 33006);
}

TEST(MeshReader, NormalsAreReadWhereTheyCanBeAndNeverStopAConversion)
{
    const std::string mesh = "x\nMesh {\n3;\n1;2;3;,\n4;5;6;,\n7;8;9;;\n1;\n3; 0, 1, 2;;\n";
    struct NormalsCase {
        const char* name;
        std::string text;
        std::vector<float> xs; // x of each normal; y is x + 0.5 where one was read, z is -1
    };
    const NormalsCase cases[] = {
        {"none", mesh, {0, 0, 0}},
        {"full", mesh + "MeshNormals {\n3;\n1;1.5;-1;,\n2;2.5;-1;,\n3;3.5;-1;;\n3;\n3; 0, 1, 2;;\n}\n", {1, 2, 3}},
        {"own count short", mesh + "MeshNormals {\n2;\n1;1.5;-1;,\n2;2.5;-1;;\n1;\n3; 0, 1, 1;;\n}\n", {1, 2, 0}},
        {"own count short, more lines than it says",
         mesh + "MeshNormals {\n2;\n1;1.5;-1;,\n2;2.5;-1;,\n3;3.5;-1;;\n}\n", {1, 2, 0}},
        {"own count long", mesh + "MeshNormals {\n4;\n1;1.5;-1;,\n2;2.5;-1;,\n3;3.5;-1;,\n4;4.5;-1;;\n}\n", {1, 2, 3}},
        {"malformed", mesh + "MeshNormals {\n3;\n1;1.5;-1;,\nbroken\n", {1, 0, 0}},
        {"truncated", mesh + "MeshNormals {\n3", {0, 0, 0}},
        {"only a template ahead", "template MeshNormals {\n <F6F23F43>\n DWORD nNormals;\n}\n" + mesh, {0, 0, 0}},
    };
    for (const NormalsCase& c : cases) {
        Parsed p = parse(c.text);
        ASSERT_TRUE(p.ok) << c.name << ": " << p.err.what;
        ASSERT_EQ(p.md.normals.size(), 3u) << c.name;
        for (size_t i = 0; i < 3; ++i) {
            bool read = c.xs[i] != 0;
            EXPECT_EQ(p.md.normals[i].x, c.xs[i]) << c.name << " normal " << i;
            EXPECT_EQ(p.md.normals[i].y, read ? c.xs[i] + 0.5f : 0) << c.name << " normal " << i;
            EXPECT_EQ(p.md.normals[i].z, read ? -1 : 0) << c.name << " normal " << i;
        }
    }
}

// Cut at every byte, each text either converts to its whole mesh or is
// refused with a message; nothing in between, and nothing read past the end.
TEST(MeshReader, EveryPrefixConvertsWholeOrIsRefused)
{
    std::vector<LayoutCase> texts = layoutCases();
    texts.push_back({"the example cube", cubeText(), cubeVerts(), cubeFaces(), 4});
    testing::internal::CaptureStdout();
    for (const LayoutCase& c : texts) {
        for (size_t n = 0; n <= c.text.size(); ++n) {
            // A copy of exactly n bytes, so that the sanitizer sees any read past the end.
            std::unique_ptr<char[]> cut(new char[n ? n : 1]);
            std::memcpy(cut.get(), c.text.data(), n);
            std::string_view prefix(cut.get(), n);
            TestInfile(prefix);
            mdata md;
            ReadError err;
            if (DateiLesen(&md, prefix, &err)) {
                EXPECT_EQ(md.verts.size(), c.verts.size()) << c.name << ", cut at " << n;
                EXPECT_EQ(facesOf(md), c.faces) << c.name << ", cut at " << n;
            } else {
                EXPECT_FALSE(err.what.empty()) << c.name << ", cut at " << n;
                EXPECT_GE(err.line, 1) << c.name << ", cut at " << n;
            }
        }
    }
    testing::internal::GetCapturedStdout();
}

static std::string withLineEnds(const std::string& text, const std::string& end)
{
    std::string out;
    for (char c : text)
        out += c == '\n' ? end : std::string(1, c);
    return out;
}

// Files from Windows come with CR LF line ends, which reach the reader as they
// are: every text reads exactly as its text with LF line ends, accepted or
// refused alike, down to the line and the words of the message.
TEST(MeshReader, CrLfTextsReadExactlyAsLfTexts)
{
    std::vector<std::string> texts = {cubeText()};
    for (const LayoutCase& c : layoutCases())
        texts.push_back(c.text);
    for (const BadCase& c : refusedCases())
        texts.push_back(c.text);
    for (const std::string& text : texts) {
        if (text.find('\r') != std::string::npos)
            continue; // a text with carriage returns of its own has no LF text to compare with
        // CR LF reads as LF. In CR CR LF the first CR is white space, which a blank stands in for.
        const std::pair<const char*, const char*> ends[] = {{"\r\n", "\n"}, {"\r\r\n", " \n"}};
        for (const auto& [end, lf_end] : ends) {
            std::string windows = withLineEnds(text, end), unix = withLineEnds(text, lf_end);
            Parsed p = parse(windows), lf = parse(unix);
            std::string name = text.substr(0, 60);
            testing::internal::CaptureStdout();
            EXPECT_EQ(TestInfile(windows), TestInfile(unix)) << name;
            testing::internal::GetCapturedStdout();
            ASSERT_EQ(p.ok, lf.ok) << name;
            EXPECT_EQ(p.err.what, lf.err.what) << name;
            EXPECT_EQ(p.err.line, lf.err.line) << name;
            EXPECT_EQ(p.console, lf.console) << name;
            if (!p.ok)
                continue;
            EXPECT_EQ(facesOf(p.md), facesOf(lf.md)) << name;
            ASSERT_EQ(p.md.verts.size(), lf.md.verts.size()) << name;
            for (size_t i = 0; i < p.md.verts.size(); ++i)
                EXPECT_EQ(std::memcmp(&p.md.verts[i], &lf.md.verts[i], sizeof(mvertex)), 0) << name << " vertex " << i;
        }
    }
}

struct CheckCase {
    const char* name;
    std::string text;
    bool accepted;
    bool warned;
};

TEST(InputCheck, AcceptsRefusesAndWarns)
{
    const std::string warning = "File contains more than one Meshes.\nOnly the first object will be converted. \n"
                                "Please edit the .x file for more objects.\n";
    const std::string mesh = "\nMesh {\n0;;\n0;;\n";
    const CheckCase cases[] = {
        {"empty", "", false, false},
        {"no mesh", "xof 0302txt 0032\nFrame {\n}\n", false, false},
        {"indented header", "x\n  Mesh {\n0;;\n0;;\nMeshMaterialList {\n}\n", false, false},
        {"named header", "x\nMesh cube {\n0;;\n0;;\nMeshMaterialList {\n}\n", false, false},
        {"lower-case header", "x\nmesh {\n0;;\n0;;\nMeshMaterialList {\n}\n", false, false},
        {"header on the first line", "Mesh {\n0;;\n0;;\nMeshMaterialList {\n}\n", false, false},
        {"no material list", "x" + mesh, false, false},
        {"material list only ahead of the mesh", "x\nMeshMaterialList {\n}" + mesh, false, false},
        {"one mesh", "x" + mesh + "MeshMaterialList {\n}\n", true, false},
        {"two meshes with lists", "x" + mesh + "MeshMaterialList {\n}" + mesh + "MeshMaterialList {\n}\n", true, true},
        {"only the second mesh has a list", "x" + mesh + mesh + "MeshMaterialList {\n}\n", true, false},
    };
    for (const CheckCase& c : cases) {
        testing::internal::CaptureStdout();
        bool accepted = TestInfile(c.text);
        std::string console = testing::internal::GetCapturedStdout();
        EXPECT_EQ(accepted, c.accepted) << c.name;
        EXPECT_EQ(console, c.warned ? warning : "") << c.name;
    }
}

TEST(InputCheck, OnlyTheFirstMeshIsRead)
{
    const std::string text = "x\nMesh {\n1;\n1;2;3;;\n1;\n1; 0;;\nMeshMaterialList {\n}\n"
                             "Mesh {\n2;\n4;5;6;,\n7;8;9;;\n1;\n2; 0, 1;;\nMeshMaterialList {\n}\n";
    testing::internal::CaptureStdout();
    EXPECT_TRUE(TestInfile(text));
    testing::internal::GetCapturedStdout();
    Parsed p = parse(text);
    ASSERT_TRUE(p.ok);
    expectVerts(p.md, {{1, 2, 3}}, "first mesh");
    EXPECT_EQ(facesOf(p.md), (std::vector<std::vector<int>>{{0}}));
}
