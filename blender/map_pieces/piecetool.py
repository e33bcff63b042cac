# Finding and running piecetool, the one converter of the piece formats: the
# add-on holds no format code of its own, so every piece read or written
# passes through a run of piecetool here. A refusal of piecetool comes back
# as a PiecetoolError carrying piecetool's own words.
import os
import shutil
import stat
import subprocess
import sys

WINDOWS = sys.platform.startswith("win")
PROGRAM = "piecetool.exe" if WINDOWS else "piecetool"
SYSTEM_COPY = "/usr/bin/piecetool"
HOW_TO_SET = ("Install pieceviewer's piecetool, or set its path in Edit > Preferences > Add-ons > "
              "Map Pieces > piecetool path")


class PiecetoolError(Exception):
    """A run that did not do its work: the text is what the user should read."""


def bundled_path():
    """Where the add-on's zip puts the converter built with it."""
    return os.path.join(os.path.dirname(os.path.abspath(__file__)), "bin", PROGRAM)


def _make_executable(path):
    # Python's zipfile, which installs an add-on, drops the execute bits of
    # what it unpacks: the bundled copy gets them back before it is run.
    if WINDOWS:
        return
    mode = os.stat(path).st_mode
    wanted = mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH
    if mode != wanted:
        os.chmod(path, wanted)


def candidates(configured):
    """The places looked in, in order: the path set in the preferences alone
    when there is one; otherwise the bundled copy, the PATH, /usr/bin."""
    if configured:
        return [("the path set in the preferences", os.path.abspath(os.path.expanduser(configured)))]
    found = [("the add-on's own copy", bundled_path())]
    on_path = shutil.which(PROGRAM)
    found.append(("the PATH", on_path))
    if not WINDOWS:
        found.append(("the system", SYSTEM_COPY))
    return found


def locate(configured):
    """The piecetool to run; a PiecetoolError that says where it looked and
    how to set the path when there is none."""
    looked = []
    for where, path in candidates(configured):
        if path and os.path.isfile(path):
            if path == bundled_path():
                try:
                    _make_executable(path)
                except OSError as error:
                    raise PiecetoolError(f"piecetool at {path} cannot be made executable: {error}. "
                                         f"{HOW_TO_SET}")
            if WINDOWS or os.access(path, os.X_OK):
                return path
            looked.append(f"{path} (not executable)")
        else:
            looked.append(path if path else f"{where} (no {PROGRAM} on it)")
    raise PiecetoolError("Map Pieces cannot find piecetool: looked at " + ", ".join(looked) +
                         ". " + HOW_TO_SET + ".")


def version(configured):
    """(path, version text) of the piecetool found; PiecetoolError when it is
    missing or does not run."""
    path = locate(configured)
    completed = _run([path, "--version"], path)
    text = completed.stdout.strip()
    if completed.returncode != 0 or not text.startswith("piecetool "):
        raise PiecetoolError(f"piecetool at {path} is unusable: '--version' gave "
                             f"{(completed.stdout + completed.stderr).strip()!r}. {HOW_TO_SET}.")
    return path, text[len("piecetool "):]


def _run(command, path):
    try:
        # Piece names are UTF-8 on piecetool's output on every system.
        return subprocess.run(command, capture_output=True, text=True, encoding="utf-8",
                              errors="replace", stdin=subprocess.DEVNULL,
                              creationflags=getattr(subprocess, "CREATE_NO_WINDOW", 0))
    except OSError as error:
        raise PiecetoolError(f"piecetool at {path} is unusable: {error}. {HOW_TO_SET}.")


class Run:
    """One finished run: its exit code, output, and the lines of its notes
    and warnings, which reach the user as warnings."""

    def __init__(self, completed):
        self.code = completed.returncode
        self.stdout = completed.stdout
        self.stderr = completed.stderr
        self.warnings = [line.strip() for line in (self.stdout + "\n" + self.stderr).splitlines()
                         if line.strip().startswith(("note:", "warning:", "warning "))]


def refusal_text(run):
    """piecetool's own words for a failed run: its error lines, else all it said."""
    lines = [line.strip() for line in (run.stderr + "\n" + run.stdout).splitlines() if line.strip()]
    errors = [line for line in lines if line.startswith(("piecetool:", "error"))]
    return "\n".join(errors or lines or [f"piecetool exited with code {run.code}"])


def run(configured, *arguments, accept=(0,)):
    """Runs piecetool with the arguments; a PiecetoolError with piecetool's
    message when it exits with a code not in `accept`."""
    path = locate(configured)
    result = Run(_run([path, *arguments], path))
    if result.code not in accept:
        raise PiecetoolError(refusal_text(result))
    return result
