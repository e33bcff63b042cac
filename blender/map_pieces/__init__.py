# Map Pieces: map pieces and whole catalogues in and out of Blender. Every
# piece is read and written by piecetool (through Blender's own glTF importer
# and exporter and temporary files), so this add-on holds no format code.
# Blender 3.4 reads bl_info; Blender 4.2 and later read blender_manifest.toml.
import bpy

from . import asset_library, operators, panel, preferences

bl_info = {
    "name": "Map Pieces",
    "author": "pieceviewer developers",
    "version": (1, 0, 0),
    "blender": (3, 4, 0),
    "location": "File > Import / Export > Map Piece; View3D > Sidebar > Map Pieces",
    "description": "Imports and exports map pieces and catalogues through piecetool",
    "category": "Import-Export",
}

classes = (*preferences.classes, *operators.classes, *asset_library.classes, *panel.classes)


def register():
    for cls in classes:
        bpy.utils.register_class(cls)
    panel.register_properties()
    operators.register_menus()


def unregister():
    operators.unregister_menus()
    panel.unregister_properties()
    for cls in reversed(classes):
        bpy.utils.unregister_class(cls)
