#include "texture/bmp_to_txr.h"

// The bitmap-to-texture direction is not built yet: it converts nothing and
// prints nothing.
bool ConvertBmpToTxr(const char* bitmapPath, const char* outputPath) {
    (void)bitmapPath;
    (void)outputPath;
    return false;
}
