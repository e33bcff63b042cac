// What the screen shows, read back through GDI: single pixels, rectangles,
// and screenshots kept as bitmap files for a person to look at.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The colour the screen shows at a point, as 0xRRGGBB.
std::uint32_t ScreenColour(int x, int y);
// The pixels of a device context (the screen's, a surface's) in a rectangle,
// row by row from the top, 0xRRGGBB.
std::vector<std::uint32_t> DcPixels(HDC dc, const RECT& rect);
std::vector<std::uint32_t> ScreenPixels(const RECT& rect);
// Writes pixels (rows from the top, 0xRRGGBB) as a 24-bit bitmap file.
void SavePixels(const std::vector<std::uint32_t>& pixels, int width, int height,
                const std::string& path);
// Writes what the screen shows in `rect` as a 24-bit bitmap file.
void SaveScreenshot(const RECT& rect, const std::string& path);
// True when every channel of the two colours differs by at most `tolerance`;
// false when either is not a colour (0xFFFFFFFF, a failed read).
bool ColoursClose(std::uint32_t a, std::uint32_t b, int tolerance = 10);
