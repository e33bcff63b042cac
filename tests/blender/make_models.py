# Makes the Blender models of the import's end-to-end test and exports each
# with Blender's own glTF exporter as a binary .glb file:
#   blender -b --factory-startup --python make_models.py -- OUTDIR
# textured_cube.glb   a cube drawn with one 64 x 64 picture
# two_materials.glb   one mesh, half its faces red, half blue (colours only)
# smooth_sphere.glb   a smooth UV sphere with a 100 x 60 picture (sides that are no powers of two)
# turned_child.glb    a mesh named 赤い箱, scaled and turned under a moved and turned parent
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


def export(folder, name):
    bpy.ops.export_scene.gltf(filepath=os.path.join(folder, name), export_format="GLB")


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


main()
