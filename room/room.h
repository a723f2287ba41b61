// The room file writer: a mesh record as a chunked room file for the level editor.
#pragma once

#include "driver/mdata.h"
#include "room/cfile.h"

#include <cstdint>
#include <string>

const int32_t ROOM_HEADER_CHUNK = 5;
const int32_t ROOM_VERTEX_CHUNK = 1;
const int32_t ROOM_FACES_CHUNK = 2;
const int32_t ROOM_END_CHUNK = 3;
const int32_t ROOMFILE_VERSION = 4;
const int32_t LIGHT_MULTIPLE_DEFAULT = 4;
const int32_t TEXTURE_DEFAULT = 0;

// What the level editor is built for; a larger room loads but corrupts its memory later.
const int32_t EDITOR_MAX_VERTS = 10000;
const int32_t EDITOR_MAX_FACES = 3000;
const int32_t EDITOR_MAX_CORNERS = 64;

// The size in bytes of the room file for `md`.
int64_t RoomFileSize(const mdata* md);

// Lays out the whole room file in `file`.
void WriteRoom(CFILE* file, const mdata* md);

// Prints one warning line for each of the editor's limits that the mesh exceeds.
void WarnRoomLimits(const mdata* md);

// Writes the room file `filename` and prints the closing message. The file is
// written beside it under a temporary name and renamed over it only when every
// byte is on disk, so a failure leaves any earlier file of that name as it was.
// On failure `error` holds a message line and nothing is printed.
bool SaveRoom(const char* filename, const mdata* md, std::string& error);
