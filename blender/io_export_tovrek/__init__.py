bl_info = {
    "name": "DirectX for tovrek",
    "author": "tovrek",
    "version": (0, 9, 0),
    "blender": (3, 0, 0),
    "location": "File > Export > DirectX for tovrek (.x)",
    "description": "Export one mesh as DirectX text for tovrek, and convert it to a Descent 3 room",
    "category": "Import-Export",
}

if "bpy" in locals():
    import importlib
    importlib.reload(export_x)  # noqa: F821

import bpy
from bpy.props import BoolProperty, StringProperty
from bpy_extras.io_utils import ExportHelper

from . import export_x


class TovrekPreferences(bpy.types.AddonPreferences):
    bl_idname = __package__

    tovrek_path: StringProperty(
        name="tovrek",
        description="The tovrek program. Empty: tovrek on PATH, or beside this add-on",
        subtype='FILE_PATH',
        default="",
    )

    def draw(self, context):
        self.layout.prop(self, "tovrek_path")


class ExportTovrekX(bpy.types.Operator, ExportHelper):
    """Export one mesh as DirectX text in the layout tovrek reads"""
    bl_idname = "export_scene.tovrek_x"
    bl_label = "Export DirectX for tovrek"
    bl_options = {'PRESET'}

    filename_ext = ".x"
    filter_glob: StringProperty(default="*.x", options={'HIDDEN'})

    use_selection: BoolProperty(
        name="Selection Only",
        description="Export the selected mesh (the active one when several are selected); "
                    "otherwise the scene's mesh",
        default=True,
    )
    use_shared_vertices: BoolProperty(
        name="Shared Vertices",
        description="Write each vertex once, so that no extra vertices reach the level editor; "
                    "off writes one vertex per face corner, as Blender 2.4x did",
        default=True,
    )
    use_flip_z: BoolProperty(
        name="Flip Z",
        description="Mirror z in the root frame and turn each face around to match, as Blender 2.4x did",
        default=True,
    )
    use_transform: BoolProperty(
        name="Apply Transform",
        description="Write world coordinates; off writes the object's own coordinates, as Blender 2.4x did",
        default=False,
    )
    use_modifiers: BoolProperty(
        name="Apply Modifiers",
        description="Write the mesh with its modifiers applied",
        default=True,
    )
    convert_to_room: BoolProperty(
        name="Convert to Room",
        description="Run tovrek on the exported file and write the room file (.orf) beside it",
        default=False,
    )

    def execute(self, context):
        prefs = context.preferences.addons[__package__].preferences
        try:
            reports = export_x.save(
                context, self.filepath,
                use_selection=self.use_selection,
                use_shared_vertices=self.use_shared_vertices,
                use_flip_z=self.use_flip_z,
                use_transform=self.use_transform,
                use_modifiers=self.use_modifiers,
                convert_to_room=self.convert_to_room,
                tovrek_path=prefs.tovrek_path,
            )
        except export_x.ExportError as e:
            self.report({'ERROR'}, str(e))
            return {'CANCELLED'}
        for level, message in reports:
            self.report({level}, message)
        return {'FINISHED'}


def menu_func_export(self, context):
    self.layout.operator(ExportTovrekX.bl_idname, text="DirectX for tovrek (.x)")


classes = (TovrekPreferences, ExportTovrekX)


def register():
    for cls in classes:
        bpy.utils.register_class(cls)
    bpy.types.TOPBAR_MT_file_export.append(menu_func_export)


def unregister():
    bpy.types.TOPBAR_MT_file_export.remove(menu_func_export)
    for cls in reversed(classes):
        bpy.utils.unregister_class(cls)
