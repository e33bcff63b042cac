# Imports a .glb into an empty Blender scene and prints, as one line of JSON
# after "INSPECT ", what Blender makes of it: its triangle count, its bounds in
# world space (Blender's: Z up, so glTF's (x, y, z) is Blender's (x, -z, y)),
# and the names of its objects and meshes.
#   blender -b --factory-startup --python inspect_glb.py -- FILE.glb
import json
import sys

import numpy

# Blender 3.4's glTF importer uses numpy.bool, which the numpy of Debian 12
# no longer has.
if not hasattr(numpy, "bool"):
    numpy.bool = bool

import bpy


def main():
    args = sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else []
    if len(args) != 1:
        sys.exit("usage: blender -b --python inspect_glb.py -- FILE.glb")
    bpy.ops.wm.read_factory_settings(use_empty=True)
    bpy.ops.import_scene.gltf(filepath=args[0])
    triangles = 0
    low = [float("inf")] * 3
    high = [float("-inf")] * 3
    objects = []
    depsgraph = bpy.context.evaluated_depsgraph_get()
    for obj in bpy.context.scene.objects:
        objects.append({"name": obj.name, "type": obj.type, "mesh": obj.data.name if obj.type == "MESH" else None})
        if obj.type != "MESH":
            continue
        mesh = obj.evaluated_get(depsgraph).to_mesh()
        mesh.calc_loop_triangles()
        triangles += len(mesh.loop_triangles)
        for vertex in mesh.vertices:
            world = obj.matrix_world @ vertex.co
            for axis in range(3):
                low[axis] = min(low[axis], world[axis])
                high[axis] = max(high[axis], world[axis])
        obj.evaluated_get(depsgraph).to_mesh_clear()
    print("INSPECT " + json.dumps({"triangles": triangles, "bounds": [low, high], "objects": objects},
                                  ensure_ascii=False))


main()
