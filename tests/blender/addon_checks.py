# The Map Pieces add-on in a headless Blender, installed from its zip as a
# user installs it, driven through its operators as scripts and the dialogs
# call them. Prints one "FAIL ..." line per broken promise; exit code 1 then.
#   blender -b --factory-startup --python addon_checks.py -- ZIP SAMPLES WORK PIECETOOL
# WORK holds the libraries make_asset_library.py wrote before (script.blend)
# and receives from_blender/, the catalogue of pieces made here, which the
# viewer's test lists.
import json
import os
import shutil
import struct
import subprocess
import sys

import bpy
from mathutils import Vector

ZIP, SAMPLES, WORK, PIECETOOL = sys.argv[sys.argv.index("--") + 1:]
FAILURES = []
SAMPLE_NAMES = ["Brick Cube", "Flag Pole", "Grass Slab", "赤い箱", "表示台"]


def check(ok, what):
    if not ok:
        FAILURES.append(what)
        print("FAIL " + what)


def folders(root):
    return [os.path.join(root, sub) for sub in ("profiles", "models", "textures")]


def options(root):
    """The operators' three folder options for the catalogue in root."""
    return dict(zip(("profiles_folder", "models_folder", "textures_folder"), folders(root)))


def files_of(root):
    """Every file under root with its bytes."""
    found = {}
    for folder, _, names in os.walk(root):
        for name in names:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, root)] = f.read()
    return found


def clear_scene():
    for kind in ("objects", "meshes", "materials", "images", "collections"):
        collection = getattr(bpy.data, kind)
        for block in list(collection):
            collection.remove(block)


def refused(call, words):
    """Runs an operator that must refuse: an error report (raised by bpy.ops
    as RuntimeError) holding `words`; returns its text."""
    try:
        outcome = call()
    except RuntimeError as error:
        text = str(error)
        check(words in text, f"the refusal says {words!r}: {text!r}")
        return text
    check(False, f"no error report (returned {outcome}); expected one saying {words!r}")
    return ""


def glb_triangles(path):
    """The triangles of a binary glTF, counted in its JSON chunk."""
    with open(path, "rb") as f:
        data = f.read()
    document = json.loads(data[20:20 + struct.unpack_from("<I", data, 12)[0]])
    return sum(document["accessors"][p["indices"]]["count"] // 3
               for mesh in document["meshes"] for p in mesh["primitives"])


def txr_sizes(samples, model):
    """The level-0 sizes of the textures a model names, from the TXR headers."""
    with open(os.path.join(samples, "models", model), "rb") as f:
        data = f.read()
    names = data[2:].split(b"\0")[:struct.unpack_from("<h", data, 0)[0]]
    sizes = []
    for name in names:
        with open(os.path.join(samples, "textures", os.path.splitext(name.decode())[0] + ".txr"), "rb") as f:
            sizes.append(struct.unpack("<ii", f.read(8)))
    return sorted(sizes)


def image_sizes(obj):
    return sorted(tuple(node.image.size) for slot in obj.material_slots
                  for node in slot.material.node_tree.nodes if node.type == 'TEX_IMAGE')


def xy_bounds(obj):
    corners = [obj.matrix_world @ Vector(c) for c in obj.bound_box]
    return (min(c.x for c in corners), min(c.y for c in corners),
            max(c.x for c in corners), max(c.y for c in corners))


def install():
    bpy.ops.preferences.addon_install(filepath=ZIP)
    bpy.ops.preferences.addon_enable(module="map_pieces")
    prefs = bpy.context.preferences.addons["map_pieces"].preferences
    bpy.ops.map_pieces.check_piecetool()
    import map_pieces
    bundled = os.path.join(os.path.dirname(map_pieces.__file__), "bin", "piecetool")
    check(bundled in prefs.found_version, f"the bundled piecetool is found: {prefs.found_version}")
    check(os.access(bundled, os.X_OK), "the bundled piecetool was made executable")
    return prefs


def check_sample_imports(work):
    clear_scene()
    samples = os.path.join(work, "samples")
    profiles = sorted(os.listdir(os.path.join(samples, "profiles")))
    bpy.ops.import_scene.map_piece(directory=os.path.join(samples, "profiles"),
                                   files=[{"name": n} for n in profiles])
    objects = sorted(bpy.context.scene.objects, key=lambda o: o.get("map_piece_profile", ""))
    check(len(objects) == 5 and all(o.type == 'MESH' for o in objects),
          f"one mesh object per sample piece: {[o.name for o in objects]}")
    exported = os.path.join(work, "sample_glb")
    subprocess.run([PIECETOOL, "export", *folders(samples), exported], check=True,
                   capture_output=True)
    for obj, profile, name in zip(objects, profiles, SAMPLE_NAMES):
        check(obj.name == name, f"{profile}: named {obj.name!r}, not {name!r}")
        triangles = glb_triangles(os.path.join(exported, profile[:-4] + ".glb"))
        obj.data.calc_loop_triangles()
        check(len(obj.data.loop_triangles) == triangles,
              f"{profile}: {len(obj.data.loop_triangles)} triangles, the model has {triangles}")
        with open(os.path.join(samples, "profiles", profile), "rb") as f:
            model = f.read()[0:32].split(b"\0")[0].decode("ascii")
        wanted = txr_sizes(samples, model)
        check(image_sizes(obj) == wanted, f"{profile}: images {image_sizes(obj)}, textures {wanted}")
        check(all(image.packed_file for image in bpy.data.images if image.users),
              f"{profile}: its images are packed into the .blend")
        check(tuple(obj.location) == (0, 0, 0), f"{profile}: at the origin")
        check((obj["map_piece_profile"], obj["map_piece_models"], obj["map_piece_textures"]) ==
              (os.path.join(samples, "profiles", profile), *folders(samples)[1:]),
              f"{profile}: its paths kept: {obj['map_piece_profile']}, {obj['map_piece_models']}")


def check_catalogue_import(work):
    clear_scene()
    bpy.ops.map_pieces.import_catalogue(**options(os.path.join(work, "samples")))
    children = [c.name for c in bpy.context.scene.collection.children]
    check(children == SAMPLE_NAMES, f"a collection per piece in list order: {children}")
    objects = [bpy.data.collections[n].objects[0] for n in children if bpy.data.collections[n].objects]
    check([o.name for o in objects] == SAMPLE_NAMES, f"the objects: {[o.name for o in objects]}")
    boxes = [xy_bounds(o) for o in objects]
    for i in range(len(boxes)):
        for j in range(i + 1, len(boxes)):
            a, b = boxes[i], boxes[j]
            overlap = a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]
            check(not overlap, f"{objects[i].name} and {objects[j].name} overlap: {a} {b}")
    # Row by row: the first row's pieces from left to right.
    check(boxes[0][0] < boxes[1][0] < boxes[2][0] and boxes[3][1] < boxes[0][1],
          f"laid out in list order, row by row: {boxes}")


def picture(name, size):
    image = bpy.data.images.new(name, size, size)
    image.pixels = [v for y in range(size) for x in range(size)
                    for v in (x / size, y / size, ((x // 8 + y // 8) % 2) * 0.8, 1.0)]
    image.pack()
    return image


def material(name, colour=None, image=None):
    m = bpy.data.materials.new(name)
    m.use_nodes = True
    bsdf = m.node_tree.nodes["Principled BSDF"]
    if image:
        texture = m.node_tree.nodes.new("ShaderNodeTexImage")
        texture.image = image
        m.node_tree.links.new(texture.outputs["Color"], bsdf.inputs["Base Color"])
    else:
        bsdf.inputs["Base Color"].default_value = colour
    return m


def only_selected(obj):
    for other in bpy.context.scene.objects:
        other.select_set(other is obj)
    bpy.context.view_layer.objects.active = obj


def model(add, name, *materials, **where):
    """A mesh made by the operator `add`, its faces taking the materials in turn."""
    add(**where)
    obj = bpy.context.active_object
    obj.name = name
    for m in materials:
        obj.data.materials.append(m)
    for index, polygon in enumerate(obj.data.polygons):
        polygon.material_index = index % len(materials)
    return obj


def make_models():
    """A textured cube, a cube of two materials, a subdivided sphere whose
    modifier is not applied in its data."""
    clear_scene()
    mesh = bpy.ops.mesh
    sphere = model(mesh.primitive_uv_sphere_add, "Smooth Sphere", material("Green", (0.1, 0.7, 0.2, 1)),
                   segments=12, ring_count=6, location=(0, 4, 0))
    sphere.modifiers.new("Subdivision", 'SUBSURF').levels = 2
    return [(model(mesh.primitive_cube_add, "Textured Cube",
                   material("Checker", image=picture("checker", 64))), "textured_cube"),
            (model(mesh.primitive_cube_add, "Two Materials", material("Red", (0.8, 0.1, 0.1, 1)),
                   material("Blue", (0.1, 0.1, 0.8, 1)), location=(4, 0, 0)), "two_materials"),
            (sphere, "smooth_sphere")]


def check_exports(work):
    ours = os.path.join(work, "from_blender")
    theirs = os.path.join(work, "reference")
    for root in (ours, theirs):
        shutil.rmtree(root, ignore_errors=True)
        for folder in folders(root):
            os.makedirs(folder)
    models = make_models()
    sphere_faces = len(models[2][0].data.polygons)
    check(sphere_faces == 72, f"the sphere's data holds {sphere_faces} faces, not its subdivided 1152")
    for obj, stem in models:
        only_selected(obj)
        outcome = bpy.ops.export_scene.map_piece(**options(ours), stem=stem)
        check(outcome == {'FINISHED'}, f"{stem}: exported ({outcome})")
        # What a user gets by hand: Blender's glTF export of the same
        # evaluated object, imported by piecetool.
        glb = os.path.join(work, stem + ".glb")
        bpy.ops.export_scene.gltf(filepath=glb, export_format='GLB', use_selection=True,
                                  export_apply=True)
        subprocess.run([PIECETOOL, "import", glb, *folders(theirs), "--file", stem,
                        "--name", obj.name], check=True, capture_output=True)
    got, wanted = files_of(ours), files_of(theirs)
    check(sorted(got) == sorted(wanted), f"the files written: {sorted(got)}, by hand: {sorted(wanted)}")
    for name in wanted:
        check(got.get(name) == wanted[name], f"{name} differs from piecetool import's")
    with open(os.path.join(ours, "expected_names.txt"), "w", encoding="utf-8") as f:
        f.write("Smooth Sphere\nTextured Cube\nTwo Materials\n")  # the viewer's test lists them
    return ours


def check_round_trip(work):
    """A sample piece imported, a vertex moved, exported back over itself
    and imported again: the edit is there."""
    clear_scene()
    copy = os.path.join(work, "edited")
    shutil.rmtree(copy, ignore_errors=True)
    shutil.copytree(os.path.join(work, "samples"), copy)
    profile = os.path.join(copy, "profiles", "brick_cube.prt")
    bpy.ops.import_scene.map_piece(filepath=profile, directory=os.path.dirname(profile),
                                   files=[{"name": "brick_cube.prt"}])
    obj = bpy.context.scene.objects["Brick Cube"]
    top = max(obj.data.vertices, key=lambda v: (v.co.z, v.co.x, v.co.y))
    raised = top.co.z + 1.5
    top.co.z = raised
    only_selected(obj)
    refused(lambda: bpy.ops.export_scene.map_piece(), "exists already; nothing was written")
    check(bpy.ops.export_scene.map_piece(overwrite=True) == {'FINISHED'}, "exported over itself")
    clear_scene()
    bpy.ops.import_scene.map_piece(directory=os.path.dirname(profile),
                                   files=[{"name": "brick_cube.prt"}])
    again = bpy.context.scene.objects["Brick Cube"]
    highest = max(v.co.z for v in again.data.vertices)
    check(abs(highest - raised) < 1e-4, f"the moved vertex came back at {highest}, not {raised}")
    return copy


def check_refusals(work, prefs, catalogue):
    before = files_of(catalogue)
    clear_scene()
    bpy.ops.mesh.primitive_grid_add(x_subdivisions=6, y_subdivisions=5)
    grid = bpy.context.active_object
    grid.name = "Eighteen"
    for i in range(18):
        grid.data.materials.append(material(f"m{i}", colour=(i / 18, 0.5, 1 - i / 18, 1)))
    for index, polygon in enumerate(grid.data.polygons):
        polygon.material_index = index % 18
    only_selected(grid)
    targets = options(catalogue)
    refused(lambda: bpy.ops.export_scene.map_piece(**targets), "17 textures")
    bpy.ops.mesh.primitive_cube_add()
    only_selected(bpy.context.active_object)
    refused(lambda: bpy.ops.export_scene.map_piece(**targets, stem="textured_cube"),
            "exist already; nothing was written")
    prefs.piecetool_path = os.path.join(work, "nowhere", "piecetool")
    said = refused(lambda: bpy.ops.export_scene.map_piece(**targets, stem="fresh"),
                   prefs.piecetool_path)
    check("Preferences" in said, f"the message says how to set the path: {said!r}")
    refused(lambda: bpy.ops.map_pieces.import_catalogue(**targets), "cannot find piecetool")
    prefs.piecetool_path = ""
    check(files_of(catalogue) == before, "nothing written by a refused export")


def check_findings(copy):
    os.remove(os.path.join(copy, "textures", "brick.txr"))
    bpy.ops.map_pieces.check_catalogue(**options(copy))
    settings = bpy.context.scene.map_pieces
    seen = [(f.severity, f.code, f.piece) for f in settings.findings]
    check(("error", "texture-missing", "Flag Pole") in seen, f"the check's findings: {seen}")
    check(settings.checked.startswith("5 pieces checked, "), f"the summary: {settings.checked}")
    site = os.path.join(WORK, "site")
    bpy.ops.map_pieces.open_site(directory=site, open_browser=False, **options(copy))
    check(os.path.isfile(os.path.join(site, "index.html")), "the site written")


def check_library(blend, pictures):
    """The library opened again: one asset per listed piece, its preview the
    pixels of its picture, its tags, its catalogue in the file beside it."""
    bpy.ops.wm.open_mainfile(filepath=blend)
    assets = sorted((o for o in bpy.data.objects if o.asset_data), key=lambda o: o.name)
    check(sorted(o.name for o in assets) == sorted(SAMPLE_NAMES),
          f"{blend}: assets {[o.name for o in assets]}")
    with open(os.path.join(os.path.dirname(blend), "blender_assets.cats.txt"), encoding="utf-8") as f:
        cats = [line.split(":") for line in f.read().splitlines()
                if line and not line.startswith(("#", "VERSION"))]
    check([c[1:] for c in cats] == [["samples", "samples"]], f"{blend}: catalogues {cats}")
    profiles = dict(zip(SAMPLE_NAMES, ["brick_cube", "flag_pole", "grass_slab", "red_box", "stand"]))
    for obj in assets:
        stem = profiles.get(obj.name, "")
        tags = sorted(t.name for t in obj.asset_data.tags)
        check(stem + ".prt" in tags and any(t.endswith(" textures") for t in tags),
              f"{obj.name}: tags {tags}")
        check(bool(cats) and obj.asset_data.catalog_id == cats[0][0], f"{obj.name}: in the catalogue")
        image = bpy.data.images.load(os.path.join(pictures, stem + ".png"))
        preview = obj.preview
        check(preview is not None and tuple(preview.image_size) == tuple(image.size),
              f"{obj.name}: preview of the picture's size {tuple(image.size)}")
        if preview is not None:
            got, want = list(preview.image_pixels_float), list(image.pixels)
            check(len(got) == len(want) and max(abs(a - b) for a, b in zip(got, want)) < 1 / 255,
                  f"{obj.name}: the preview holds the picture's pixels")
        bpy.data.images.remove(image)


def main():
    shutil.rmtree(os.path.join(WORK, "samples"), ignore_errors=True)
    shutil.copytree(SAMPLES, os.path.join(WORK, "samples"))
    prefs = install()
    check_sample_imports(WORK)
    check_catalogue_import(WORK)
    catalogue = check_exports(WORK)
    copy = check_round_trip(WORK)
    check_refusals(WORK, prefs, catalogue)
    check_findings(copy)
    pictures = os.path.join(WORK, "pictures")
    subprocess.run([PIECETOOL, "render", *folders(SAMPLES), pictures], check=True,
                   capture_output=True)
    library = os.path.join(WORK, "operator", "pieces.blend")
    os.makedirs(os.path.dirname(library), exist_ok=True)
    bpy.ops.map_pieces.make_asset_library(**options(SAMPLES), filepath=library)
    check_library(library, pictures)
    check_library(os.path.join(WORK, "script", "pieces.blend"), pictures)
    print(f"{len(FAILURES)} failures")
    sys.exit(1 if FAILURES else 0)


main()
