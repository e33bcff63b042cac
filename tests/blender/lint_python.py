#!/usr/bin/python3
# The project's Python checked by pyflakes (Debian's python3-pyflakes), and
# the add-on's two descriptions of itself checked against the project:
#   lint_python.py VERSION FILE_OR_FOLDER...
# Blender declares operator and preference properties as annotations whose
# arguments are texts (`name: StringProperty(name="Profiles")`): those texts
# are no type names, so pyflakes is told not to read strings inside
# annotations as forward references. Exits 77 (skipped) without pyflakes.
import ast
import os
import re
import sys

try:
    from pyflakes import api, checker, reporter
except ImportError:
    print("SKIPPED: pyflakes is not installed (Debian's python3-pyflakes; "
          "scripts/install-deps.sh installs it)")
    sys.exit(77)


class BlenderChecker(checker.Checker):
    def STR(self, node):
        pass  # texts, also inside annotations


checker.Checker = BlenderChecker


def metadata_problems(version, folder):
    """bl_info and blender_manifest.toml agree with the project's version and
    name, and the manifest declares what 4.2's extension platform requires."""
    problems = []
    with open(os.path.join(folder, "__init__.py"), encoding="utf-8") as f:
        tree = ast.parse(f.read())
    info = next(ast.literal_eval(node.value) for node in tree.body
                if isinstance(node, ast.Assign) and getattr(node.targets[0], "id", "") == "bl_info")
    if ".".join(map(str, info["version"])) != version:
        problems.append(f"bl_info version {info['version']}, the project's is {version}")
    if info["name"] != "Map Pieces" or info["blender"] != (3, 4, 0):
        problems.append(f"bl_info names {info['name']!r} for Blender {info['blender']}")
    with open(os.path.join(folder, "blender_manifest.toml"), encoding="utf-8") as f:
        manifest = dict(re.findall(r'^(\w+) = (.+)$', f.read(), re.M))
    wanted = {"id": '"map_pieces"', "version": f'"{version}"', "name": '"Map Pieces"',
              "type": '"add-on"', "blender_version_min": '"4.2.0"'}
    for key, value in wanted.items():
        if manifest.get(key) != value:
            problems.append(f"blender_manifest.toml: {key} = {manifest.get(key)}, not {value}")
    for key in ("license", "files", "maintainer", "tagline"):
        if key not in manifest:
            problems.append(f"blender_manifest.toml has no {key}")
    for name in os.listdir(folder):
        if name.endswith(".py"):
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                text = f.read()
            # An extension lives under bl_ext.<repository>: only relative
            # imports of its own modules find them.
            if re.search(r"^\s*(from|import) map_pieces\b", text, re.M):
                problems.append(f"{name}: imports map_pieces by its name, not relatively")
    return problems


def main():
    version, paths = sys.argv[1], sys.argv[2:]
    out = reporter.Reporter(sys.stdout, sys.stderr)
    warnings = sum(api.checkRecursive([p], out) for p in paths)
    problems = []
    for path in paths:
        if os.path.isfile(os.path.join(path, "blender_manifest.toml")):
            problems += metadata_problems(version, path)
    for problem in problems:
        print(problem)
    print(f"{warnings} pyflakes warnings, {len(problems)} problems in the add-on's metadata")
    sys.exit(1 if warnings or problems else 0)


main()
