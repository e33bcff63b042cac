#include "preview/frame_win.h"

// The 3D preview is not built yet: no frame is drawn.
HRESULT RenderFrame() { return S_OK; }
