# Writes one Blender mesh as DirectX .x text in the layout of Blender 2.4x's
# DirectX exporter, the layout tovrek reads, and runs tovrek on it.

import math
import os
import shutil
import subprocess

import bpy

# What the room file and the level editor can take.
MAX_VERTICES = 32768  # indices are 16-bit fields the editor reads as signed
MAX_CORNERS = 255     # the editor keeps a face's corner count in one byte
EDITOR_MAX_VERTS = 10000
EDITOR_MAX_FACES = 3000
EDITOR_MAX_CORNERS = 64

DEFAULT_MATERIAL = ("Material", (0.8, 0.8, 0.8), 0.5, (1.0, 1.0, 1.0))


class XMesh:
    """One mesh as the .x text states it, taken from Blender by `gather`.

    verts and normals hold one (x, y, z) per mesh vertex, faces one tuple of
    vertex indices per face, corner_normals and uvs one entry per corner in face
    order (uvs is None without a UV map), materials (name, diffuse rgb,
    specular power, specular rgb) tuples, face_materials one index per face.
    """

    def __init__(self, name, matrix, verts, normals, faces, corner_normals, uvs, materials, face_materials):
        self.name = name
        self.matrix = matrix
        self.verts = verts
        self.normals = normals
        self.faces = faces
        self.corner_normals = corner_normals
        self.uvs = uvs
        self.materials = materials
        self.face_materials = face_materials


class ExportError(Exception):
    pass


def round_old(value, digits=4):
    """Rounds as the old exporter's Python did: halves away from zero.

    Python 3 rounds halves to even, which would print grid values such as
    0.03125 differently from the files the old exporter wrote.
    """
    f = 10.0 ** digits
    x = value * f
    x = math.floor(x + 0.5) if x >= 0.0 else math.ceil(x - 0.5)
    return x / f


def num(value):
    return "%f" % round_old(value)


def x_name(name):
    """A name as .x text takes it: '.' and blanks become '_', and a leading digit gets a '_'."""
    name = name.replace(".", "_").replace(" ", "_")
    if name[:1].isdigit():
        name = "_" + name
    return name


HEADER = """xof 0303txt 0032


template VertexDuplicationIndices {
 <b8d65549-d7c9-4995-89cf-53a9a8b031e3>
 DWORD nIndices;
 DWORD nOriginalVertices;
 array DWORD indices[nIndices];
}
template XSkinMeshHeader {
 <3cf169ce-ff7c-44ab-93c0-f78f62d172e2>
 WORD nMaxSkinWeightsPerVertex;
 WORD nMaxSkinWeightsPerFace;
 WORD nBones;
}
template SkinWeights {
 <6f0d123b-bad2-4167-a0d0-80224f25fabb>
 STRING transformNodeName;
 DWORD nWeights;
 array DWORD vertexIndices[nWeights];
 array FLOAT weights[nWeights];
 Matrix4x4 matrixOffset;
}

"""


def frame_matrix(rows):
    lines = ["  FrameTransformMatrix {\n"]
    for i, row in enumerate(rows):
        lines.append("    " + ", ".join(num(v) for v in row) + (";;\n" if i == 3 else ",\n"))
    lines.append("  }\n")
    return "".join(lines)


def vector_lines(vectors):
    last = len(vectors) - 1
    return "".join("%s; %s; %s;%s\n" % (num(x), num(y), num(z), ";" if i == last else ",")
                   for i, (x, y, z) in enumerate(vectors))


def face_lines(faces):
    last = len(faces) - 1
    return "".join("%d; %s;%s\n" % (len(f), ", ".join(str(i) for i in f), ";" if k == last else ",")
                   for k, f in enumerate(faces))


def x_text(mesh, use_shared_vertices=True, use_flip_z=True):
    """The whole .x text for `mesh`, an XMesh."""
    if use_shared_vertices:
        verts = mesh.verts
        normals = mesh.normals
        faces = [list(f) for f in mesh.faces]
        uvs = None
        if mesh.uvs is not None:
            # A vertex keeps the UV of the first corner that uses it.
            uvs = [None] * len(verts)
            corner = 0
            for f in mesh.faces:
                for v in f:
                    if uvs[v] is None:
                        uvs[v] = mesh.uvs[corner]
                    corner += 1
            uvs = [uv or (0.0, 0.0) for uv in uvs]
    else:
        # One vertex per face corner, in face order, as the old exporter wrote them.
        verts = [mesh.verts[v] for f in mesh.faces for v in f]
        normals = mesh.corner_normals
        faces = []
        first = 0
        for f in mesh.faces:
            faces.append(list(range(first, first + len(f))))
            first += len(f)
        uvs = mesh.uvs
    if use_flip_z:
        # The root frame mirrors z, so each face keeps its first corner and
        # turns the rest around to face the same way.
        faces = [f[:1] + f[:0:-1] for f in faces]

    flip = -1.0 if use_flip_z else 1.0
    root = ((1.0, 0.0, 0.0, 0.0), (0.0, 1.0, 0.0, 0.0), (0.0, 0.0, flip, 0.0), (0.0, 0.0, 0.0, 1.0))
    out = [HEADER, "Frame RootFrame {\n\n", frame_matrix(root),
           "Frame %s {\n\n" % x_name(mesh.name), frame_matrix(mesh.matrix),
           "Mesh {\n", "%d;\n" % len(verts), vector_lines(verts), "\n",
           "%d;\n" % len(faces), face_lines(faces), "\n"]

    materials = mesh.materials or [DEFAULT_MATERIAL]
    out.append("  MeshMaterialList {\n    %d;\n    %d;\n" % (len(materials), len(faces)))
    last = len(faces) - 1
    for k in range(len(faces)):
        index = mesh.face_materials[k] if mesh.materials else 0
        out.append("    %d%s\n" % (min(max(index, 0), len(materials) - 1), ";;" if k == last else ","))
    for name, diffuse, power, specular in materials:
        out.append("  Material %s {\n" % x_name(name))
        out.append("    %s; %s; %s;1.0;;\n" % tuple(num(c) for c in diffuse))
        out.append("    %s;\n" % num(power))
        out.append("    %s; %s; %s;;\n" % tuple(num(c) for c in specular))
        out.append("    0.0; 0.0; 0.0;;\n  }\n")
    out.append("  }  //End of MeshMaterialList\n")

    out.append("  MeshNormals {\n%d;\n" % len(normals))
    out.append(vector_lines(normals))
    out.append("%d;\n" % len(faces))
    out.append(face_lines(faces))
    out.append("  }  //End of MeshNormals\n")

    if uvs is not None:
        out.append("MeshTextureCoords {\n%d;\n" % len(uvs))
        last = len(uvs) - 1
        out.extend("%s;%s;%s\n" % (num(u), num(-v), ";" if i == last else ",") for i, (u, v) in enumerate(uvs))
        out.append("}  //End of MeshTextureCoords\n")
    out.append("}\n}\n}\n")
    return "".join(out)


def check(mesh, use_shared_vertices=True):
    """What stops `mesh` from becoming a room, and what the level editor will not like.

    Returns (refusal or None, warnings).
    """
    name = mesh.name
    if not mesh.faces:
        return ("'%s' has no faces; the level editor cannot load a room without faces" % name, [])
    most = max(len(f) for f in mesh.faces)
    if most > MAX_CORNERS:
        return ("'%s' has a face of %d corners; a room file face holds at most %d" % (name, most, MAX_CORNERS), [])
    count = len(mesh.verts) if use_shared_vertices else sum(len(f) for f in mesh.faces)
    if count > MAX_VERTICES:
        why = "" if use_shared_vertices else " (one per face corner: turn on Shared Vertices)"
        return ("'%s' has %d vertices to write%s; a room file takes at most %d" % (name, count, why, MAX_VERTICES), [])
    warnings = []
    if count > EDITOR_MAX_VERTS:
        warnings.append("the room has %d vertices; the level editor takes at most %d." % (count, EDITOR_MAX_VERTS))
    if len(mesh.faces) > EDITOR_MAX_FACES:
        warnings.append("the room has %d faces; the level editor takes at most %d." % (len(mesh.faces), EDITOR_MAX_FACES))
    if most > EDITOR_MAX_CORNERS:
        warnings.append("the room has a face of %d corners; the level editor takes at most %d per face."
                        % (most, EDITOR_MAX_CORNERS))
    return (None, warnings)


def matrix_rows(matrix):
    # .x frames take row vectors, with the translation in the last row.
    return tuple(tuple(matrix[c][r] for c in range(4)) for r in range(4))


IDENTITY = ((1.0, 0.0, 0.0, 0.0), (0.0, 1.0, 0.0, 0.0), (0.0, 0.0, 1.0, 0.0), (0.0, 0.0, 0.0, 1.0))


def gather(obj, depsgraph, use_modifiers=True, use_transform=False):
    """The XMesh of a mesh object, with its modifiers applied or not."""
    if obj.type != 'MESH':
        raise ExportError("'%s' is not a mesh object; a room is made from one mesh" % obj.name)
    source = obj.evaluated_get(depsgraph) if use_modifiers else obj
    me = source.to_mesh()
    try:
        if use_transform:
            me.transform(obj.matrix_world)
        if bpy.app.version < (4, 1, 0):
            me.calc_normals_split()
            corner_normals = [tuple(loop.normal) for loop in me.loops]
        else:
            corner_normals = [tuple(n.vector) for n in me.corner_normals]
        faces = [tuple(p.vertices) for p in me.polygons]
        # Corners in face order: each polygon's loops, in polygon order.
        loops = [i for p in me.polygons for i in range(p.loop_start, p.loop_start + p.loop_total)]
        uvs = None
        if me.uv_layers.active is not None:
            data = me.uv_layers.active.data
            uvs = [tuple(data[i].uv) for i in loops]
        materials = []
        for mat in me.materials:
            if mat is None:
                materials.append(DEFAULT_MATERIAL)
            else:
                materials.append((mat.name, tuple(mat.diffuse_color)[:3], mat.specular_intensity,
                                  tuple(mat.specular_color)))
        return XMesh(name=obj.name,
                     matrix=IDENTITY if use_transform else matrix_rows(obj.matrix_world),
                     verts=[tuple(v.co) for v in me.vertices],
                     normals=[tuple(v.normal) for v in me.vertices],
                     faces=faces,
                     corner_normals=[corner_normals[i] for i in loops],
                     uvs=uvs,
                     materials=materials,
                     face_materials=[p.material_index for p in me.polygons])
    finally:
        source.to_mesh_clear()


def pick_object(context, use_selection):
    """The one object to export, and a warning when it is one of several."""
    objects = context.selected_objects if use_selection else context.view_layer.objects
    meshes = [o for o in objects if o.type == 'MESH']
    if not meshes:
        if len(objects) == 1:
            return objects[0], None  # gather says why it is not a mesh
        raise ExportError("no mesh object %s; a room is made from one mesh"
                          % ("is selected" if use_selection else "in the scene"))
    if len(meshes) == 1:
        return meshes[0], None
    active = context.view_layer.objects.active
    chosen = active if active in meshes else min(meshes, key=lambda o: o.name)
    return chosen, ("%d mesh objects; a room is one mesh, so only '%s' is exported" % (len(meshes), chosen.name))


def find_tovrek(configured):
    """The tovrek program: the configured path, else on PATH, else beside the add-on."""
    if configured:
        return bpy.path.abspath(configured)
    found = shutil.which("tovrek")
    if found:
        return found
    here = os.path.dirname(os.path.abspath(__file__))
    for name in ("tovrek.exe", "tovrek"):
        candidate = os.path.join(here, name)
        if os.path.isfile(candidate):
            return candidate
    return None


def run_tovrek(tovrek, x_path):
    """Runs tovrek on `x_path`, naming the room file beside it.

    Returns (room path, exit status, console lines).
    """
    room_path = os.path.splitext(x_path)[0] + ".orf"
    # Both names given: tovrek then cuts nothing at a '.' in a folder's name.
    done = subprocess.run([tovrek, x_path, room_path], cwd=os.path.dirname(x_path) or None,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    lines = done.stdout.decode("utf-8", "replace").splitlines()
    return room_path, done.returncode, [line for line in lines if line.strip()]


def save(context, filepath, use_selection=True, use_shared_vertices=True, use_flip_z=True,
         use_transform=False, use_modifiers=True, convert_to_room=False, tovrek_path=""):
    """Writes `filepath` and, with `convert_to_room`, the room beside it.

    Returns a list of (level, message) reports; raises ExportError on a refusal.
    """
    reports = []
    obj, several = pick_object(context, use_selection)
    if several:
        reports.append(('WARNING', several))
    mesh = gather(obj, context.evaluated_depsgraph_get(), use_modifiers, use_transform)
    refusal, warnings = check(mesh, use_shared_vertices)
    if refusal:
        raise ExportError(refusal)
    reports.extend(('WARNING', "Warning: " + w) for w in warnings)

    tovrek = None
    if convert_to_room:
        tovrek = find_tovrek(tovrek_path)
        if not tovrek:
            raise ExportError("tovrek was not found: set its path in the add-on's preferences")

    text = x_text(mesh, use_shared_vertices, use_flip_z)
    try:
        with open(filepath, "w", encoding="utf-8", newline="\n") as f:
            f.write(text)
    except OSError as e:
        raise ExportError("cannot write %s: %s" % (filepath, e.strerror or e))
    reports.append(('INFO', "Wrote %s" % filepath))

    if convert_to_room:
        try:
            room_path, status, lines = run_tovrek(tovrek, filepath)
        except OSError as e:
            raise ExportError("cannot run tovrek (%s): %s" % (tovrek, e.strerror or e))
        if status != 0:
            raise ExportError("tovrek did not convert it: " + " ".join(lines))
        reports.extend(('INFO', "tovrek: " + line) for line in lines)
        reports.append(('INFO', "Wrote %s" % room_path))
    return reports
