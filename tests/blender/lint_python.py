#!/usr/bin/python3
# The project's Python checked by pyflakes (Debian's python3-pyflakes), and
# the add-on's bl_info and blender_manifest.toml against the project's version:
#   lint_python.py VERSION ADDON_FOLDER FILE_OR_FOLDER...
# Blender declares properties as annotations with texts for arguments
# (`name: StringProperty(name="Profiles")`): pyflakes is told not to read
# strings inside annotations as type names. Exits 77 (skipped) without pyflakes.
import ast
import os
import re
import sys

try:
    from pyflakes import api, checker, reporter
except ImportError:
    print("SKIPPED: pyflakes is not installed (Debian's python3-pyflakes; install-deps.sh installs it)")
    sys.exit(77)


class BlenderChecker(checker.Checker):
    def STR(self, node):
        pass


checker.Checker = BlenderChecker
version, addon, paths = sys.argv[1], sys.argv[2], sys.argv[2:]
warnings = sum(api.checkRecursive([p], reporter.Reporter(sys.stdout, sys.stderr)) for p in paths)
with open(os.path.join(addon, "__init__.py"), encoding="utf-8") as f:
    info = next(ast.literal_eval(n.value) for n in ast.parse(f.read()).body
                if isinstance(n, ast.Assign) and getattr(n.targets[0], "id", "") == "bl_info")
with open(os.path.join(addon, "blender_manifest.toml"), encoding="utf-8") as f:
    manifest = dict(re.findall(r'^(\w+) = "(.*)"$', f.read(), re.M))
problems = [f"{what} says {got}, the project {version}"
            for what, got in (("bl_info", ".".join(map(str, info["version"]))),
                              ("blender_manifest.toml", manifest.get("version")))
            if got != version]
print("\n".join(problems + [f"{warnings} pyflakes warnings"]))
sys.exit(1 if warnings or problems else 0)
