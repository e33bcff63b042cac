# The operators: pieces and catalogues in (File > Import), a piece out (File >
# Export), a catalogue checked, and its site written and opened. Each runs
# piecetool on temporary files that it removes; a refusal of piecetool is an
# error report with piecetool's own message, and nothing is written.
import os
import tempfile

import bpy
from bpy.props import BoolProperty, CollectionProperty, FloatProperty, IntProperty, StringProperty
from bpy_extras.io_utils import ImportHelper

from . import pieces, piecetool
from .preferences import preferences, remember_folders


def configured_path(context):
    return preferences(context).piecetool_path


def last_folders(context):
    prefs = preferences(context)
    return prefs.last_profiles, prefs.last_models, prefs.last_textures


def panel_folders(context):
    settings = context.scene.map_pieces
    return settings.profiles_folder, settings.models_folder, settings.textures_folder


def resolve_folders(context, operator):
    """The operator's three folders; empty ones from the sidebar panel, then
    beside the profile folder, then the preferences' last folders."""
    given = [operator.profiles_folder, operator.models_folder, operator.textures_folder]
    panel = panel_folders(context)
    given = [g or p for g, p in zip(given, panel)]
    return pieces.catalogue_folders(*given, last_folders(context))


def report_warnings(operator, run):
    for line in run.warnings:
        operator.report({'WARNING'}, line)


class Progress:
    """Blender's progress indicator over a run of `total` steps."""

    def __init__(self, context, total):
        self.wm = context.window_manager
        self.wm.progress_begin(0, max(total, 1))

    def __enter__(self):
        return self

    def step(self, done):
        self.wm.progress_update(done)

    def __exit__(self, *exc):
        self.wm.progress_end()
        return False


class CatalogueFolderProps:
    profiles_folder: StringProperty(name="Profiles", subtype='DIR_PATH',
                                    description="The folder of the pieces' .prt profiles")
    models_folder: StringProperty(name="Models", subtype='DIR_PATH',
                                  description="The folder of the .msm models")
    textures_folder: StringProperty(name="Textures", subtype='DIR_PATH',
                                    description="The folder of the .txr textures")

    def fill_from_panel(self, context):
        for name, value in zip(("profiles_folder", "models_folder", "textures_folder"),
                               panel_folders(context)):
            if not getattr(self, name):
                setattr(self, name, value)
        for name, value in zip(("profiles_folder", "models_folder", "textures_folder"),
                               last_folders(context)):
            if not getattr(self, name):
                setattr(self, name, value)


def import_pieces(context, operator, folders, listed, collection_per_piece, whole=False):
    """Imports the listed pieces (piecetool export into a temporary folder,
    then Blender's glTF importer): the objects in list order, and the pieces
    piecetool could not export with its finding for each. `whole`: the list
    is the whole catalogue, exported in one run without naming each piece."""
    configured = configured_path(context)
    objects, skipped = [], []
    with tempfile.TemporaryDirectory(prefix="map_pieces_") as scratch:
        arguments = ["export", *folders, scratch]
        if not whole:
            for piece in listed:
                arguments += ["--piece", piece["profile"]]
        # Exit code 1: some pieces could not be exported (their findings say
        # why); the others are there.
        run = piecetool.run(configured, *arguments, accept=(0, 1))
        report_warnings(operator, run)
        findings = [line.strip() for line in run.stdout.splitlines()
                    if line.startswith("error ")]
        target = context.collection
        with Progress(context, len(listed)) as progress, pieces.ScratchScene() as reader:
            for done, piece in enumerate(listed):
                glb = os.path.join(scratch, piece["stem"] + ".glb")
                if not os.path.isfile(glb):
                    said = [f for f in findings if f"({piece['profile']})" in f]
                    skipped.append((piece, said[0] if said else "not exported"))
                    continue
                obj = pieces.piece_object(reader.import_glb(glb), piece["name"])
                pieces.mark_piece(obj, piece["name"], os.path.join(folders[0], piece["profile"]),
                                  folders[1], folders[2])
                collection = target
                if collection_per_piece:
                    collection = bpy.data.collections.new(piece["name"])
                    target.children.link(collection)
                reader.take(obj, collection)
                objects.append(obj)
                progress.step(done + 1)
    return objects, skipped


class IMPORT_SCENE_OT_map_piece(bpy.types.Operator, ImportHelper):
    """Import map pieces: each profile's piece as one mesh object"""
    bl_idname = "import_scene.map_piece"
    bl_label = "Import Map Piece"
    bl_options = {'REGISTER', 'UNDO'}

    filename_ext = ".prt"
    filter_glob: StringProperty(default="*.prt;*.PRT", options={'HIDDEN'})
    files: CollectionProperty(type=bpy.types.OperatorFileListElement,
                              options={'HIDDEN', 'SKIP_SAVE'})
    directory: StringProperty(subtype='DIR_PATH', options={'HIDDEN', 'SKIP_SAVE'})
    models_folder: StringProperty(
        name="Models", subtype='DIR_PATH',
        description="The models folder (empty: 'models' beside the profiles, else the last used)")
    textures_folder: StringProperty(
        name="Textures", subtype='DIR_PATH',
        description="The textures folder (empty: 'textures' beside the profiles, else the last used)")

    def invoke(self, context, event):
        _, models, textures = last_folders(context)
        self.models_folder = self.models_folder or models
        self.textures_folder = self.textures_folder or textures
        return ImportHelper.invoke(self, context, event)

    def execute(self, context):
        names = [f.name for f in self.files if f.name]
        directory = self.directory or os.path.dirname(self.filepath)
        if not names and self.filepath:
            names = [os.path.basename(self.filepath)]
        if not names:
            self.report({'ERROR'}, "No profile (.prt) chosen")
            return {'CANCELLED'}
        configured = configured_path(context)
        try:
            folders = pieces.catalogue_folders(directory, self.models_folder, self.textures_folder,
                                               last_folders(context))
            listed = {p["profile"].lower(): p for p in pieces.listed_pieces(configured, folders)}
            chosen = []
            for name in names:
                piece = listed.get(name.lower())
                if piece is None:
                    raise piecetool.PiecetoolError(
                        f"{name} is not a piece the viewer lists (no name or model in the profile, "
                        f"or not a .prt of {folders[0]})")
                chosen.append(piece)
            objects, skipped = import_pieces(context, self, folders, chosen, False)
            if skipped:
                raise piecetool.PiecetoolError("\n".join(said for _, said in skipped))
        except piecetool.PiecetoolError as error:
            self.report({'ERROR'}, str(error))
            return {'CANCELLED'}
        remember_folders(context, *folders)
        for obj in context.selected_objects:
            obj.select_set(False)
        for obj in objects:
            obj.select_set(True)
        context.view_layer.objects.active = objects[-1]
        self.report({'INFO'}, f"{len(objects)} pieces imported")
        return {'FINISHED'}


class MAP_PIECES_OT_import_catalogue(bpy.types.Operator, CatalogueFolderProps):
    """Import every piece the viewer lists, in list order, on a grid"""
    bl_idname = "map_pieces.import_catalogue"
    bl_label = "Import Map Piece Catalogue"
    bl_options = {'REGISTER', 'UNDO'}

    def invoke(self, context, event):
        self.fill_from_panel(context)
        return context.window_manager.invoke_props_dialog(self, width=500)

    def execute(self, context):
        try:
            folders = resolve_folders(context, self)
            listed = pieces.listed_pieces(configured_path(context), folders)
            objects, skipped = import_pieces(context, self, folders, listed, True, whole=True)
        except piecetool.PiecetoolError as error:
            self.report({'ERROR'}, str(error))
            return {'CANCELLED'}
        pieces.lay_out_on_grid(objects)
        remember_folders(context, *folders)
        for piece, said in skipped:
            self.report({'WARNING'}, f"{piece['name']} not imported: {said}")
        self.report({'INFO'}, f"{len(objects)} pieces imported from {len(listed)} listed"
                              + (f", {len(skipped)} that could not be read"
                                 if skipped else ""))
        return {'FINISHED'}


class EXPORT_SCENE_OT_map_piece(bpy.types.Operator, CatalogueFolderProps):
    """Export the selected mesh objects, as they look in the viewport, as one map piece"""
    bl_idname = "export_scene.map_piece"
    bl_label = "Export Map Piece"
    bl_options = {'REGISTER'}

    stem: StringProperty(name="File name",
                         description="The piece's files' name, without extension (empty: the "
                                     "active object's)")
    piece_name: StringProperty(name="Piece name",
                               description="The name the viewer lists (empty: the active "
                                           "object's name)")
    palette: BoolProperty(name="Palette", description="8-bit textures with a palette, not 24-bit")
    max_side: IntProperty(name="Largest texture side", default=256, min=1, max=16384)
    scale: FloatProperty(name="Scale", default=1.0, min=1e-6,
                         description="Piece units per Blender unit")
    overwrite: BoolProperty(name="Replace an existing piece",
                            description="Replace the files of a piece of the same file name")

    def defaults(self, context):
        """Empty options from the active object when the add-on imported it
        (so an edited piece goes back where it came from), else from the
        panel and the preferences; stem and name from the active object."""
        obj = context.active_object
        if obj is not None and pieces.PROFILE_KEY in obj:
            profile = obj[pieces.PROFILE_KEY]
            self.profiles_folder = self.profiles_folder or os.path.dirname(profile)
            self.models_folder = self.models_folder or obj.get(pieces.MODELS_KEY, "")
            self.textures_folder = self.textures_folder or obj.get(pieces.TEXTURES_KEY, "")
            self.stem = self.stem or os.path.splitext(os.path.basename(profile))[0]
        if obj is not None:
            self.stem = self.stem or obj.name
            self.piece_name = self.piece_name or pieces.piece_name_of(obj)
        self.fill_from_panel(context)

    def invoke(self, context, event):
        self.defaults(context)
        return context.window_manager.invoke_props_dialog(self, width=500)

    def execute(self, context):
        self.defaults(context)
        meshes = [o for o in context.selected_objects if o.type == 'MESH']
        if not meshes:
            self.report({'ERROR'}, "Select the mesh objects of the piece to export")
            return {'CANCELLED'}
        if not self.stem:
            self.report({'ERROR'}, "No file name for the piece")
            return {'CANCELLED'}
        try:
            folders = resolve_folders(context, self)
            run = self.write_piece(context, meshes, folders)
        except piecetool.PiecetoolError as error:
            self.report({'ERROR'}, str(error))
            return {'CANCELLED'}
        report_warnings(self, run)
        remember_folders(context, *folders)
        active = context.active_object if context.active_object in meshes else meshes[0]
        active[pieces.PROFILE_KEY] = os.path.join(folders[0], self.stem + ".prt")
        active[pieces.MODELS_KEY] = folders[1]
        active[pieces.TEXTURES_KEY] = folders[2]
        active[pieces.NAME_KEY] = self.piece_name
        said = [line for line in run.stdout.splitlines() if line.strip()]
        self.report({'INFO'}, f"Piece {self.piece_name!r} exported as {self.stem}.prt"
                              + (f": {said[-1].strip()}" if said else ""))
        return {'FINISHED'}

    def write_piece(self, context, meshes, folders):
        """Blender's own glTF export of the evaluated objects (modifiers
        applied), imported as a piece by piecetool."""
        configured = configured_path(context)
        piecetool.locate(configured)  # a missing piecetool before any export
        selected = list(context.selected_objects)
        with tempfile.TemporaryDirectory(prefix="map_pieces_") as scratch:
            glb = os.path.join(scratch, "piece.glb")
            for obj in selected:
                if obj not in meshes:
                    obj.select_set(False)
            try:
                outcome = bpy.ops.export_scene.gltf(filepath=glb, export_format='GLB',
                                                    use_selection=True, export_apply=True)
            finally:
                for obj in selected:
                    obj.select_set(True)
            if 'FINISHED' not in outcome or not os.path.isfile(glb):
                raise piecetool.PiecetoolError("Blender's glTF exporter wrote nothing")
            arguments = ["import", glb, *folders, "--file", self.stem, "--name", self.piece_name,
                         "--max-side", str(self.max_side), "--scale", repr(self.scale)]
            if self.palette:
                arguments.append("--palette")
            if self.overwrite:
                arguments.append("--force")
            return piecetool.run(configured, *arguments)


class MAP_PIECES_OT_check_catalogue(bpy.types.Operator, CatalogueFolderProps):
    """Check the catalogue as the viewer reads it: the findings in the sidebar and the info area"""
    bl_idname = "map_pieces.check_catalogue"
    bl_label = "Check Catalogue"

    def invoke(self, context, event):
        self.fill_from_panel(context)
        return self.execute(context)

    def execute(self, context):
        import json
        settings = context.scene.map_pieces
        try:
            folders = resolve_folders(context, self)
            run = piecetool.run(configured_path(context), "check", *folders, "--json",
                                accept=(0, 1))
            document = json.loads(run.stdout)
        except (piecetool.PiecetoolError, ValueError) as error:
            self.report({'ERROR'}, str(error))
            return {'CANCELLED'}
        settings.findings.clear()
        for finding in document["findings"]:
            item = settings.findings.add()
            item.severity = finding["severity"]
            item.code = finding["code"]
            item.piece = finding["piece"]
            item.profile = finding["profile"]
            item.message = finding["message"]
            self.report({'WARNING'} if finding["severity"] in ("error", "warning") else {'INFO'},
                        f"{finding['severity']} {finding['code']} {finding['piece']!r} "
                        f"({finding['profile']}): {finding['message']}")
        settings.checked = (f"{document['pieces']} pieces checked, {document['errors']} errors, "
                            f"{document['warnings']} warnings")
        remember_folders(context, *folders)
        self.report({'INFO'}, settings.checked)
        return {'FINISHED'}


class MAP_PIECES_OT_open_site(bpy.types.Operator, CatalogueFolderProps):
    """Write the catalogue's web pages (piecetool site) into a folder and open them"""
    bl_idname = "map_pieces.open_site"
    bl_label = "Open catalogue site"

    directory: StringProperty(subtype='DIR_PATH', name="Site folder")
    open_browser: BoolProperty(default=True, options={'HIDDEN', 'SKIP_SAVE'})

    def invoke(self, context, event):
        self.fill_from_panel(context)
        context.window_manager.fileselect_add(self)
        return {'RUNNING_MODAL'}

    def execute(self, context):
        if not self.directory:
            self.report({'ERROR'}, "Choose a folder for the site")
            return {'CANCELLED'}
        out = os.path.abspath(bpy.path.abspath(self.directory))
        try:
            folders = resolve_folders(context, self)
            # Exit code 1: pieces with errors, shown on their pages as such.
            run = piecetool.run(configured_path(context), "site", *folders, out, accept=(0, 1))
        except piecetool.PiecetoolError as error:
            self.report({'ERROR'}, str(error))
            return {'CANCELLED'}
        report_warnings(self, run)
        index = os.path.join(out, "index.html")
        if not os.path.isfile(index):
            self.report({'ERROR'}, piecetool.refusal_text(run))
            return {'CANCELLED'}
        for line in run.stdout.splitlines():
            if line.startswith("error "):
                self.report({'WARNING'}, line)
        if self.open_browser:
            bpy.ops.wm.url_open(url="file://" + index.replace(os.sep, "/")
                                if index.startswith("/") else "file:///" + index.replace(os.sep, "/"))
        self.report({'INFO'}, f"Site written: {index}")
        return {'FINISHED'}


def menu_import(self, context):
    self.layout.operator(IMPORT_SCENE_OT_map_piece.bl_idname, text="Map Piece (.prt)")
    self.layout.operator(MAP_PIECES_OT_import_catalogue.bl_idname, text="Map Piece Catalogue")


def menu_export(self, context):
    self.layout.operator(EXPORT_SCENE_OT_map_piece.bl_idname, text="Map Piece")


def register_menus():
    bpy.types.TOPBAR_MT_file_import.append(menu_import)
    bpy.types.TOPBAR_MT_file_export.append(menu_export)


def unregister_menus():
    bpy.types.TOPBAR_MT_file_export.remove(menu_export)
    bpy.types.TOPBAR_MT_file_import.remove(menu_import)


classes = (IMPORT_SCENE_OT_map_piece, MAP_PIECES_OT_import_catalogue, EXPORT_SCENE_OT_map_piece,
           MAP_PIECES_OT_check_catalogue, MAP_PIECES_OT_open_site)
