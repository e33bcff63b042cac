#!/usr/bin/env python3
# The import checked against Blender's own reading of the same files: the
# models of make_models.py are exported by Blender, read back by Blender
# (inspect_glb.py) and imported as pieces (import_report); each piece must
# draw as many triangles as Blender counts, fill the same bounds, and carry
# the name of the model's one mesh object.
#   check_blender_import.py BLENDER IMPORT_REPORT WORKDIR
# Blender's space has Z up: glTF's (x, y, z) is Blender's (x, -z, y), and the
# viewer's, glTF's with Z mirrored, is Blender's (x, z, y).
import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def blender(blender_path, script, *args):
    # Blender's Python takes its library folder from the first python3 on the
    # PATH: Debian's, beside Blender, must come before any other (a pyenv's),
    # or the glTF add-on finds no numpy.
    folder = os.path.dirname(os.path.realpath(blender_path))
    env = dict(os.environ, PATH=folder + os.pathsep + os.environ.get("PATH", ""))
    result = subprocess.run([blender_path, "-b", "--factory-startup", "--python-exit-code", "3", "--python",
                             os.path.join(HERE, script), "--", *args],
                            capture_output=True, text=True, timeout=300, env=env)
    if result.returncode != 0:
        sys.exit(f"{script} failed:\n{result.stdout[-2000:]}\n{result.stderr[-2000:]}")
    return result.stdout


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: check_blender_import.py BLENDER IMPORT_REPORT WORKDIR")
    blender_path, report_path, work = sys.argv[1:]
    models = os.path.join(work, "models")
    blender(blender_path, "make_models.py", models)
    failures = 0
    if len([n for n in os.listdir(models) if n.endswith(".glb")]) != 4:
        sys.exit(f"make_models.py made {os.listdir(models)}, not the four models")
    for name in sorted(os.listdir(models)):
        if not name.endswith(".glb"):
            continue
        path = os.path.join(models, name)
        seen = None
        for line in blender(blender_path, "inspect_glb.py", path).splitlines():
            if line.startswith("INSPECT "):
                seen = json.loads(line[len("INSPECT "):])
        imported = subprocess.run([report_path, path, os.path.join(work, "pieces")],
                                  capture_output=True, text=True, timeout=60)
        piece = json.loads(imported.stdout) if imported.stdout else {"refused": imported.stderr}
        problems = []
        if seen is None or "refused" in piece:
            problems.append(f"not read: {piece}")
        else:
            if piece["triangles"] != seen["triangles"]:
                problems.append(f"{piece['triangles']} triangles, Blender {seen['triangles']}")
            low, high = seen["bounds"]
            expected = [[low[0], low[2], low[1]], [high[0], high[2], high[1]]]
            for got, want in zip(sum(piece["bounds"], []), sum(expected, [])):
                if abs(got - want) > 1e-4:
                    problems.append(f"bounds {piece['bounds']}, Blender's {expected}")
                    break
            meshes = [o["name"] for o in seen["objects"] if o["type"] == "MESH"]
            if len(meshes) == 1 and piece["name"] != meshes[0]:
                problems.append(f"named {piece['name']!r}, the mesh object {meshes[0]!r}")
        print(f"{name}: {json.dumps(piece, ensure_ascii=False)}")
        for problem in problems:
            print(f"  FAIL {problem}")
        failures += len(problems)
    sys.exit(1 if failures else 0)


main()
