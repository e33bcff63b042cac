// The preview of the real viewer, driven as a user drives it: the folders
// chosen in the folder dialog, pieces chosen in the piece list, the window
// minimised and restored; checked by what the screen shows in the preview
// pane.
#include "support/msm_builder.h"
#include "support/run_program.h"
#include "support/scratch.h"
#include "support/txr_builder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr char kMainClass[] = "TXR_BMP Converter for win";
constexpr char kFolderDialogTitle[] = "Select Piece Component Locations";
constexpr int kOpenCommand = 40005;
constexpr int kPieceList = 1012;
constexpr int kFrameId = 1011;
constexpr std::uint32_t kClear = 0x7777FF;
constexpr int kPathCapacityForTests = 260;

// A folder of the build, handed over as a Unix path: Wine shows the Unix
// root as drive Z:.
std::string WinePath(const char* unixPath) {
    std::string path = "Z:";
    path.append(unixPath);
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

Bytes SolidTxr(std::uint32_t colour) {
    TestTexture t;
    t.width = 64;
    t.height = 64;
    t.bitsPerPixel = 24;
    t.levelCount = 1;
    t.pixel = [colour](int, int, int channel) {
        return static_cast<std::uint8_t>(colour >> (8 * channel));
    };
    return BuildTxr(t);
}

// A profile: the model file name at offset 0, the piece name at offset 100.
Bytes Profile(const std::string& modelFile, const std::string& pieceName) {
    Bytes bytes(228, 0);
    std::memcpy(bytes.data(), modelFile.data(), std::min<std::size_t>(modelFile.size(), 32));
    std::memcpy(bytes.data() + 100, pieceName.data(), std::min<std::size_t>(pieceName.size(), 128));
    return bytes;
}

bool ColoursClose(std::uint32_t a, std::uint32_t b, int tolerance = 10) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) {
            return false;
        }
    }
    return true;
}

std::uint32_t ScreenColour(POINT p) {
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// The screen's pixels in a rectangle, top-down, 0xRRGGBB each.
std::vector<std::uint32_t> ScreenPixels(const RECT& r) {
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<std::uint32_t> pixels;
    if (bitmap != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
        SelectObject(memory, old);
        const auto* p = static_cast<const std::uint32_t*>(bits);
        pixels.assign(p, p + static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        for (std::uint32_t& pixel : pixels) {
            pixel &= 0xFFFFFF;
        }
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Writes pixels as a 24-bit bottom-up bitmap file.
void WriteBitmapFile(const std::string& path, const std::vector<std::uint32_t>& pixels, int w,
                     int h) {
    const int stride = (w * 3 + 3) / 4 * 4;
    Bytes bytes(54 + static_cast<std::size_t>(stride * h), 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<std::uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(w));
    put32(22, static_cast<std::uint32_t>(h));
    bytes[26] = 1;
    bytes[28] = 24;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y * w + x)];
            std::uint8_t* out = &bytes[54 + static_cast<std::size_t>((h - 1 - y) * stride + x * 3)];
            out[0] = static_cast<std::uint8_t>(p);
            out[1] = static_cast<std::uint8_t>(p >> 8);
            out[2] = static_cast<std::uint8_t>(p >> 16);
        }
    }
    WriteBytes(path, bytes);
}

struct WindowSearch {
    DWORD processId;
    const char* className;
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) {
        return TRUE;
    }
    char text[256] = {};
    GetClassNameA(window, text, sizeof text);
    if (std::strcmp(text, search->className) != 0) {
        return TRUE;
    }
    if (search->title != nullptr) {
        GetWindowTextA(window, text, sizeof text);
        if (std::strcmp(text, search->title) != 0) {
            return TRUE;
        }
    }
    search->found = window;
    return FALSE;
}

HWND WaitForWindow(DWORD processId, const char* className, const char* title,
                   DWORD timeoutMs = 15000) {
    const DWORD start = GetTickCount();
    do {
        WindowSearch search{processId, className, title, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return search.found;
        }
        Sleep(50);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

BOOL CALLBACK MatchFrame(HWND child, LPARAM context) {
    char name[64] = {};
    GetClassNameA(child, name, sizeof name);
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    if (GetDlgCtrlID(child) == kFrameId && lstrcmpiA(name, "Static") == 0 &&
        (style & SS_TYPEMASK) == SS_BLACKFRAME) {
        *reinterpret_cast<HWND*>(context) = child;
        return FALSE;
    }
    return TRUE;
}

void SetWindowTextWide(HWND window, const std::string& text) {
    wchar_t wide[kPathCapacityForTests] = {};
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, kPathCapacityForTests);
    SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide));
}

// The viewer, started without a switch, with its temporary files in a
// folder of the test's own.
class Viewer {
  public:
    explicit Viewer(const std::string& tempFolder) {
        char saved[2][MAX_PATH] = {};
        const char* names[2] = {"TMP", "TEMP"};
        for (int i = 0; i < 2; ++i) {
            if (GetEnvironmentVariableA(names[i], saved[i], MAX_PATH) >= MAX_PATH) {
                saved[i][0] = '\0';
            }
            SetEnvironmentVariableA(names[i], tempFolder.c_str());
        }
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string commandLine = "\"";
        commandLine += ProgramUnderTest();
        commandLine += '"';
        started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &process) != 0;
        for (int i = 0; i < 2; ++i) {
            SetEnvironmentVariableA(names[i], saved[i][0] ? saved[i] : nullptr);
        }
        if (started) {
            mainWindow = WaitForWindow(process.dwProcessId, kMainClass, nullptr);
        }
        if (mainWindow != nullptr) {
            EnumChildWindows(mainWindow, MatchFrame, reinterpret_cast<LPARAM>(&frame));
            list = GetDlgItem(mainWindow, kPieceList);
        }
    }

    ~Viewer() {
        if (started) {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process.hProcess, 1);
                WaitForSingleObject(process.hProcess, 5000);
            }
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }

    bool Ready() const { return mainWindow != nullptr && frame != nullptr && list != nullptr; }

    // File/Open, the three folders typed into the dialog, "Load"; true when
    // the piece list then holds `pieces` items.
    bool ChooseFolders(const std::string& profiles, const std::string& models,
                       const std::string& textures, int pieces) {
        PostMessageA(mainWindow, WM_COMMAND, kOpenCommand, 0);
        HWND dialog = WaitForWindow(process.dwProcessId, "#32770", kFolderDialogTitle);
        if (dialog == nullptr) {
            return false;
        }
        SetWindowTextWide(GetDlgItem(dialog, 1000), profiles);
        SetWindowTextWide(GetDlgItem(dialog, 1006), models);
        SetWindowTextWide(GetDlgItem(dialog, 1008), textures);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < 10000) {
            if (SendMessageA(list, LB_GETCOUNT, 0, 0) == pieces && !IsWindow(dialog)) {
                return true;
            }
            Sleep(50);
        }
        return false;
    }

    // The next piece of the list, as the Down key chooses it.
    void NextPiece() {
        PostMessageA(list, WM_KEYDOWN, VK_DOWN, 0x00500001);
        PostMessageA(list, WM_KEYUP, VK_DOWN, 0xC0500001);
    }

    RECT PaneOnScreen() const {
        RECT client{};
        GetClientRect(frame, &client);
        POINT a{client.left, client.top}, b{client.right, client.bottom};
        ClientToScreen(frame, &a);
        ClientToScreen(frame, &b);
        return RECT{a.x, a.y, b.x, b.y};
    }

    POINT PaneCentre() const {
        const RECT r = PaneOnScreen();
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }

    // Waits until the pane's centre shows `colour`; the colour last seen.
    std::uint32_t WaitForCentre(std::uint32_t colour, DWORD timeoutMs = 8000) {
        const DWORD start = GetTickCount();
        std::uint32_t seen = 0;
        do {
            seen = ScreenColour(PaneCentre());
            if (ColoursClose(seen, colour)) {
                return seen;
            }
            Sleep(50);
        } while (GetTickCount() - start < timeoutMs);
        return seen;
    }

    int Close() {
        PostMessageA(mainWindow, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
            return -12345;
        }
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        return static_cast<int>(code);
    }

    bool started = false;
    PROCESS_INFORMATION process{};
    HWND mainWindow = nullptr;
    HWND frame = nullptr;
    HWND list = nullptr;
};

class ViewerPreview : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* sub : {"profiles", "models", "textures", "tmp"}) {
            std::filesystem::create_directory(folder.Path() / sub);
        }
    }
    std::string Sub(const std::string& sub) const { return folder.File(sub); }
    void WritePiece(const std::string& profile, const std::string& model, const std::string& name) {
        WriteBytes(Sub("profiles") + "\\" + profile, Profile(model, name));
    }
    std::vector<std::string> TempEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path() / "tmp")) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    ScratchFolder folder;
};

TEST_F(ViewerPreview, ChosenPiecesTurnInThePaneAndSurviveMinimising) {
    WriteBytes(Sub("textures") + "\\green.txr", SolidTxr(0x30C050));
    WriteBytes(Sub("textures") + "\\red.txr", SolidTxr(0xD03020));
    WriteBytes(Sub("models") + "\\green.msm", BuildMsm(BoxModel({"green.bmp"}, 0)).bytes);
    WriteBytes(Sub("models") + "\\red.msm", BuildMsm(BoxModel({"red.bmp"}, 0)).bytes);
    // A piece whose textures do not convert, and one whose model is missing.
    WriteBytes(Sub("textures") + "\\broken.txr", Bytes(30, 0xFF));
    WriteBytes(Sub("models") + "\\broken.msm",
               BuildMsm(BoxModel({"broken.bmp", "absent.bmp"}, 0)).bytes);
    WritePiece("a.prt", "green.msm", "Green box");
    WritePiece("b.prt", "red.msm", "Red box");
    WritePiece("c.prt", "broken.msm", "Broken textures");
    WritePiece("d.prt", "nothing.msm", "No model");

    Viewer viewer(Sub("tmp"));
    ASSERT_TRUE(viewer.Ready());
    // Before any piece: the clear colour.
    EXPECT_EQ(viewer.WaitForCentre(kClear), kClear);

    ASSERT_TRUE(viewer.ChooseFolders(Sub("profiles"), Sub("models"), Sub("textures"), 4));
    // The scan puts the caret on the first piece and loads it.
    std::uint32_t seen = viewer.WaitForCentre(0x30C050);
    EXPECT_TRUE(ColoursClose(seen, 0x30C050)) << std::hex << seen;

    viewer.NextPiece();
    seen = viewer.WaitForCentre(0xD03020);
    EXPECT_TRUE(ColoursClose(seen, 0xD03020)) << std::hex << seen;

    // Minimise, then restore: the display is rebuilt, the piece keeps its
    // texture and goes on turning.
    PostMessageA(viewer.mainWindow, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    for (int i = 0; i < 100 && !IsIconic(viewer.mainWindow); ++i) {
        Sleep(50);
    }
    EXPECT_TRUE(IsIconic(viewer.mainWindow));
    PostMessageA(viewer.mainWindow, WM_SYSCOMMAND, SC_RESTORE, 0);
    for (int i = 0; i < 100 && IsIconic(viewer.mainWindow); ++i) {
        Sleep(50);
    }
    SetForegroundWindow(viewer.mainWindow);
    seen = viewer.WaitForCentre(0xD03020);
    EXPECT_TRUE(ColoursClose(seen, 0xD03020)) << std::hex << seen;

    // Textures that do not convert: the box is drawn untextured, lit white.
    viewer.NextPiece();
    seen = viewer.WaitForCentre(0xFFFFFF);
    EXPECT_TRUE(ColoursClose(seen, 0xFFFFFF)) << std::hex << seen;
    // A missing model: the empty frame.
    viewer.NextPiece();
    seen = viewer.WaitForCentre(kClear);
    EXPECT_EQ(seen, kClear) << std::hex << seen;

    // Every load, good or failed, took its temporary bitmaps away again.
    EXPECT_EQ(TempEntries(), std::vector<std::string>{});
    EXPECT_EQ(viewer.Close(), 0);
}

// The sample pieces of the repository, as the README has a new user open
// them; a screenshot of the main window is kept for a person to look at.
TEST_F(ViewerPreview, SamplePieceTurnsInTheMainWindow) {
    const std::string samples = WinePath(PV_SAMPLES_DIR);
    Viewer viewer(Sub("tmp"));
    ASSERT_TRUE(viewer.Ready());
    const int pieces = PV_SAMPLE_PIECES;
    ASSERT_TRUE(viewer.ChooseFolders(samples + "\\profiles", samples + "\\models",
                                     samples + "\\textures", pieces));
    SetForegroundWindow(viewer.mainWindow);
    Sleep(1500);
    const RECT pane = viewer.PaneOnScreen();
    const std::vector<std::uint32_t> first = ScreenPixels(pane);
    Sleep(400);
    const std::vector<std::uint32_t> later = ScreenPixels(pane);
    ASSERT_EQ(first.size(), later.size());
    ASSERT_FALSE(first.empty());
    // Something besides the background is drawn, and it moves.
    std::size_t piecePixels = 0, changed = 0;
    for (std::size_t i = 0; i < first.size(); ++i) {
        piecePixels += first[i] != kClear;
        changed += first[i] != later[i];
    }
    EXPECT_GT(piecePixels, first.size() / 50);
    EXPECT_GT(changed, 0u);

    RECT window{};
    GetWindowRect(viewer.mainWindow, &window);
    const std::vector<std::uint32_t> shot = ScreenPixels(window);
    const std::string artifacts = WinePath(PV_ARTIFACT_DIR);
    std::filesystem::create_directories(artifacts);
    WriteBitmapFile(artifacts + "\\preview_main_window.bmp", shot, window.right - window.left,
                    window.bottom - window.top);
    EXPECT_EQ(viewer.Close(), 0);
}

} // namespace
