# Shared by the Blender tests: the add-on installed from its zip, scenes built
# in a fixed order, and room files read back the way the level editor reads them.
import os
import struct
import sys
import unittest

import bpy

ZIP, TOVREK, WORK = sys.argv[sys.argv.index("--") + 1:][:3]


def install_addon():
    bpy.ops.preferences.addon_install(filepath=ZIP)
    bpy.ops.preferences.addon_enable(module="io_export_tovrek")
    bpy.context.preferences.addons["io_export_tovrek"].preferences.tovrek_path = TOVREK


def empty_scene():
    for obj in list(bpy.data.objects):
        bpy.data.objects.remove(obj)
    for mesh in list(bpy.data.meshes):
        bpy.data.meshes.remove(mesh)
    for mat in list(bpy.data.materials):
        bpy.data.materials.remove(mat)


def mesh_object(name, verts, faces, materials=(), face_materials=None, uvs=None):
    """A mesh object in the scene, selected and active, made exactly as stated."""
    me = bpy.data.meshes.new(name)
    me.from_pydata(verts, [], faces)
    for mat in materials:
        me.materials.append(mat)
    if face_materials:
        for poly, index in zip(me.polygons, face_materials):
            poly.material_index = index
    if uvs:
        layer = me.uv_layers.new(name="UVMap")
        for loop, uv in zip(layer.data, uvs):
            loop.uv = uv
    me.update()
    obj = bpy.data.objects.new(name, me)
    bpy.context.scene.collection.objects.link(obj)
    select_only(obj)
    return obj


def select_only(obj):
    """Selects `obj` alone and makes it the active object."""
    # The view layer lists a newly linked object only after an update.
    bpy.context.view_layer.update()
    for other in bpy.context.view_layer.objects:
        other.select_set(other == obj)
    bpy.context.view_layer.objects.active = obj


def cube_object(name="Cube", materials=()):
    verts = [(1, 1, -1), (1, -1, -1), (-1, -1, -1), (-1, 1, -1), (1, 1, 1), (1, -1, 1), (-1, -1, 1), (-1, 1, 1)]
    faces = [(0, 1, 2, 3), (4, 7, 6, 5), (0, 4, 5, 1), (1, 5, 6, 2), (2, 6, 7, 3), (4, 0, 3, 7)]
    return mesh_object(name, verts, faces, materials)


def read_room(path):
    """(vertices, faces) of a room file, every chunk length checked."""
    with open(path, "rb") as f:
        data = f.read()
    at = 0

    def take(fmt):
        nonlocal at
        values = struct.unpack_from("<" + fmt, data, at)
        at += struct.calcsize("<" + fmt)
        return values

    verts, faces, counts = [], [], (0, 0)
    while True:
        tag, length = take("ii")
        if tag == 3:
            assert length == 4 and at == len(data), "end chunk"
            return verts, faces
        start = at
        if tag == 5:
            version, nv, nf = take("iii")
            assert version == 4
            counts = (nv, nf)
        elif tag == 1:
            verts = [take("fff") for _ in range(counts[0])]
        elif tag == 2:
            for _ in range(counts[1]):
                light, n = take("Bi")
                assert light == 4
                take("fffh")
                face = []
                for _ in range(n):
                    face.append(take("h")[0])
                    assert take("fffffff") == (1, 1, 0, 0, 0, 0, 1)
                faces.append(face)
        else:
            raise AssertionError("unknown chunk %d" % tag)
        assert at - start == length, "chunk %d length" % tag


def run_tests(*cases):
    suite = unittest.TestSuite()
    for case in cases:
        suite.addTests(unittest.defaultTestLoader.loadTestsFromTestCase(case))
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    if not result.wasSuccessful():
        raise SystemExit(1)


def work_path(name):
    return os.path.join(WORK, name)
