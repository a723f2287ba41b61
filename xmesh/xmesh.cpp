#include "xmesh/xmesh.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// A position in the text that knows where the text ends.
struct stelle {
    const char* begin;
    const char* p;
    const char* end;
};

bool isDigit(char ch)
{
    return unsigned(ch - '0') < 10;
}

// Blank, tab, line feed, vertical tab, form feed and carriage return.
bool isSpace(char ch)
{
    return ch == ' ' || unsigned(ch - '\t') <= unsigned('\r' - '\t');
}

// Moves to the next occurrence of `landmark`; false, without moving, when there is none.
bool find(stelle& at, std::string_view landmark)
{
    std::string_view rest(at.p, size_t(at.end - at.p));
    // A landmark that starts with a line feed is looked for by the rest of it:
    // a search led by the line feed would stop at every line of the text.
    size_t skip = landmark.size() > 1 && landmark[0] == '\n' ? 1 : 0;
    for (size_t from = skip;; ++from) {
        size_t offset = rest.find(landmark.substr(skip), from);
        if (offset == std::string_view::npos)
            return false;
        if (rest[offset - skip] == landmark[0]) {
            at.p += offset - skip;
            return true;
        }
        from = offset;
    }
}

void advance(stelle& at, size_t k)
{
    at.p += std::min(k, size_t(at.end - at.p));
}

// Moves to the next decimal digit, stepping over anything else, signs included.
void digitSkip(stelle& at)
{
    while (at.p < at.end && !isDigit(*at.p))
        ++at.p;
}

void skipSpace(stelle& at)
{
    while (at.p < at.end && isSpace(*at.p))
        ++at.p;
}

// Steps over white space and then `sep`; false when something else comes first.
bool expect(stelle& at, char sep)
{
    skipSpace(at);
    if (at.p < at.end && *at.p == sep) {
        ++at.p;
        return true;
    }
    return false;
}

// The next character after white space, or 0 at the end of the text.
char peek(stelle& at)
{
    skipSpace(at);
    return at.p < at.end ? *at.p : 0;
}

enum class Num { ok, none, too_large };

// A decimal integer after white space: an optional sign, then digits.
Num readInt(stelle& at, int32_t& value)
{
    skipSpace(at);
    const char* s = at.p;
    bool negative = false;
    if (s + 1 < at.end && (*s == '-' || *s == '+') && isDigit(s[1])) {
        negative = *s == '-';
        ++s;
    }
    const char* digits = s;
    while (s < at.end && *s == '0')
        ++s;
    // Past its leading zeros, eleven digits hold any 32-bit value with room to
    // spare, and cannot wrap a 64-bit one.
    const char* significant = s;
    uint64_t magnitude = 0;
    for (; s < at.end && isDigit(*s) && s - significant < 11; ++s)
        magnitude = magnitude * 10 + unsigned(*s - '0');
    if (s == digits)
        return Num::none;
    if ((s < at.end && isDigit(*s)) || magnitude > (negative ? uint64_t(INT32_MAX) + 1 : uint64_t(INT32_MAX)))
        return Num::too_large; // the cursor stays, so that messages can show the number
    value = int32_t(negative ? -int64_t(magnitude) : int64_t(magnitude));
    at.p = s;
    return Num::ok;
}

// from_chars gives no value for a number beyond double range. Its decimal
// exponent tells an overflow, which is an infinity, from an underflow, which is zero.
double beyondRange(const char* s, const char* e)
{
    long long scale = 0; // decimal exponent of the first nonzero digit, give or take one
    bool point = false, nonzero = false;
    for (; s < e && *s != 'e' && *s != 'E'; ++s) {
        if (*s == '.')
            point = true;
        else if (*s != '0' || nonzero) {
            nonzero = true;
            if (!point)
                ++scale;
        } else if (point)
            --scale;
    }
    if (s < e) {
        ++s;
        bool negative = s < e && *s == '-';
        if (s < e && (*s == '-' || *s == '+'))
            ++s;
        long long exponent = 0;
        for (; s < e && isDigit(*s); ++s)
            exponent = std::min(exponent * 10 + (*s - '0'), 1000000000LL);
        scale += negative ? -exponent : exponent;
    }
    return scale > 0 ? HUGE_VAL : 0.0;
}

// Rounds to the nearest float; beyond the largest float the value becomes an infinity.
float toFloat(double d)
{
    // Halfway between FLT_MAX and 2^128: from here on, rounding gives infinity.
    const double overflow = 0x1.ffffffp127;
    if (std::fabs(d) >= overflow)
        return d < 0 ? -INFINITY : INFINITY;
    if (std::fabs(d) > FLT_MAX)
        return d < 0 ? -FLT_MAX : FLT_MAX;
    return float(d);
}

// A decimal number after white space: optional sign, digits with an optional
// point ("5." and ".5" are numbers), optional exponent. Read in double
// precision, then rounded to float.
bool readFloat(stelle& at, float& value)
{
    skipSpace(at);
    const char* s = at.p;
    bool negative = false;
    if (s < at.end && (*s == '+' || *s == '-')) {
        negative = *s == '-';
        ++s;
    }
    // Only decimal numbers: from_chars alone would also take "inf" and "nan".
    if (s == at.end || !(isDigit(*s) || (*s == '.' && s + 1 < at.end && isDigit(s[1]))))
        return false;

    double d = 0;
    auto [last, ec] = std::from_chars(s, at.end, d, std::chars_format::general);
    if (ec == std::errc::invalid_argument)
        return false;
    if (ec == std::errc::result_out_of_range)
        d = beyondRange(s, last);
    at.p = last;
    value = toFloat(negative ? -d : d);
    return true;
}

// What stands at the cursor, for messages.
std::string found(stelle at)
{
    skipSpace(at);
    if (at.p == at.end)
        return "the end of the file";
    std::string word;
    for (const char* q = at.p; q < at.end && word.size() < 12 && !isSpace(*q); ++q) {
        unsigned char ch = (unsigned char)*q;
        if (ch < 0x20 || ch >= 0x7f) {
            if (word.empty()) {
                char byte[32];
                std::snprintf(byte, sizeof(byte), "a byte of value %d", ch);
                return byte;
            }
            break;
        }
        word += char(ch);
    }
    return "\"" + word + "\"";
}

#if defined(__GNUC__)
__attribute__((format(printf, 3, 4)))
#endif
bool fail(ReadError* err, const stelle& at, const char* format, ...)
{
    char what[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(what, sizeof(what), format, args);
    va_end(args);

    err->line = 1 + int(std::count(at.begin, at.p, '\n'));
    err->what = what;
    return false;
}

// The length of the rest of the text, a CR LF pair counted as the one line
// end it stands for: so that a file with CR LF line ends reads exactly as the
// same file with LF line ends.
size_t restLength(const stelle& at)
{
    size_t n = size_t(at.end - at.p);
    for (const char* q = at.p; (q = static_cast<const char*>(std::memchr(q, '\r', size_t(at.end - q)))); ++q)
        if (q + 1 < at.end && q[1] == '\n')
            --n;
    return n;
}

// True when the rest of the text is too short for `count` elements of at least
// `min_bytes` characters each. The text itself is counted only where its CR LF
// pairs could matter: they make at most half of it.
bool tooMany(const stelle& at, int64_t count, int64_t min_bytes)
{
    int64_t raw = at.end - at.p;
    if (count <= raw / 2 / min_bytes)
        return false;
    if (count > raw / min_bytes)
        return true;
    return count > int64_t(restLength(at)) / min_bytes;
}

// A vertex or face count followed by ';'. A text of n bytes holds at most
// n / `min_bytes` elements, so a larger count is refused before anything is allocated.
bool readCount(stelle& at, int32_t& count, const char* name, int min_bytes, ReadError* err)
{
    Num r = readInt(at, count);
    if (r == Num::none)
        return fail(err, at, "expected the %s, found %s", name, found(at).c_str());
    if (r == Num::too_large || tooMany(at, count, min_bytes))
        return fail(err, at, "the %s is larger than the rest of the file could hold", name);
    if (count < 0)
        return fail(err, at, "the %s is negative", name);
    if (!expect(at, ';'))
        return fail(err, at, "expected ';' after the %s, found %s", name, found(at).c_str());
    return true;
}

// A list as messages name it: "the vertex list", or "the index list of face 3".
struct ListName {
    const char* list;
    int32_t face; // the face whose list it is, or -1
    const char* element;
    const char* elements;
};

std::string describe(const ListName& name)
{
    std::string text = name.list;
    if (name.face >= 0)
        text += " of face " + std::to_string(name.face);
    return text;
}

// Says why the separator after element i of a list of `count` elements is wrong.
bool badSeparator(stelle& at, int32_t i, int32_t count, const ListName& name, ReadError* err)
{
    bool last = i + 1 == count;
    char sep = peek(at);
    if (sep == ';')
        return fail(err, at, "%s ends after %d of %d %s", describe(name).c_str(), i + 1, count, name.elements);
    if (sep == ',')
        return fail(err, at, "%s goes on past its count of %d %s", describe(name).c_str(), count, name.elements);
    return fail(err, at, "expected '%c' in %s after %s %d, found %s", last ? ';' : ',', describe(name).c_str(),
                name.element, i, found(at).c_str());
}

// Steps over what follows element i of a list of `count` elements: ',' before
// the next element, ';' after the last. A list that ends early or runs on is refused.
inline bool listSeparator(stelle& at, int32_t i, int32_t count, const ListName& name, ReadError* err)
{
    if (peek(at) == (i + 1 == count ? ';' : ',')) {
        ++at.p;
        return true;
    }
    return badSeparator(at, i, count, name, err);
}

// Reads "x; y; z;". Returns what was expected and not found, or nullptr.
const char* readVector(stelle& at, mvertex& v)
{
    float* xyz[3] = {&v.x, &v.y, &v.z};
    static const char* const number[3] = {"the x coordinate", "the y coordinate", "the z coordinate"};
    static const char* const semicolon[3] = {"';' after the x coordinate", "';' after the y coordinate",
                                             "';' after the z coordinate"};
    for (int k = 0; k < 3; ++k) {
        if (!readFloat(at, *xyz[k]))
            return number[k];
        if (!expect(at, ';'))
            return semicolon[k];
    }
    return nullptr;
}

// An empty list may still carry its closing ';', as in "0;;".
void emptyList(stelle& at)
{
    if (peek(at) == ';')
        ++at.p;
}

bool detectNumVerts(stelle& at, int32_t& numverts, ReadError* err)
{
    // The first digit after the marker starts the count, whatever stands before it.
    digitSkip(at);
    if (at.p == at.end)
        return fail(err, at, "expected the vertex count after \"Mesh {\", found the end of the file");
    if (at.p[-1] == '-')
        return fail(err, at, "the vertex count is negative");
    if (!readCount(at, numverts, "vertex count", 6, err))
        return false;
    std::printf("Found %d vertices\n", numverts);
    return true;
}

bool readVertices(stelle& at, mdata* md, ReadError* err)
{
    md->verts.resize(size_t(md->numverts));
    if (md->numverts == 0)
        emptyList(at);
    for (int32_t i = 0; i < md->numverts; ++i) {
        if (const char* missing = readVector(at, md->verts[i]))
            return fail(err, at, "vertex %d: expected %s, found %s", i, missing, found(at).c_str());
        if (!listSeparator(at, i, md->numverts, ListName{"the vertex list", -1, "vertex", "vertices"}, err))
            return false;
    }
    return true;
}

bool detectnumfaces(stelle& at, int32_t& numfaces, ReadError* err)
{
    if (!readCount(at, numfaces, "face count", 4, err))
        return false;
    std::printf("Found %d faces\n", numfaces);
    return true;
}

// The room file keeps an index in a 16-bit field that the level editor reads as signed.
const int32_t MAX_ROOM_INDEX = 32767;
// The level editor keeps a face's corner count in one byte: a larger count
// loads cut to 8 bits, and the rest of the room is read out of step.
const int32_t MAX_ROOM_CORNERS = 255;

bool readFaces(stelle& at, mdata* md, ReadError* err)
{
    // Faces are appended, so that no pass clears the array first. Room for
    // four corners a face, but never more than the rest of the text could
    // hold: an index takes at least two characters.
    md->faces.reserve(size_t(md->numfaces));
    md->face_verts.reserve(std::min(size_t(md->numfaces) * 4, size_t(at.end - at.p) / 2));
    for (int32_t i = 0; i < md->numfaces; ++i) {
        mface face{0, 0};
        Num r = readInt(at, face.num_verts);
        if (r == Num::none)
            return fail(err, at, "face %d: expected the corner count, found %s", i, found(at).c_str());
        if (r == Num::too_large || tooMany(at, face.num_verts, 2))
            return fail(err, at, "face %d: the corner count is larger than the rest of the file could hold", i);
        if (face.num_verts < 1)
            return fail(err, at, "face %d: the corner count is %d; a face needs at least one corner", i,
                        face.num_verts);
        if (face.num_verts > MAX_ROOM_CORNERS)
            return fail(err, at, "face %d: the corner count is %d; the level editor reads at most %d corners a face",
                        i, face.num_verts, MAX_ROOM_CORNERS);
        if (!expect(at, ';'))
            return fail(err, at, "face %d: expected ';' after the corner count, found %s", i, found(at).c_str());
        if (md->face_verts.size() > size_t(INT32_MAX - face.num_verts))
            return fail(err, at, "face %d: the mesh has more corners than a room file can hold", i);

        face.first = int32_t(md->face_verts.size());
        const ListName indices{"the index list", i, "index", "indices"};
        for (int32_t t = 0; t < face.num_verts; ++t) {
            int32_t index = 0;
            if (readInt(at, index) != Num::ok)
                return fail(err, at, "face %d: expected vertex index %d of %d, found %s", i, t, face.num_verts,
                            found(at).c_str());
            if (index < 0 || index >= md->numverts)
                return fail(err, at, "face %d: vertex index %d is out of range; the mesh has %d vertices", i, index,
                            md->numverts);
            if (index > MAX_ROOM_INDEX)
                return fail(err, at, "face %d: vertex index %d is above %d, the largest the level editor can read",
                            i, index, MAX_ROOM_INDEX);
            md->face_verts.push_back(int16_t(index));
            if (!listSeparator(at, t, face.num_verts, indices, err))
                return false;
        }
        md->faces.push_back(face);
        if (!listSeparator(at, i, md->numfaces, ListName{"the face list", -1, "face", "faces"}, err))
            return false;
    }
    return true;
}

// Normals never reach the room file, so whatever cannot be read is left zero
// instead of stopping the conversion. The search starts after the face list:
// a template declaration of the same name stands ahead of the mesh.
void readNormals(stelle& at, mdata* md)
{
    md->normals.assign(size_t(md->numverts), mvertex{0, 0, 0});
    if (!find(at, "MeshNormals {"))
        return;
    advance(at, std::string_view("MeshNormals {").size());

    int32_t count = 0;
    if (readInt(at, count) != Num::ok || !expect(at, ';'))
        return;
    count = std::min(count, md->numverts);
    for (int32_t i = 0; i < count; ++i) {
        mvertex normal;
        if (readVector(at, normal))
            return;
        md->normals[i] = normal;
        char sep = peek(at);
        if (sep != ',' && sep != ';')
            return;
        ++at.p;
    }
}

} // namespace

bool TestInfile(std::string_view puf)
{
    stelle at{puf.data(), puf.data(), puf.data() + puf.size()};
    if (!find(at, MESH_MARKER))
        return false;
    advance(at, 1);
    if (!find(at, "MeshMaterialList"))
        return false;
    advance(at, 1);
    if (find(at, MESH_MARKER))
        std::printf("File contains more than one Meshes.\nOnly the first object will be converted. \n"
                    "Please edit the .x file for more objects.\n");
    return true;
}

int32_t detectmaxnumvertsinface(const mdata* md)
{
    int32_t most = 0;
    for (const mface& face : md->faces)
        most = std::max(most, face.num_verts);
    return most;
}

bool DateiLesen(mdata* md, std::string_view puf, ReadError* err)
{
    *md = mdata();
    stelle at{puf.data(), puf.data(), puf.data() + puf.size()};
    if (!find(at, MESH_MARKER))
        return fail(err, at, "expected a mesh: \"Mesh {\" at the start of a line");
    advance(at, MESH_MARKER.size());

    if (!detectNumVerts(at, md->numverts, err) || !readVertices(at, md, err))
        return false;
    if (!detectnumfaces(at, md->numfaces, err) || !readFaces(at, md, err))
        return false;
    md->maxnumvertsinface = detectmaxnumvertsinface(md);
    readNormals(at, md);
    return true;
}
