# Times the Map Pieces add-on's catalogue operators in Blender on one
# catalogue, once each (Blender's start-up is not counted):
#   blender -b --factory-startup --python blender_addon_bench.py -- ZIP PROFILES MODELS TEXTURES WORK
import os
import sys
import time

import bpy

ZIP, PROFILES, MODELS, TEXTURES, WORK = sys.argv[sys.argv.index("--") + 1:]
folders = dict(profiles_folder=PROFILES, models_folder=MODELS, textures_folder=TEXTURES)
bpy.ops.preferences.addon_install(filepath=ZIP)
bpy.ops.preferences.addon_enable(module="map_pieces")
for obj in list(bpy.data.objects):
    bpy.data.objects.remove(obj)

start = time.perf_counter()
bpy.ops.map_pieces.import_catalogue(**folders)
imported = time.perf_counter() - start
print(f"BENCH import_catalogue {imported:.2f} s, {len(bpy.context.scene.objects)} objects")

start = time.perf_counter()
bpy.ops.map_pieces.make_asset_library(**folders, filepath=os.path.join(WORK, "operator.blend"))
library = time.perf_counter() - start
print(f"BENCH make_asset_library {library:.2f} s")
