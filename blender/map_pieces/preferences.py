# The add-on's preferences: where piecetool is (empty: found by itself) with
# the version found there, and the last catalogue folders used, which the
# operators' dialogs start from.
import bpy
from bpy.props import StringProperty

from . import piecetool


def preferences(context=None):
    context = context or bpy.context
    return context.preferences.addons[__package__].preferences


def remember_folders(context, profiles, models, textures):
    prefs = preferences(context)
    if (prefs.last_profiles, prefs.last_models, prefs.last_textures) != (profiles, models, textures):
        prefs.last_profiles, prefs.last_models, prefs.last_textures = profiles, models, textures
        # Saved with the other preferences when Blender saves them.
        context.preferences.is_dirty = True


class MAP_PIECES_OT_check_piecetool(bpy.types.Operator):
    """Find piecetool and show its version"""
    bl_idname = "map_pieces.check_piecetool"
    bl_label = "Check"

    def execute(self, context):
        prefs = preferences(context)
        try:
            path, found = piecetool.version(prefs.piecetool_path)
        except piecetool.PiecetoolError as error:
            prefs.found_version = "not found"
            self.report({'ERROR'}, str(error))
            return {'CANCELLED'}
        prefs.found_version = f"{found} ({path})"
        self.report({'INFO'}, f"piecetool {found} at {path}")
        return {'FINISHED'}


class MapPiecesPreferences(bpy.types.AddonPreferences):
    bl_idname = __package__

    piecetool_path: StringProperty(
        name="piecetool path", subtype='FILE_PATH',
        description="The piecetool program; empty to use the add-on's own copy, then the PATH, "
                    "then /usr/bin/piecetool")
    found_version: StringProperty(name="Found", default="not checked yet")
    last_profiles: StringProperty(name="Last profiles folder", subtype='DIR_PATH')
    last_models: StringProperty(name="Last models folder", subtype='DIR_PATH')
    last_textures: StringProperty(name="Last textures folder", subtype='DIR_PATH')

    def draw(self, context):
        layout = self.layout
        row = layout.row()
        row.prop(self, "piecetool_path")
        row.operator(MAP_PIECES_OT_check_piecetool.bl_idname)
        layout.label(text=f"Found: {self.found_version}")
        column = layout.column(heading="Last folders")
        column.prop(self, "last_profiles")
        column.prop(self, "last_models")
        column.prop(self, "last_textures")


classes = (MAP_PIECES_OT_check_piecetool, MapPiecesPreferences)
