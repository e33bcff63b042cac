# Blender's window with the Map Pieces sidebar panel and the sample
# catalogue imported, kept as a PNG (run by capture_addon_screenshot.sh):
#   blender --factory-startup --enable-event-simulate --python addon_screenshot.py -- ZIP SAMPLES OUT.png
import os
import sys
import traceback

import bpy

ZIP, SAMPLES, OUT = sys.argv[sys.argv.index("--") + 1:]
STEPS = [0]


def view3d():
    window = bpy.context.window_manager.windows[0]
    area = next(a for a in window.screen.areas if a.type == 'VIEW_3D')
    return window, area, next(r for r in area.regions if r.type == 'WINDOW')


def set_up():
    bpy.context.preferences.view.show_splash = False
    bpy.ops.preferences.addon_install(filepath=ZIP)
    bpy.ops.preferences.addon_enable(module="map_pieces")
    for obj in list(bpy.data.objects):
        bpy.data.objects.remove(obj)
    settings = bpy.context.scene.map_pieces
    settings.profiles_folder, settings.models_folder, settings.textures_folder = (
        os.path.join(SAMPLES, sub) + os.sep for sub in ("profiles", "models", "textures"))
    bpy.ops.map_pieces.import_catalogue()
    bpy.ops.map_pieces.check_catalogue()
    # The sidebar shows the tab last clicked: the built-in tabs that Python
    # defines step aside, so that "Map Pieces" is second, below "Item".
    for panel in [p for p in bpy.types.Panel.__subclasses__()
                  if getattr(p, "bl_space_type", "") == 'VIEW_3D' and getattr(p, "bl_region_type", "") == 'UI'
                  and getattr(p, "bl_category", "") in ("Tool", "View")]:
        bpy.utils.unregister_class(panel)
    window, area, region = view3d()
    area.spaces.active.show_region_ui = True
    area.spaces.active.shading.color_type = 'TEXTURE'
    with bpy.context.temp_override(window=window, area=area, region=region):
        bpy.ops.view3d.view_all()


def step():
    try:
        window, area, region = view3d()
        STEPS[0] += 1
        with bpy.context.temp_override(window=window, area=area, region=region):
            bpy.ops.wm.redraw_timer(type='DRAW_WIN_SWAP', iterations=1)  # draws and swaps the window
        if STEPS[0] == 2:
            # A click on the "Map Pieces" tab in the strip at the sidebar's right edge.
            ui = next(r for r in area.regions if r.type == 'UI')
            x, y = ui.x + ui.width - 10, ui.y + ui.height - 85
            window.event_simulate(type='MOUSEMOVE', value='NOTHING', x=x, y=y)
            window.event_simulate(type='LEFTMOUSE', value='PRESS', x=x, y=y)
            window.event_simulate(type='LEFTMOUSE', value='RELEASE', x=x, y=y)
        if STEPS[0] < 5:
            return 0.1
        with bpy.context.temp_override(window=window, area=area):
            bpy.ops.screen.screenshot(filepath=OUT)
        bpy.ops.wm.quit_blender()
    except Exception:
        traceback.print_exc()
        os._exit(1)


try:
    set_up()
except Exception:
    traceback.print_exc()
    os._exit(1)
bpy.app.timers.register(step, first_interval=0.5)
