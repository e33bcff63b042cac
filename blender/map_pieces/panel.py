# The sidebar panel (View3D > Sidebar > Map Pieces): the catalogue's three
# folders, the operators, the last check's findings and the catalogue site.
import bpy
from bpy.props import CollectionProperty, PointerProperty, StringProperty


class MapPiecesFinding(bpy.types.PropertyGroup):
    severity: StringProperty()
    code: StringProperty()
    piece: StringProperty()
    profile: StringProperty()
    message: StringProperty()


class MapPiecesSettings(bpy.types.PropertyGroup):
    profiles_folder: StringProperty(name="Profiles", subtype='DIR_PATH')
    models_folder: StringProperty(name="Models", subtype='DIR_PATH')
    textures_folder: StringProperty(name="Textures", subtype='DIR_PATH')
    findings: CollectionProperty(type=MapPiecesFinding)
    checked: StringProperty(name="Last check")


SEVERITY_ICONS = {"error": 'ERROR', "warning": 'INFO', "info": 'DOT'}


class VIEW3D_PT_map_pieces(bpy.types.Panel):
    bl_label = "Map Pieces"
    bl_idname = "VIEW3D_PT_map_pieces"
    bl_space_type = 'VIEW_3D'
    bl_region_type = 'UI'
    bl_category = "Map Pieces"

    def draw(self, context):
        layout = self.layout
        settings = context.scene.map_pieces
        column = layout.column(align=True)
        column.prop(settings, "profiles_folder")
        column.prop(settings, "models_folder")
        column.prop(settings, "textures_folder")
        column = layout.column(align=True)
        column.operator("import_scene.map_piece", text="Import Piece", icon='IMPORT')
        column.operator("map_pieces.import_catalogue", text="Import Catalogue", icon='IMPORT')
        column.operator("export_scene.map_piece", text="Export Piece", icon='EXPORT')
        column.operator("map_pieces.check_catalogue", text="Check Catalogue", icon='CHECKMARK')
        column.operator("map_pieces.make_asset_library", text="Make Asset Library",
                        icon='ASSET_MANAGER')
        column.operator("map_pieces.open_site", text="Open catalogue site", icon='URL')
        if settings.checked:
            box = layout.box()
            for part in settings.checked.split(", "):
                box.label(text=part)
            for finding in settings.findings:
                row = box.row()
                row.label(text=f"{finding.severity}: {finding.piece}",
                          icon=SEVERITY_ICONS.get(finding.severity, 'DOT'))
                box.label(text=f"    {finding.message}")


classes = (MapPiecesFinding, MapPiecesSettings, VIEW3D_PT_map_pieces)


def register_properties():
    bpy.types.Scene.map_pieces = PointerProperty(type=MapPiecesSettings)


def unregister_properties():
    del bpy.types.Scene.map_pieces
