// Writes a DirectX .x text as Blender 2.42a's exporter lays it out: a mesh of
// VERTS vertices and FACES four-corner faces, its material list and its normals.
//   gen_xtext VERTS FACES > room.x
#include <cstdint>
#include <cstdio>
#include <cstdlib>

static uint32_t state = 12345;

static uint32_t next()
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

static double coordinate()
{
    return (double(next() % 2000001) - 1000000.0) / 1000.0;
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: gen_xtext VERTS FACES\n");
        return 1;
    }
    long verts = std::atol(argv[1]), faces = std::atol(argv[2]);
    if (verts < 4 || faces < 0) {
        std::fprintf(stderr, "gen_xtext: need at least 4 vertices\n");
        return 1;
    }
    FILE* out = stdout;
    std::fprintf(out, "xof 0302txt 0032\n\ntemplate MeshNormals {\n <F6F23F43-7686-11cf-8F52-0040333594A3>\n"
                      " DWORD nNormals;\n array Vector normals[nNormals];\n}\n\nFrame Room {\n\n"
                      "  FrameTransformMatrix {\n    1.000000, 0.000000, 0.000000, 0.000000,\n"
                      "    0.000000, 1.000000, 0.000000, 0.000000,\n    0.000000, 0.000000, 1.000000, 0.000000,\n"
                      "    0.000000, 0.000000, 0.000000, 1.000000;;\n  }\n");

    std::fprintf(out, "Mesh {\n%ld;\n", verts);
    for (long i = 0; i < verts; ++i)
        std::fprintf(out, "%f; %f; %f;%s\n", coordinate(), coordinate(), coordinate(), i + 1 < verts ? "," : ";");

    // Each face's indices are kept for the normals block, which repeats them.
    uint32_t* corners = static_cast<uint32_t*>(std::malloc(sizeof(uint32_t) * 4 * size_t(faces ? faces : 1)));
    if (!corners)
        return 1;
    std::fprintf(out, "\n%ld;\n", faces);
    for (long i = 0; i < faces; ++i) {
        uint32_t* c = corners + 4 * i;
        for (int k = 0; k < 4; ++k)
            c[k] = next() % uint32_t(verts);
        std::fprintf(out, "4; %u, %u, %u, %u;%s\n", c[0], c[1], c[2], c[3], i + 1 < faces ? "," : ";");
    }

    std::fprintf(out, "\nMeshMaterialList {\n1;\n%ld;\n", faces);
    for (long i = 0; i < faces; ++i)
        std::fprintf(out, "0%s\n", i + 1 < faces ? "," : ";;");
    std::fprintf(out, "Material Material {\n0.800000; 0.800000; 0.800000;1.0;;\n0.500000;\n"
                      "1.000000; 1.000000; 1.000000;;\n0.0; 0.0; 0.0;;\n}\n}\n");

    std::fprintf(out, "MeshNormals {\n%ld;\n", verts);
    for (long i = 0; i < verts; ++i)
        std::fprintf(out, "0.577349; 0.577349; -0.577349;%s\n", i + 1 < verts ? "," : ";");
    std::fprintf(out, "%ld;\n", faces);
    for (long i = 0; i < faces; ++i) {
        uint32_t* c = corners + 4 * i;
        std::fprintf(out, "4; %u, %u, %u, %u;%s\n", c[0], c[1], c[2], c[3], i + 1 < faces ? "," : ";");
    }
    std::fprintf(out, "}\n}\n}\n");
    std::free(corners);
    return std::fflush(out) == 0 ? 0 : 1;
}
