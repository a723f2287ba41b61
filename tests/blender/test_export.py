# The add-on as a level designer uses it: installed from its zip, File > Export,
# and one export that gives the room file, read back as the level editor reads it.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import unittest  # noqa: E402

import bpy  # noqa: E402
from common import (TOVREK, cube_object, empty_scene, install_addon, mesh_object, read_room,  # noqa: E402
                    run_tests, select_only, work_path)

install_addon()
from io_export_tovrek import export_x  # noqa: E402


def grid(name, nx, ny):
    """A flat grid of nx x ny quads, vertices row by row."""
    verts = [(x * 0.25, y * 0.25, 0) for y in range(ny + 1) for x in range(nx + 1)]
    faces = [(y * (nx + 1) + x, y * (nx + 1) + x + 1, (y + 1) * (nx + 1) + x + 1, (y + 1) * (nx + 1) + x)
             for y in range(ny) for x in range(nx)]
    return mesh_object(name, verts, faces)


def expected_room(obj, shared, flip, modifiers=True):
    """The room's vertices and faces, worked out from the mesh Blender holds."""
    source = obj.evaluated_get(bpy.context.evaluated_depsgraph_get()) if modifiers else obj
    me = source.to_mesh()
    polys = [list(p.vertices) for p in me.polygons]
    coords = [tuple(v.co) for v in me.vertices]
    source.to_mesh_clear()
    if shared:
        verts, faces = coords, polys
    else:
        verts = [coords[v] for f in polys for v in f]
        faces, n = [], 0
        for f in polys:
            faces.append(list(range(n, n + len(f))))
            n += len(f)
    if flip:
        faces = [f[:1] + f[:0:-1] for f in faces]
    return verts, faces


class Export(unittest.TestCase):
    def setUp(self):
        empty_scene()
        for name in os.listdir(work_path("")):
            if name.endswith((".x", ".orf")):
                os.remove(work_path(name))

    def export(self, name, **options):
        return bpy.ops.export_scene.tovrek_x(filepath=work_path(name + ".x"), **options)

    def assertRoom(self, name, obj, shared=True, flip=True, modifiers=True):
        verts, faces = read_room(work_path(name + ".orf"))
        want_verts, want_faces = expected_room(obj, shared, flip, modifiers)
        # The first face that differs, not a diff of lists too long for one.
        self.assertEqual(len(faces), len(want_faces))
        wrong = next((i for i, (got, want) in enumerate(zip(faces, want_faces)) if got != want), None)
        self.assertIsNone(wrong, wrong is not None and "face %d: %s, not %s" % (wrong, faces[wrong], want_faces[wrong]))
        self.assertEqual(len(verts), len(want_verts))
        for got, want in zip(verts, want_verts):
            for a, b in zip(got, want):
                self.assertAlmostEqual(a, b, delta=0.00006)  # four decimals, rounded
        return verts, faces

    def test_installed_from_the_zip_with_its_menu_entry_and_options(self):
        self.assertIn("io_export_tovrek", bpy.context.preferences.addons)
        self.assertTrue(any(getattr(f, "__module__", "").startswith("io_export_tovrek")
                            for f in bpy.types.TOPBAR_MT_file_export._dyn_ui_initialize()))
        props = bpy.ops.export_scene.tovrek_x.get_rna_type().properties
        defaults = {name: props[name].default for name in ("use_selection", "use_shared_vertices", "use_flip_z",
                                                           "use_transform", "use_modifiers", "convert_to_room")}
        self.assertEqual(defaults, {"use_selection": True, "use_shared_vertices": True, "use_flip_z": True,
                                    "use_transform": False, "use_modifiers": True, "convert_to_room": False})

    def test_export_alone_writes_no_room(self):
        cube_object()
        self.assertEqual(self.export("cube"), {'FINISHED'})
        self.assertTrue(os.path.isfile(work_path("cube.x")))
        self.assertFalse(os.path.exists(work_path("cube.orf")))

    def test_cube_mixed_and_modifier_meshes_become_rooms_in_one_export(self):
        cube = cube_object()
        mixed = mesh_object("Mixed", [(0, 0, 0), (1, 0, 0), (0, 1, 0), (1, 1, 0), (2, 0, 0), (2, 1, 0),
                                      (3, 0, 0), (3, 1, 0), (4, 0.5, 0), (3.5, 2, 0)],
                            [(0, 1, 2), (1, 4, 5, 3), (4, 6, 8, 7, 9, 5)])
        stacked = cube_object("Stacked")
        stacked.modifiers.new("Bevel", 'BEVEL').width = 0.1
        stacked.modifiers.new("Subdivision", 'SUBSURF').levels = 1
        stacked.modifiers.new("Array", 'ARRAY').count = 2
        for obj in (cube, mixed, stacked):
            for shared in (True, False):
                for flip in (True, False):
                    with self.subTest(obj=obj.name, shared=shared, flip=flip):
                        select_only(obj)
                        name = "%s-%d%d" % (obj.name, shared, flip)
                        self.export(name, use_shared_vertices=shared, use_flip_z=flip, convert_to_room=True)
                        self.assertRoom(name, obj, shared, flip)
        # The modifiers reached the room: bevel, subdivision and array make many more vertices.
        verts, _ = read_room(work_path("Stacked-11.orf"))
        self.assertGreater(len(verts), 8 * 8)

    def test_modifiers_can_be_left_out(self):
        stacked = cube_object("Stacked")
        stacked.modifiers.new("Array", 'ARRAY').count = 3
        self.export("plain", use_modifiers=False, convert_to_room=True)
        verts, faces = self.assertRoom("plain", stacked, modifiers=False)
        self.assertEqual((len(verts), len(faces)), (8, 6))
        self.export("applied", use_modifiers=True, convert_to_room=True)
        verts, faces = self.assertRoom("applied", stacked)
        self.assertEqual((len(verts), len(faces)), (24, 18))

    def test_conversion_reports_tovreks_console(self):
        cube_object()
        reports = export_x.save(bpy.context, work_path("cube.x"), convert_to_room=True, tovrek_path=TOVREK)
        self.assertIn(('INFO', "tovrek: Found 8 vertices"), reports)
        self.assertIn(('INFO', "tovrek: Found 6 faces"), reports)
        self.assertIn(('INFO', "tovrek: We're done!"), reports)
        self.assertIn(('INFO', "Wrote " + work_path("cube.orf")), reports)

    def test_tovreks_refusal_is_an_error_with_its_message(self):
        cube_object()
        os.makedirs(work_path("cube.orf"))  # a folder where the room file should go
        try:
            with self.assertRaises(RuntimeError) as raised:
                self.export("cube", convert_to_room=True)
            self.assertIn("tovrek did not convert it:", str(raised.exception))
            self.assertIn("cube.orf: cannot put the new room file in place", str(raised.exception))
        finally:
            os.rmdir(work_path("cube.orf"))

    def test_refusals_write_nothing(self):
        cases = []
        camera = bpy.data.objects.new("Camera", bpy.data.cameras.new("Camera"))
        bpy.context.scene.collection.objects.link(camera)
        cases.append(("a camera", camera, {}, "'Camera' is not a mesh object; a room is made from one mesh"))
        cases.append(("a mesh without faces", lambda: mesh_object("Points", [(0, 0, 0), (1, 0, 0)], []), {},
                      "'Points' has no faces; the level editor cannot load a room without faces"))
        cases.append(("33124 shared vertices", lambda: grid("Big", 181, 181), {},
                      "'Big' has 33124 vertices to write; a room file takes at most 32768"))
        cases.append(("32772 corners", lambda: grid("Corners", 8193, 1), {"use_shared_vertices": False},
                      "'Corners' has 32772 vertices to write (one per face corner: turn on Shared Vertices); "
                      "a room file takes at most 32768"))
        cases.append(("a face of 256 corners", lambda: mesh_object(
            "Disc", [(i, i % 7, 0) for i in range(256)], [tuple(range(256))]), {},
            "'Disc' has a face of 256 corners; a room file face holds at most 255"))
        for what, make, options, message in cases:
            with self.subTest(what):
                obj = make if not callable(make) else make()
                select_only(obj)
                with self.assertRaises(RuntimeError) as raised:
                    self.export("refused", convert_to_room=True, **options)
                self.assertIn(message, str(raised.exception))
                self.assertFalse(os.path.exists(work_path("refused.x")))
                self.assertFalse(os.path.exists(work_path("refused.orf")))

    def test_limits_at_the_edge_pass_and_beyond_warn(self):
        # 32768 vertices: indices up to 32767, the most a room file holds.
        big = grid("Edge", 255, 127)
        self.assertEqual(len(big.data.vertices), 32768)
        reports = export_x.save(bpy.context, work_path("edge.x"), convert_to_room=True, tovrek_path=TOVREK)
        warnings = [m for level, m in reports if level == 'WARNING']
        self.assertEqual(warnings, ["Warning: the room has 32768 vertices; the level editor takes at most 10000.",
                                    "Warning: the room has 32385 faces; the level editor takes at most 3000."])
        self.assertIn(('INFO', "tovrek: " + warnings[0]), reports)
        self.assertRoom("edge", big)

        empty_scene()
        disc = mesh_object("Disc", [(i, i % 7, 0) for i in range(65)], [tuple(range(65))])
        reports = export_x.save(bpy.context, work_path("disc.x"), convert_to_room=True, tovrek_path=TOVREK)
        self.assertIn(('WARNING', "Warning: the room has a face of 65 corners; the level editor takes at most 64 "
                                  "per face."), reports)
        self.assertRoom("disc", disc)

    def test_several_selected_meshes_export_the_active_one_with_a_warning(self):
        first = cube_object("First")
        second = cube_object("Second")
        second.modifiers.new("Array", 'ARRAY').count = 2
        first.select_set(True)
        bpy.context.view_layer.objects.active = second
        reports = export_x.save(bpy.context, work_path("two.x"), convert_to_room=True, tovrek_path=TOVREK)
        self.assertIn(('WARNING', "2 mesh objects; a room is one mesh, so only 'Second' is exported"), reports)
        self.assertRoom("two", second)

    def test_whole_scene_when_not_only_the_selection(self):
        cube = cube_object()
        cube.select_set(False)
        with self.assertRaises(RuntimeError):
            self.export("none")
        self.assertEqual(self.export("scene", use_selection=False, convert_to_room=True), {'FINISHED'})
        self.assertRoom("scene", cube)

    def test_tovrek_that_cannot_be_run_is_an_error(self):
        cube_object()
        with self.assertRaises(export_x.ExportError) as raised:
            export_x.save(bpy.context, work_path("cube.x"), convert_to_room=True,
                          tovrek_path=work_path("no-such-tovrek"))
        self.assertIn("cannot run tovrek", str(raised.exception))


run_tests(Export)
