#include "app/app_state.h"

// Zero-filled at process start; lives for the whole process.
AppState appState{};
