# Pieces in the scene: a catalogue's pieces exported by piecetool as glTF
# binaries into a temporary folder and read by Blender's own glTF importer,
# each becoming one mesh object that remembers where it came from.
import json
import os
import re
import warnings

import bpy
from mathutils import Vector

from . import piecetool

PROFILE_KEY = "map_piece_profile"
MODELS_KEY = "map_piece_models"
TEXTURES_KEY = "map_piece_textures"
NAME_KEY = "map_piece_name"


def sibling_folder(profiles, *names):
    """A folder of one of the names beside the profile folder, when one exists."""
    parent = os.path.dirname(os.path.normpath(profiles))
    for name in names:
        path = os.path.join(parent, name)
        if os.path.isdir(path):
            return path
    return ""


def catalogue_folders(profiles, models, textures, last):
    """The three folders of a run: those given; for an empty one the `models`
    or `textures` folder beside the profile folder, else the one used last."""
    profiles = bpy.path.abspath(profiles or last[0])
    if not models:
        models = (sibling_folder(profiles, "models", "MODELS") if profiles else "") or last[1]
    if not textures:
        textures = (sibling_folder(profiles, "textures", "TEXTURES") if profiles else "") or last[2]
    models, textures = bpy.path.abspath(models), bpy.path.abspath(textures)
    missing = [f"{what} folder {path!r}" if path else f"no {what} folder given"
               for what, path in (("profiles", profiles), ("models", models), ("textures", textures))
               if not path or not os.path.isdir(path)]
    if missing:
        raise piecetool.PiecetoolError("Cannot read the catalogue: " + "; ".join(
            m if m.startswith("no ") else m + " does not exist" for m in missing))
    return tuple(os.path.abspath(p) for p in (profiles, models, textures))


def listed_pieces(configured, folders):
    """The pieces the viewer lists, in its order (piecetool list)."""
    result = piecetool.run(configured, "list", *folders)
    return json.loads(result.stdout)["pieces"]


def mend_numpy_for_gltf():
    """Blender 3.4's glTF importer uses numpy.bool, an alias that numpy 1.24
    (Debian 12's, which Debian's Blender runs with) no longer has: without
    it every smooth-shaded mesh fails to import. The alias is bool itself."""
    try:
        import numpy
    except ImportError:
        return
    with warnings.catch_warnings():
        # numpy warns when asked for the alias that it no longer has.
        warnings.simplefilter("ignore")
        if not hasattr(numpy, "bool"):
            numpy.bool = bool


class ScratchScene:
    """An empty scene that Blender's glTF importer reads each piece into, so
    that what the importer and every operator call do to the whole scene
    (update the view layer, deselect every object) stays as small as one
    piece: importing into the user's scene makes a catalogue of a thousand
    pieces take quadratic time. Pieces are moved out of it; it is removed
    at the end."""

    def __enter__(self):
        self.scene = bpy.data.scenes.new("Map Pieces import")
        return self

    def __exit__(self, *exc):
        for obj in list(self.scene.collection.objects):
            bpy.data.objects.remove(obj)
        bpy.data.scenes.remove(self.scene)
        return False

    def import_glb(self, path):
        """The objects Blender's glTF importer makes of the file, in this
        scene's collection."""
        mend_numpy_for_gltf()
        with bpy.context.temp_override(scene=self.scene, view_layer=self.scene.view_layers[0]):
            outcome = bpy.ops.import_scene.gltf(filepath=path)
        if 'FINISHED' not in outcome:
            raise piecetool.PiecetoolError(f"Blender's glTF importer could not read {path}")
        objects = list(self.scene.collection.objects)
        # The importer names every unnamed picture "Image_N": with hundreds of
        # pieces Blender would search ever longer for a free numbered name.
        # Each picture takes its material's name (the texture's name in the
        # model) instead.
        for obj in objects:
            for slot in obj.material_slots if obj.type == 'MESH' else ():
                if slot.material and slot.material.node_tree:
                    for node in slot.material.node_tree.nodes:
                        if node.type == 'TEX_IMAGE' and node.image and node.image.users == 1:
                            node.image.name = slot.material.name
        return objects

    def take(self, obj, collection):
        """Moves an object from this scene into `collection` (none: into no
        collection)."""
        if collection is not None:
            collection.objects.link(obj)
        self.scene.collection.objects.unlink(obj)


def mark_piece(obj, name, profile_path, models, textures):
    obj[PROFILE_KEY] = profile_path
    obj[MODELS_KEY] = models
    obj[TEXTURES_KEY] = textures
    obj[NAME_KEY] = name
    # Pieces stand at the origin; the importer may have left a parent empty.
    obj.location = (0.0, 0.0, 0.0)


def piece_object(new_objects, name):
    """The one mesh object of an imported piece, the empties around it removed."""
    meshes = [o for o in new_objects if o.type == 'MESH']
    if len(meshes) != 1:
        raise piecetool.PiecetoolError(f"the glTF of piece {name!r} held {len(meshes)} meshes, not one")
    obj = meshes[0]
    matrix = obj.matrix_world.copy()
    obj.parent = None
    obj.matrix_world = matrix
    for other in new_objects:
        if other is not obj:
            bpy.data.objects.remove(other)
    if obj.name != name:
        obj.name = name
    return obj


def world_bounds(obj):
    corners = [obj.matrix_world @ Vector(c) for c in obj.bound_box]
    low = Vector(tuple(min(c[i] for c in corners) for i in range(3)))
    high = Vector(tuple(max(c[i] for c in corners) for i in range(3)))
    return low, high


def lay_out_on_grid(objects, gap_ratio=0.25):
    """Places the objects on a square grid in the X-Y plane, in order, row by
    row, each cell as large as the largest piece plus a gap: no two bounds
    overlap. Each piece keeps its height and stands centred in its cell."""
    if not objects:
        return
    bpy.context.view_layer.update()
    bounds = [world_bounds(o) for o in objects]
    cell = max(max(high.x - low.x, high.y - low.y) for low, high in bounds)
    cell = cell * (1.0 + gap_ratio) if cell > 0 else 1.0
    columns = max(1, int(len(objects) ** 0.5 + 0.999999))
    for index, (obj, (low, high)) in enumerate(zip(objects, bounds)):
        row, column = divmod(index, columns)
        centre = (low + high) / 2
        obj.location.x += column * cell - centre.x
        obj.location.y += -row * cell - centre.y


_SUFFIX = re.compile(r"^(.*)\.\d{3}$")


def piece_name_of(obj):
    """The piece name an object stands for: its name, or the piece's name it
    was imported with when Blender only added a number to it."""
    name = obj.name
    remembered = obj.get(NAME_KEY)
    match = _SUFFIX.match(name)
    if remembered and match and match.group(1) == remembered:
        return remembered
    return name
