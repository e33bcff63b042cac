# Blender's window with the Map Pieces sidebar panel and an imported sample
# piece, kept as a PNG: Blender with a display (Xvfb, Mesa's software
# OpenGL), the add-on installed from its zip.
#   blender --factory-startup --enable-event-simulate --python addon_screenshot.py -- ZIP SAMPLES OUT.png
# Quits with exit code 0 once the picture is written, 1 when something failed.
import os
import sys
import traceback

import bpy

ZIP, SAMPLES, OUT = sys.argv[sys.argv.index("--") + 1:]


def view3d():
    window = bpy.context.window_manager.windows[0]
    area = next(a for a in window.screen.areas if a.type == 'VIEW_3D')
    region = next(r for r in area.regions if r.type == 'WINDOW')
    return window, area, region


def set_up():
    # No splash screen over the window.
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
    # The sidebar shows one tab at a time, the first registered when none was
    # chosen: the built-in tabs of the sidebar step aside so that it shows
    # the add-on's.
    for panel in [p for p in bpy.types.Panel.__subclasses__()
                  if getattr(p, "bl_space_type", "") == 'VIEW_3D'
                  and getattr(p, "bl_region_type", "") == 'UI'
                  and getattr(p, "bl_category", "") in ("Item", "Tool", "View")]:
        bpy.utils.unregister_class(panel)
    window, area, region = view3d()
    space = area.spaces.active
    space.show_region_ui = True
    space.shading.type = 'SOLID'
    space.shading.color_type = 'TEXTURE'
    with bpy.context.temp_override(window=window, area=area, region=region):
        bpy.ops.view3d.view_all()


STEPS = {"n": 0}


def step():
    try:
        window, area, region = view3d()
        STEPS["n"] += 1
        with bpy.context.temp_override(window=window, area=area, region=region):
            # Each call draws the whole window and swaps it to the screen:
            # after a few the sidebar's layout has settled.
            bpy.ops.wm.redraw_timer(type='DRAW_WIN_SWAP', iterations=1)
        if STEPS["n"] == 2:
            # A click on the sidebar's "Map Pieces" tab, the second from the
            # top of the tab strip at the sidebar's right edge (Blender runs
            # with --enable-event-simulate).
            ui = next(r for r in area.regions if r.type == 'UI')
            x = ui.x + ui.width - 10
            y = ui.y + ui.height - 85
            window.event_simulate(type='MOUSEMOVE', value='NOTHING', x=x, y=y)
            window.event_simulate(type='LEFTMOUSE', value='PRESS', x=x, y=y)
            window.event_simulate(type='LEFTMOUSE', value='RELEASE', x=x, y=y)
        if STEPS["n"] < 5:
            return 0.1
        with bpy.context.temp_override(window=window, area=area):
            bpy.ops.screen.screenshot(filepath=OUT)
        print(f"SCREENSHOT {OUT}")
        bpy.ops.wm.quit_blender()
    except Exception:
        traceback.print_exc()
        os._exit(1)
    return None


try:
    set_up()
except Exception:
    traceback.print_exc()
    os._exit(1)
bpy.app.timers.register(step, first_interval=0.5)
