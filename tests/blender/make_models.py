# Makes the Blender models of the import's end-to-end test and exports each
# with Blender's own glTF exporter as a binary .glb file:
#   blender -b --factory-startup --python make_models.py -- OUTDIR
# textured_cube.glb   a cube drawn with one 64 x 64 picture
# two_materials.glb   one mesh, half its faces red, half blue (colours only)
# smooth_sphere.glb   a smooth UV sphere with a 100 x 60 picture (sides that are no powers of two)
# turned_child.glb    a mesh named 赤い箱, scaled and turned under a moved and turned parent
# rigged_cylinder.glb a cylinder skinned to two bones of a moved and turned armature, the upper
#                     bone bent, exported in that pose
import math
import os
import sys

import bpy


def out_dir():
    args = sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else []
    if len(args) != 1:
        sys.exit("usage: blender -b --python make_models.py -- OUTDIR")
    os.makedirs(args[0], exist_ok=True)
    return args[0]


def empty_scene():
    bpy.ops.wm.read_factory_settings(use_empty=True)


def picture(name, width, height):
    """A picture whose every pixel differs from its neighbours."""
    image = bpy.data.images.new(name, width, height)
    pixels = []
    for y in range(height):
        for x in range(width):
            pixels += [x / (width - 1), y / (height - 1), ((x // 8 + y // 8) % 2) * 0.8 + 0.1, 1.0]
    image.pixels = pixels
    image.pack()
    return image


def picture_material(name, image):
    material = bpy.data.materials.new(name)
    material.use_nodes = True
    nodes = material.node_tree.nodes
    texture = nodes.new("ShaderNodeTexImage")
    texture.image = image
    material.node_tree.links.new(texture.outputs["Color"], nodes["Principled BSDF"].inputs["Base Color"])
    return material


def colour_material(name, rgba):
    material = bpy.data.materials.new(name)
    material.use_nodes = True
    material.node_tree.nodes["Principled BSDF"].inputs["Base Color"].default_value = rgba
    return material


def export(folder, name, **options):
    bpy.ops.export_scene.gltf(filepath=os.path.join(folder, name), export_format="GLB", **options)


def rigged_cylinder():
    """A cylinder of five rings, 2 high, weighted to a lower and an upper bone (blended between
    heights 0.5 and 1.5), its armature moved and turned, the upper bone bent by 40 degrees."""
    rings, around = 5, 16
    vertices = [(0.4 * math.cos(2 * math.pi * a / around), 0.4 * math.sin(2 * math.pi * a / around),
                 2.0 * r / (rings - 1)) for r in range(rings) for a in range(around)]
    faces = [(r * around + a, r * around + (a + 1) % around, (r + 1) * around + (a + 1) % around,
              (r + 1) * around + a) for r in range(rings - 1) for a in range(around)]
    faces += [tuple(reversed(range(around))), tuple((rings - 1) * around + a for a in range(around))]
    mesh = bpy.data.meshes.new("Rigged Cylinder mesh")
    mesh.from_pydata(vertices, [], faces)
    cylinder = bpy.data.objects.new("Rigged Cylinder", mesh)
    bpy.context.scene.collection.objects.link(cylinder)
    rig = bpy.data.objects.new("Rig", bpy.data.armatures.new("Rig"))
    bpy.context.scene.collection.objects.link(rig)
    rig.location = (1, 2, 0.5)
    rig.rotation_euler = (0, 0, math.radians(30))
    bpy.context.view_layer.objects.active = rig
    bpy.ops.object.mode_set(mode="EDIT")
    lower = rig.data.edit_bones.new("Lower")
    lower.head, lower.tail = (0, 0, 0), (0, 0, 1)
    upper = rig.data.edit_bones.new("Upper")
    upper.head, upper.tail, upper.parent = (0, 0, 1), (0, 0, 2), lower
    bpy.ops.object.mode_set(mode="OBJECT")
    cylinder.parent = rig
    cylinder.location = (0.3, 0, 0)
    cylinder.modifiers.new("Armature", "ARMATURE").object = rig
    groups = {name: cylinder.vertex_groups.new(name=name) for name in ("Lower", "Upper")}
    for vertex in mesh.vertices:
        up = min(max(vertex.co.z - 0.5, 0.0), 1.0)
        if up < 1:
            groups["Lower"].add([vertex.index], 1 - up, "REPLACE")
        if up > 0:
            groups["Upper"].add([vertex.index], up, "REPLACE")
    bent = rig.pose.bones["Upper"]
    bent.rotation_mode = "XYZ"
    bent.rotation_euler = (math.radians(40), 0, 0)
    bpy.context.view_layer.update()


def main():
    folder = out_dir()

    empty_scene()
    bpy.ops.mesh.primitive_cube_add(size=2, location=(0, 0, 1))
    cube = bpy.context.active_object
    cube.name = "Textured Cube"
    cube.data.materials.append(picture_material("Checker", picture("checker", 64, 64)))
    export(folder, "textured_cube.glb")

    empty_scene()
    bpy.ops.mesh.primitive_cube_add(size=1, location=(0.5, 0, 0.5))
    box = bpy.context.active_object
    box.name = "Two Colours"
    box.data.materials.append(colour_material("Red", (0.8, 0.05, 0.05, 1)))
    box.data.materials.append(colour_material("Blue", (0.05, 0.1, 0.8, 1)))
    for polygon in box.data.polygons:
        polygon.material_index = 0 if polygon.center.z > 0.49 or polygon.center.x > 0.49 else 1
    export(folder, "two_materials.glb")

    empty_scene()
    bpy.ops.mesh.primitive_uv_sphere_add(segments=32, ring_count=16, radius=1, location=(0, 0, 1))
    sphere = bpy.context.active_object
    sphere.name = "Smooth Sphere"
    bpy.ops.object.shade_smooth()
    sphere.data.materials.append(picture_material("Odd Picture", picture("odd", 100, 60)))
    export(folder, "smooth_sphere.glb")

    empty_scene()
    bpy.ops.object.empty_add(location=(2, 0, 0))
    parent = bpy.context.active_object
    parent.name = "Stand"
    parent.rotation_euler = (0, 0, math.radians(30))
    bpy.ops.mesh.primitive_cube_add(size=1)
    child = bpy.context.active_object
    child.name = "赤い箱"
    child.data.name = "赤い箱 mesh"
    child.parent = parent
    child.location = (1, 0, 0.5)
    child.rotation_euler = (math.radians(20), 0, math.radians(45))
    child.scale = (1, 2, 0.5)
    child.data.materials.append(colour_material("赤", (0.9, 0.02, 0.02, 1)))
    export(folder, "turned_child.glb")

    empty_scene()
    rigged_cylinder()
    export(folder, "rigged_cylinder.glb", export_current_frame=True)


main()
