#!/usr/bin/env python3
# The Map Pieces add-on end to end in Debian's Blender 3.4, headless, with a
# fresh user folder each run (BLENDER_USER_CONFIG, BLENDER_USER_SCRIPTS), the
# add-on installed from its zip as a user installs it:
#   run_addon_tests.py ZIP PIECETOOL SAMPLES WORKDIR
# First make_asset_library.py writes the samples' library headless, then one
# Blender process runs every check of addon_checks.py. Exits 77 (skipped,
# not passed) when Blender is not installed.
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SKIPPED = 77


def blender_env(blender_path, work):
    # Debian's python3 beside Blender first: Blender's Python takes its
    # library folder from the first python3 on the PATH. No piecetool on the
    # PATH, so that the add-on's own copy is what it finds.
    folder = os.path.dirname(os.path.realpath(blender_path))
    path = [folder] + [p for p in os.environ.get("PATH", "").split(os.pathsep)
                       if p and not os.path.isfile(os.path.join(p, "piecetool"))]
    env = dict(os.environ, PATH=os.pathsep.join(path),
               BLENDER_USER_CONFIG=os.path.join(work, "user", "config"),
               BLENDER_USER_SCRIPTS=os.path.join(work, "user", "scripts"))
    return env


def blender(blender_path, env, script, *args):
    result = subprocess.run([blender_path, "-b", "--factory-startup", "--python-exit-code", "3",
                             "--python", script, "--", *args],
                            capture_output=True, text=True, timeout=600, env=env)
    # Blender's own chatter is long: every failure line, then the end.
    failures = [line for line in result.stdout.splitlines() if line.startswith("FAIL ")]
    print(result.stdout[-3000:])
    print("\n".join(failures))
    if result.returncode != 0:
        print(result.stderr[-4000:])
        sys.exit(f"{os.path.basename(script)} failed with exit code {result.returncode}")
    return result.stdout


def main():
    if len(sys.argv) != 5:
        sys.exit("usage: run_addon_tests.py ZIP PIECETOOL SAMPLES WORKDIR")
    zip_path, piecetool, samples, work = sys.argv[1:]
    blender_path = shutil.which("blender")
    if blender_path is None:
        print("SKIPPED: Blender is not installed (Debian's blender package; scripts/install-deps.sh "
              "installs it), so the Map Pieces add-on was not checked")
        sys.exit(SKIPPED)
    if not os.path.isfile(zip_path):
        sys.exit(f"no add-on zip at {zip_path}: build the blender_addon target")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(os.path.join(work, "script"))
    env = blender_env(blender_path, work)
    said = blender(blender_path, env, os.path.join(ROOT, "blender", "make_asset_library.py"),
                   "--piecetool", piecetool, *[os.path.join(samples, s)
                                               for s in ("profiles", "models", "textures")],
                   os.path.join(work, "script", "pieces.blend"))
    if "5 of 5 pieces written as assets" not in said:
        sys.exit("make_asset_library.py did not say it wrote the five samples")
    blender(blender_path, env, os.path.join(HERE, "addon_checks.py"), zip_path, samples, work,
            piecetool)


main()
