#!/usr/bin/env python3
# The map maker's loop through Blender: models made in Blender and exported by
# Blender's own glTF exporter (make_models.py) are imported as pieces with
# `piecetool import`, exported again with `piecetool export`, and read back by
# Blender (inspect_glb.py). Each must come back with as many triangles as
# Blender counted in the model, in the same bounds (both readings are
# Blender's, in its own Z-up space; within 1e-4 of the model's size) and with
# the name of the model's one mesh object; `piecetool check` must find
# nothing in the pieces.
#   check_blender_import.py PIECETOOL WORKDIR
# Exits 77 (skipped, not passed) when Blender is not installed.
import json
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SKIPPED = 77


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


def inspect(blender_path, path):
    for line in blender(blender_path, "inspect_glb.py", path).splitlines():
        if line.startswith("INSPECT "):
            return json.loads(line[len("INSPECT "):])
    sys.exit(f"inspect_glb.py said nothing of {path}")


def piecetool(piecetool_path, *args):
    result = subprocess.run([piecetool_path, *args], capture_output=True, text=True, timeout=120)
    return result.returncode, result.stdout + result.stderr


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: check_blender_import.py PIECETOOL WORKDIR")
    piecetool_path, work = sys.argv[1:]
    blender_path = shutil.which("blender")
    if blender_path is None:
        print("SKIPPED: Blender is not installed (Debian's blender package; scripts/install-deps.sh "
              "installs it), so the import was not checked against it")
        sys.exit(SKIPPED)
    shutil.rmtree(work, ignore_errors=True)
    models = os.path.join(work, "models")
    folders = [os.path.join(work, "pieces", sub) for sub in ("profiles", "models", "textures")]
    for folder in folders:
        os.makedirs(folder)
    blender(blender_path, "make_models.py", models)
    names = sorted(n for n in os.listdir(models) if n.endswith(".glb"))
    if len(names) != 5:
        sys.exit(f"make_models.py made {names}, not the five models")
    failures = []
    for name in names:
        stem = name[:-len(".glb")]
        seen = inspect(blender_path, os.path.join(models, name))
        code, said = piecetool(piecetool_path, "import", os.path.join(models, name), *folders)
        print(f"{name}: piecetool import: {said.strip()}")
        if code != 0:
            failures.append(f"{name}: import exited with {code}")
            continue
        out = os.path.join(work, "exported")
        code, said = piecetool(piecetool_path, "export", *folders, out, "--piece", stem)
        if code != 0:
            failures.append(f"{name}: export exited with {code}: {said}")
            continue
        back = inspect(blender_path, os.path.join(out, stem + ".glb"))
        print(f"  Blender read {seen['triangles']} triangles in {seen['bounds']}; "
              f"after the round trip {back['triangles']} in {back['bounds']}")
        if back["triangles"] != seen["triangles"]:
            failures.append(f"{name}: {back['triangles']} triangles, Blender made {seen['triangles']}")
        size = max(high - low for low, high in zip(*seen["bounds"]))
        for got, want in zip(sum(back["bounds"], []), sum(seen["bounds"], [])):
            if abs(got - want) > 1e-4 * size:
                failures.append(f"{name}: bounds {back['bounds']}, Blender's {seen['bounds']}")
                break
        meshes = [o["name"] for o in seen["objects"] if o["type"] == "MESH"]
        back_meshes = [o["name"] for o in back["objects"] if o["type"] == "MESH"]
        if len(meshes) == 1 and back_meshes != meshes:
            failures.append(f"{name}: came back as {back_meshes}, the model's mesh object is {meshes}")
    code, said = piecetool(piecetool_path, "check", *folders, "--all")
    print(f"piecetool check --all: {said.strip()}")
    if code != 0 or "0 errors, 0 warnings" not in said or "info" in said:
        failures.append("check found something in the imported pieces")
    for failure in failures:
        print(f"FAIL {failure}")
    sys.exit(1 if failures else 0)


main()
