#pragma once

// A GUI-subsystem program started from a console has no standard output of
// its own. When standard output is not a valid handle, attach to the parent
// process's console so that the converter's lines reach the user. A
// redirected standard output (file or pipe) is left as it is.
void EnsureConsoleOutput();
