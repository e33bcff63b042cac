// The viewer's message loop with idle-time rendering.
#pragma once

#include <windows.h>

// Runs until WM_QUIT is taken; `message` holds it then. While the application
// is active the loop polls and renders one frame whenever the queue is empty;
// while inactive or minimised it waits for messages and draws nothing.
// Accelerators are translated for the main window only.
void RunMessageLoop(HACCEL accelerators, MSG& message);
