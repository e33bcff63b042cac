// Entry point of the Windows program: the converter runs first, before any
// window exists; without a conversion switch the viewer starts.
#include "app/app_state.h"
#include "app/console_win.h"
#include "app/main_window_win.h"
#include "app/message_loop_win.h"
#include "preview/display_win.h"
#include "resources/resource_ids.h"
#include "texture/command_line.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand) {
    (void)previousInstance;
    if (IsConversionTail(commandLine)) {
        EnsureConsoleOutput();
    }
    // Returns only when the tail asks for no conversion.
    HandleCommandLine(commandLine);

    appState.instance = instance;
    RegisterMainClass(instance);
    // WM_CREATE builds the child controls and sets previewWindow.
    appState.mainWindow = CreateMainWindow(instance);
    if (appState.mainWindow == nullptr) {
        return 0;
    }
    ShowWindow(appState.mainWindow, showCommand);
    UpdateWindow(appState.mainWindow);
    const HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATOR));
    if (FAILED(InitDisplay(appState.previewWindow, IID_IDirect3DHALDevice))) {
        return 0; // no usable display: the viewer ends without a message
    }
    MSG message{};
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    appState.deviceReady = 1;
    RunMessageLoop(accelerators, message);

    if (appState.modelImage != nullptr) {
        GlobalFree(appState.modelImage);
        appState.modelImage = nullptr;
    }
    return static_cast<int>(message.wParam);
}
