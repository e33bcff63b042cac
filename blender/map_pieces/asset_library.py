# A catalogue as a Blender asset library: every listed piece an object marked
# as an asset, its preview the picture piecetool render draws (Blender's own
# preview rendering needs a display, which a headless run has not), tagged
# with its profile's name and texture count, in an asset catalogue named
# after the catalogue, written to a .blend with blender_assets.cats.txt
# beside it. Used by the operator and by make_asset_library.py.
import array
import os
import tempfile
import uuid

import bpy
from bpy.props import StringProperty

from . import pieces, piecetool

CATS_FILE = "blender_assets.cats.txt"
CATS_HEADER = """# This is an Asset Catalog Definition file for Blender.
#
# Empty lines and lines starting with `#` will be ignored.
# The first non-ignored line should be the version indicator.
# Other lines are of the format "UUID:catalog/path/for/assets:simple catalog name"

VERSION 1

"""


def catalogue_name(profiles):
    """The profile folder's name; for a folder called just "profiles", the
    name of the folder that holds it (maps/profiles gives "maps")."""
    folder = os.path.normpath(profiles)
    name = os.path.basename(folder)
    if name.lower() == "profiles" and os.path.basename(os.path.dirname(folder)):
        name = os.path.basename(os.path.dirname(folder))
    # Catalogue paths separate levels with "/", and the file's fields with ":".
    return name.replace("/", "_").replace(":", "_").replace("\\", "_") or "pieces"


def catalogue_id(cats_path, name):
    """The UUID of the catalogue `name` in the definition file, added to the
    file (made when missing) when it is not there yet; other catalogues of
    the file are kept."""
    lines = []
    if os.path.isfile(cats_path):
        with open(cats_path, encoding="utf-8") as existing:
            lines = existing.read().splitlines()
        for line in lines:
            fields = line.split(":")
            if len(fields) >= 3 and not line.startswith("#") and fields[1] == name:
                return fields[0]
    identifier = str(uuid.uuid4())
    text = ("\n".join(lines) + "\n") if lines else CATS_HEADER
    text += f"{identifier}:{name}:{name}\n"
    temporary = cats_path + ".tmp"
    with open(temporary, "w", encoding="utf-8", newline="\n") as out:
        out.write(text)
    os.replace(temporary, cats_path)
    return identifier


def set_preview(obj, png):
    """The object's asset preview: the pixels of the PNG as they are. The
    picture read stays until the library is written: removing a data-block
    makes Blender look through the whole file, so all go in one batch."""
    image = bpy.data.images.load(png, check_existing=False)
    width, height = image.size
    pixels = array.array("f", bytes(4 * 4 * width * height))
    image.pixels.foreach_get(pixels)
    preview = obj.preview_ensure()
    preview.image_size = (width, height)
    preview.image_pixels_float.foreach_set(pixels)


def write_library(context, configured, folders, filepath, report=None):
    """Writes the library; returns (assets written, pieces listed)."""
    filepath = os.path.abspath(bpy.path.abspath(filepath))
    if not filepath.lower().endswith(".blend"):
        raise piecetool.PiecetoolError(f"{filepath}: an asset library is a .blend file")
    out_folder = os.path.dirname(filepath)
    if not os.path.isdir(out_folder):
        raise piecetool.PiecetoolError(f"the folder {out_folder} does not exist")
    listed = pieces.listed_pieces(configured, folders)
    with tempfile.TemporaryDirectory(prefix="map_pieces_") as scratch:
        glbs = os.path.join(scratch, "glb")
        pictures = os.path.join(scratch, "png")
        exported = piecetool.run(configured, "export", *folders, glbs, accept=(0, 1))
        drawn = piecetool.run(configured, "render", *folders, pictures, accept=(0, 1))
        if report:
            for line in exported.warnings + drawn.warnings:
                report({'WARNING'}, line)
        before = {kind: set(getattr(bpy.data, kind))
                  for kind in ("objects", "meshes", "materials", "images", "textures")}
        assets = []
        reader = pieces.ScratchScene().__enter__()
        try:
            identifier = None
            wm = context.window_manager
            wm.progress_begin(0, max(len(listed), 1))
            for done, piece in enumerate(listed):
                glb = os.path.join(glbs, piece["stem"] + ".glb")
                if not os.path.isfile(glb):
                    if report:
                        report({'WARNING'}, f"{piece['name']} ({piece['profile']}): not exported, "
                                            "left out of the library")
                    continue
                obj = pieces.piece_object(reader.import_glb(glb), piece["name"])
                pieces.mark_piece(obj, piece["name"], os.path.join(folders[0], piece["profile"]),
                                  folders[1], folders[2])
                reader.take(obj, None)
                obj.asset_mark()
                obj.asset_data.tags.new(piece["profile"])
                obj.asset_data.tags.new(f"{piece['textures']} textures")
                obj.asset_data.description = f"{piece['name']} ({piece['profile']})"
                png = os.path.join(pictures, piece["stem"] + ".png")
                if os.path.isfile(png):
                    set_preview(obj, png)
                assets.append(obj)
                wm.progress_update(done + 1)
            identifier = catalogue_id(os.path.join(out_folder, CATS_FILE),
                                      catalogue_name(folders[0]))
            for obj in assets:
                obj.asset_data.catalog_id = identifier
            temporary = filepath + ".tmp.blend"
            bpy.data.libraries.write(temporary, set(assets), fake_user=True, compress=True)
            os.replace(temporary, filepath)
        finally:
            context.window_manager.progress_end()
            reader.__exit__()
            # The scene is left as it was: what the import made goes again.
            bpy.data.batch_remove([block for kind, old in before.items()
                                   for block in getattr(bpy.data, kind) if block not in old])
    return len(assets), len(listed)


class MAP_PIECES_OT_make_asset_library(bpy.types.Operator):
    """Write the catalogue as a .blend asset library, each piece an asset with its picture"""
    bl_idname = "map_pieces.make_asset_library"
    bl_label = "Make Asset Library"

    profiles_folder: StringProperty(name="Profiles", subtype='DIR_PATH')
    models_folder: StringProperty(name="Models", subtype='DIR_PATH')
    textures_folder: StringProperty(name="Textures", subtype='DIR_PATH')
    filepath: StringProperty(name="Library", subtype='FILE_PATH')
    filter_glob: StringProperty(default="*.blend", options={'HIDDEN'})

    def invoke(self, context, event):
        from .operators import CatalogueFolderProps
        CatalogueFolderProps.fill_from_panel(self, context)
        if not self.filepath:
            self.filepath = "pieces.blend"
        context.window_manager.fileselect_add(self)
        return {'RUNNING_MODAL'}

    def execute(self, context):
        from .operators import configured_path, resolve_folders
        from .preferences import remember_folders
        if not self.filepath:
            self.report({'ERROR'}, "Choose the .blend file of the library")
            return {'CANCELLED'}
        try:
            folders = resolve_folders(context, self)
            written, listed = write_library(context, configured_path(context), folders,
                                            self.filepath, self.report)
        except piecetool.PiecetoolError as error:
            self.report({'ERROR'}, str(error))
            return {'CANCELLED'}
        remember_folders(context, *folders)
        self.report({'INFO'}, f"{written} of {listed} pieces written as assets to {self.filepath}")
        return {'FINISHED'}


classes = (MAP_PIECES_OT_make_asset_library,)
