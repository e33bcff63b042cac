# Writes a catalogue of map pieces as a Blender asset library, without a
# display:
#   blender -b --python blender/make_asset_library.py -- [--piecetool PATH] PROFILES MODELS TEXTURES OUT.blend
# The Map Pieces add-on beside this script does the work (it need not be
# installed); piecetool is the one set with --piecetool, else the one the
# add-on finds (its own copy, the PATH, /usr/bin/piecetool). Exit code 0 when
# the library was written, 1 otherwise, with piecetool's message.
import os
import sys

import bpy

USAGE = ("usage: blender -b --python make_asset_library.py -- [--piecetool PATH] "
         "PROFILES MODELS TEXTURES OUT.blend")


def arguments():
    args = sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else []
    configured = ""
    if len(args) >= 2 and args[0] == "--piecetool":
        configured, args = args[1], args[2:]
    if len(args) != 4:
        sys.exit(USAGE)
    return configured, args[:3], args[3]


def add_on():
    """The installed and enabled add-on when there is one, else the one
    beside this script."""
    enabled = [name for name in bpy.context.preferences.addons.keys()
               if name.split(".")[-1] == "map_pieces"]
    if enabled:
        return sys.modules[enabled[0]]
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import map_pieces
    return map_pieces


def main():
    configured, folders, out = arguments()
    package = add_on()
    asset_library, pieces, piecetool = package.asset_library, package.pieces, package.piecetool

    def report(kind, text):
        print(("warning: " if 'WARNING' in kind else "") + text)

    try:
        if not configured and package.__name__ in bpy.context.preferences.addons:
            configured = bpy.context.preferences.addons[package.__name__].preferences.piecetool_path
        resolved = pieces.catalogue_folders(*folders, ("", "", ""))
        written, listed = asset_library.write_library(bpy.context, configured, resolved, out, report)
    except piecetool.PiecetoolError as error:
        print(f"make_asset_library: {error}", file=sys.stderr)
        sys.exit(1)
    print(f"{written} of {listed} pieces written as assets to {out}")


main()
