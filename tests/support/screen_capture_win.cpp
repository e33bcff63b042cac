#include "support/screen_capture_win.h"

#include "builders/bmp_builder.h"
#include "support/scratch.h"

std::uint32_t ScreenColour(int x, int y) {
    const HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

std::vector<std::uint32_t> DcPixels(HDC dc, const RECT& rect) {
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    // 32-bit rows from the top (a negative height), read after a copy of the
    // rectangle into a bitmap of the same size.
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    const HDC memory = CreateCompatibleDC(dc);
    const HBITMAP bitmap = CreateCompatibleBitmap(dc, w, h);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, dc, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(h), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    for (std::uint32_t& p : pixels) {
        p &= 0xFFFFFF;
    }
    return pixels;
}

std::vector<std::uint32_t> ScreenPixels(const RECT& rect) {
    const HDC screen = GetDC(nullptr);
    std::vector<std::uint32_t> pixels = DcPixels(screen, rect);
    ReleaseDC(nullptr, screen);
    return pixels;
}

void SavePixels(const std::vector<std::uint32_t>& pixels, int width, int height,
                const std::string& path) {
    TestBitmap shot = Plain24(width, height);
    shot.pixel = [&](int x, int y, int channel) {
        const std::size_t at = static_cast<std::size_t>(y * width + x);
        return static_cast<std::uint8_t>(at < pixels.size() ? pixels[at] >> (8 * channel) : 0);
    };
    WriteBytes(path, BuildBmp(shot));
}

void SaveScreenshot(const RECT& rect, const std::string& path) {
    SavePixels(ScreenPixels(rect), rect.right - rect.left, rect.bottom - rect.top, path);
}

bool ColoursClose(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) {
            return false;
        }
    }
    return a <= 0xFFFFFF && b <= 0xFFFFFF;
}
