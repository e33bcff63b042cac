#include "app/message_loop_win.h"

#include "app/app_state.h"
#include "preview/frame_win.h"

void RunMessageLoop(HACCEL accelerators, MSG& message) {
    while (message.message != WM_QUIT) {
        BOOL taken;
        if (appState.appActive != 0) {
            taken = PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
        } else {
            taken = GetMessageA(&message, nullptr, 0, 0);
        }
        if (taken != 0) {
            if (message.message != WM_QUIT &&
                !TranslateAcceleratorA(appState.mainWindow, accelerators, &message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        } else if (appState.appActive != 0 && appState.deviceReady != 0) {
            RenderFrame();
        }
    }
}
