// The mesh text reader: the first mesh block of a DirectX .x text, as
// Blender 2.42a's exporter writes it, read into a mesh record. It works on the
// text in memory, never reads past its end and never ends the process.
#pragma once

#include "driver/mdata.h"

#include <string>
#include <string_view>

// "Mesh {" at the very start of a line: an indented or named header is not it.
constexpr std::string_view MESH_MARKER = "\nMesh {";

struct ReadError {
    int line = 0;     // line of the text, from 1, where reading stopped
    std::string what; // what was expected there and what stood there instead
};

// Looks the text over before it is read: false when it has no mesh marker or
// no material list after it. Prints a warning when another mesh follows the
// material list, since only the first mesh is converted.
bool TestInfile(std::string_view puf);

// Reads the first mesh block into `md`, printing the vertex and face counts as
// it meets them. False, with `err` filled, when the text does not state a mesh
// that a room file can carry as it stands.
bool DateiLesen(mdata* md, std::string_view puf, ReadError* err);

// The largest corner count of any face, at least 0.
int32_t detectmaxnumvertsinface(const mdata* md);
