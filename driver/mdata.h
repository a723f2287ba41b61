// The mesh record: what the mesh text reader hands to the room file writer.
#pragma once

#include <cstdint>
#include <vector>

struct mvertex {
    float x, y, z;
};

struct mface {
    int32_t num_verts; // corner count, at least 1 once the reader has accepted the face
    int32_t first;     // where the face's indices start in tagmdata::face_verts
};

typedef struct tagmdata {
    int32_t numverts = 0;
    int32_t numfaces = 0;
    int32_t maxnumvertsinface = 0; // informational; the writer does not need it

    std::vector<mvertex> verts;   // numverts positions, in file order
    std::vector<mface> faces;     // numfaces faces, in file order
    std::vector<mvertex> normals; // numverts normals; informational, never written

    // The corner indices of all faces, face after face, as the text gives them.
    // One flat array holds faces of any corner count without a heap block per
    // face, and 16 bits an index, as in the room file: the reader takes no
    // index beyond 32767, the largest the level editor reads.
    std::vector<int16_t> face_verts;
} mdata;
