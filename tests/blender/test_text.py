# The .x text the add-on writes, line by line, against the layout that
# Blender 2.4x's DirectX exporter wrote and tovrek reads.
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import unittest  # noqa: E402

import bpy  # noqa: E402
from common import cube_object, empty_scene, install_addon, mesh_object, run_tests  # noqa: E402

install_addon()
from io_export_tovrek import export_x  # noqa: E402

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

ROOT_FLIPPED = """Frame RootFrame {

  FrameTransformMatrix {
    1.000000, 0.000000, 0.000000, 0.000000,
    0.000000, 1.000000, 0.000000, 0.000000,
    0.000000, 0.000000, -1.000000, 0.000000,
    0.000000, 0.000000, 0.000000, 1.000000;;
  }
"""

IDENTITY = """  FrameTransformMatrix {
    1.000000, 0.000000, 0.000000, 0.000000,
    0.000000, 1.000000, 0.000000, 0.000000,
    0.000000, 0.000000, 1.000000, 0.000000,
    0.000000, 0.000000, 0.000000, 1.000000;;
  }
"""

DEFAULT_MATERIAL = """  Material Material {
    0.800000; 0.800000; 0.800000;1.0;;
    0.500000;
    1.000000; 1.000000; 1.000000;;
    0.0; 0.0; 0.0;;
  }
"""

END = "}\n}\n}\n"

# The example cube, one vertex per corner and z flipped, as Blender 2.4x exported it.
CUBE = HEADER + ROOT_FLIPPED + "Frame Cube {\n\n" + IDENTITY + """Mesh {
24;
1.000000; 1.000000; -1.000000;,
1.000000; -1.000000; -1.000000;,
-1.000000; -1.000000; -1.000000;,
-1.000000; 1.000000; -1.000000;,
1.000000; 1.000000; 1.000000;,
-1.000000; 1.000000; 1.000000;,
-1.000000; -1.000000; 1.000000;,
1.000000; -1.000000; 1.000000;,
1.000000; 1.000000; -1.000000;,
1.000000; 1.000000; 1.000000;,
1.000000; -1.000000; 1.000000;,
1.000000; -1.000000; -1.000000;,
1.000000; -1.000000; -1.000000;,
1.000000; -1.000000; 1.000000;,
-1.000000; -1.000000; 1.000000;,
-1.000000; -1.000000; -1.000000;,
-1.000000; -1.000000; -1.000000;,
-1.000000; -1.000000; 1.000000;,
-1.000000; 1.000000; 1.000000;,
-1.000000; 1.000000; -1.000000;,
1.000000; 1.000000; 1.000000;,
1.000000; 1.000000; -1.000000;,
-1.000000; 1.000000; -1.000000;,
-1.000000; 1.000000; 1.000000;;

6;
4; 0, 3, 2, 1;,
4; 4, 7, 6, 5;,
4; 8, 11, 10, 9;,
4; 12, 15, 14, 13;,
4; 16, 19, 18, 17;,
4; 20, 23, 22, 21;;

  MeshMaterialList {
    1;
    6;
    0,
    0,
    0,
    0,
    0,
    0;;
""" + DEFAULT_MATERIAL + """  }  //End of MeshMaterialList
  MeshNormals {
24;
0.000000; 0.000000; -1.000000;,
0.000000; 0.000000; -1.000000;,
0.000000; 0.000000; -1.000000;,
0.000000; 0.000000; -1.000000;,
0.000000; 0.000000; 1.000000;,
0.000000; 0.000000; 1.000000;,
0.000000; 0.000000; 1.000000;,
0.000000; 0.000000; 1.000000;,
1.000000; 0.000000; 0.000000;,
1.000000; 0.000000; 0.000000;,
1.000000; 0.000000; 0.000000;,
1.000000; 0.000000; 0.000000;,
0.000000; -1.000000; 0.000000;,
0.000000; -1.000000; 0.000000;,
0.000000; -1.000000; 0.000000;,
0.000000; -1.000000; 0.000000;,
-1.000000; 0.000000; 0.000000;,
-1.000000; 0.000000; 0.000000;,
-1.000000; 0.000000; 0.000000;,
-1.000000; 0.000000; 0.000000;,
0.000000; 1.000000; 0.000000;,
0.000000; 1.000000; 0.000000;,
0.000000; 1.000000; 0.000000;,
0.000000; 1.000000; 0.000000;;
6;
4; 0, 3, 2, 1;,
4; 4, 7, 6, 5;,
4; 8, 11, 10, 9;,
4; 12, 15, 14, 13;,
4; 16, 19, 18, 17;,
4; 20, 23, 22, 21;;
  }  //End of MeshNormals
""" + END

# A triangle, a quad and an 8-corner n-gon with shared vertices, two
# materials, UVs, and grid values whose rounding ties go away from zero.
MIXED = HEADER + ROOT_FLIPPED + "Frame _3_mixed_faces {\n\n" + IDENTITY + """Mesh {
14;
0.000000; 0.000000; 0.000000;,
1.000000; 0.000000; 0.000000;,
0.000000; 1.000000; 0.000000;,
1.000000; 1.000000; 0.000000;,
2.031300; -0.156300; 0.000000;,
2.000000; 1.000000; 0.000000;,
4.000000; 0.500000; 0.000000;,
3.707100; 1.207100; 0.000000;,
3.000000; 1.500000; 0.000000;,
2.292900; 1.207100; 0.000000;,
2.000000; 0.500000; 0.000000;,
2.292900; -0.207100; 0.000000;,
3.000000; -0.500000; 0.000000;,
3.707100; -0.207100; 0.000000;;

3;
3; 0, 2, 1;,
4; 1, 3, 5, 4;,
8; 6, 13, 12, 11, 10, 9, 8, 7;;

  MeshMaterialList {
    2;
    3;
    0,
    1,
    1;;
  Material Red_Brick_001 {
    0.750000; 0.125000; 0.062500;1.0;;
    0.250000;
    0.500000; 0.500000; 0.500000;;
    0.0; 0.0; 0.0;;
  }
  Material _2nd {
    0.800000; 0.800000; 0.800000;1.0;;
    0.500000;
    1.000000; 1.000000; 1.000000;;
    0.0; 0.0; 0.0;;
  }
  }  //End of MeshMaterialList
  MeshNormals {
14;
""" + "0.000000; 0.000000; 1.000000;,\n" * 13 + """0.000000; 0.000000; 1.000000;;
3;
3; 0, 2, 1;,
4; 1, 3, 5, 4;,
8; 6, 13, 12, 11, 10, 9, 8, 7;;
  }  //End of MeshNormals
MeshTextureCoords {
14;
0.000000;0.000000;,
1.000000;0.000000;,
0.000000;-1.000000;,
1.000000;-1.000000;,
0.031300;0.000000;,
0.500000;-1.000000;,
0.000000;-0.500000;,
0.125000;-0.500000;,
0.250000;-0.500000;,
0.375000;-0.500000;,
0.500000;-0.500000;,
0.625000;-0.500000;,
0.750000;-0.500000;,
0.875000;-0.500000;;
}  //End of MeshTextureCoords
""" + END


def triangle_text(frame, vertex_lines, root):
    return HEADER + root + "Frame Tri {\n\n" + frame + "Mesh {\n3;\n" + vertex_lines + """
1;
3; 0, 2, 1;;

  MeshMaterialList {
    1;
    1;
    0;;
""" + DEFAULT_MATERIAL + """  }  //End of MeshMaterialList
  MeshNormals {
3;
0.000000; 0.000000; 1.000000;,
0.000000; 0.000000; 1.000000;,
0.000000; 0.000000; 1.000000;;
1;
3; 0, 2, 1;;
  }  //End of MeshNormals
""" + END


LOCAL_TRIANGLE = "0.000000; 0.000000; 0.000000;,\n1.000000; 0.000000; 0.000000;,\n0.000000; 1.000000; 0.000000;;\n"


def text_of(obj, **options):
    gather = {k: options.pop(k) for k in ("use_modifiers", "use_transform") if k in options}
    mesh = export_x.gather(obj, bpy.context.evaluated_depsgraph_get(), **gather)
    return export_x.x_text(mesh, **options)


class ExactText(unittest.TestCase):
    def setUp(self):
        empty_scene()

    def assertText(self, got, expected):
        # Line by line first, so that a failure names the line.
        self.assertEqual(got.splitlines(), expected.splitlines())
        self.assertEqual(got, expected)

    def test_cube_in_the_old_layout(self):
        cube = cube_object(materials=[bpy.data.materials.new("Material")])
        self.assertText(text_of(cube, use_shared_vertices=False, use_flip_z=True), CUBE)

    def test_mixed_mesh_of_triangles_quads_and_an_ngon(self):
        red = bpy.data.materials.new("Red Brick.001")
        red.diffuse_color = (0.75, 0.125, 0.0625, 1)
        red.specular_intensity = 0.25
        red.specular_color = (0.5, 0.5, 0.5)
        second = bpy.data.materials.new("2nd")
        octagon = [(3 + math.cos(k * math.pi / 4), 0.5 + math.sin(k * math.pi / 4), 0) for k in range(8)]
        verts = [(0, 0, 0), (1, 0, 0), (0, 1, 0), (1, 1, 0), (2.03125, -0.15625, 0), (2, 1, 0)] + octagon
        faces = [(0, 1, 2), (1, 4, 5, 3), tuple(range(6, 14))]
        uvs = [(0, 0), (1, 0), (0, 1), (1, 0), (0.03125, 0), (0.5, 1), (1, 1)] + [(k / 8, 0.5) for k in range(8)]
        mixed = mesh_object("3 mixed.faces", verts, faces, [red, second], [0, 1, 1], uvs)
        self.assertText(text_of(mixed), MIXED)

    def test_mesh_without_materials_gets_the_default_one(self):
        tri = mesh_object("Tri", [(0, 0, 0), (1, 0, 0), (0, 1, 0)], [(0, 1, 2)])
        root = ROOT_FLIPPED.replace("-1.000000", "1.000000")
        expected = triangle_text(IDENTITY, LOCAL_TRIANGLE, root).replace("3; 0, 2, 1;;", "3; 0, 1, 2;;")
        self.assertText(text_of(tri, use_flip_z=False), expected)

    def test_rotated_scaled_object_with_and_without_its_transform(self):
        tri = mesh_object("Tri", [(0, 0, 0), (1, 0, 0), (0, 1, 0)], [(0, 1, 2)])
        tri.rotation_euler = (0, 0, math.pi / 2)
        tri.scale = (2, 2, 2)
        tri.location = (1, 2, 3)
        bpy.context.view_layer.update()
        # Off: the object's own coordinates, and its matrix in the frame (row vectors).
        frame = """  FrameTransformMatrix {
    0.000000, 2.000000, 0.000000, 0.000000,
    -2.000000, 0.000000, 0.000000, 0.000000,
    0.000000, 0.000000, 2.000000, 0.000000,
    1.000000, 2.000000, 3.000000, 1.000000;;
  }
"""
        self.assertText(text_of(tri, use_transform=False), triangle_text(frame, LOCAL_TRIANGLE, ROOT_FLIPPED))
        # On: world coordinates, and nothing left for the frame to do.
        world = "1.000000; 2.000000; 3.000000;,\n1.000000; 4.000000; 3.000000;,\n-1.000000; 2.000000; 3.000000;;\n"
        self.assertText(text_of(tri, use_transform=True), triangle_text(IDENTITY, world, ROOT_FLIPPED))

    def test_rounding_is_away_from_zero_at_ties(self):
        for value, text in ((0.03125, "0.031300"), (-0.03125, "-0.031300"), (2.00005, "2.000100"),
                            (0.15625, "0.156300"), (0.00004, "0.000000"), (-0.00005, "-0.000100")):
            self.assertEqual(export_x.num(value), text, value)

    def test_names_as_the_text_takes_them(self):
        for name, text in (("Cube", "Cube"), ("Cube.001", "Cube_001"), ("my room", "my_room"), ("1st", "_1st")):
            self.assertEqual(export_x.x_name(name), text)


run_tests(ExactText)
