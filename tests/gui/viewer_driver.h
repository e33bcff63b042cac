// Drives the real viewer from outside, as a user and the system would: the
// program is started as its own process, its windows are found by class and
// title, and it is worked through messages, keystrokes and clicks.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Polls `condition` until it holds or a generous bound runs out (the bound
// only keeps a broken program from hanging the run; nothing is timed).
bool WaitFor(const std::function<bool()>& condition, DWORD boundMilliseconds = 30000);

// The code page 932 (Shift-JIS) bytes of a wide text: the viewer's 8-bit texts.
std::string Sjis(const std::wstring& text);
// The text of a window, and the items of a list box, of any process as the
// viewer's 8-bit bytes; read in the wide form, which Wine passes between
// processes intact.
std::string WindowText(HWND window);
std::vector<std::string> ListItems(HWND list);

// Keystrokes through the system's input queue; the window taking them must
// be in front. `keys` are pressed in order and released in reverse.
void PressKeys(std::initializer_list<WORD> keys);
// A left click at the centre of a window, through the system's input queue.
void ClickCentre(HWND window);
// A left click on the close box of a window's title bar, found by asking the
// window where its parts are (WM_NCHITTEST). False when it has none on screen.
bool ClickCloseBox(HWND window);
// Brings a top-level window to the front and waits until it is there.
bool BringToFront(HWND window);

class ViewerProcess {
  public:
    ViewerProcess() = default;
    ~ViewerProcess();
    ViewerProcess(const ViewerProcess&) = delete;
    ViewerProcess& operator=(const ViewerProcess&) = delete;

    // Starts the program with `tail` after its quoted name.
    bool Start(const std::string& tail = "");
    // Starts the program and waits for its main window; null if none came.
    HWND StartAndWaitForMainWindow();

    DWORD Id() const { return info_.dwProcessId; }
    HANDLE Handle() const { return info_.hProcess; }

    // The visible main window of this process, or null.
    HWND MainWindow() const;
    // Visible top-level dialog windows (class "#32770") of this process.
    std::vector<HWND> Dialogs() const;
    // The visible dialog with the given caption, or one holding a control
    // with `text`; null if none.
    HWND Dialog(const std::string& caption) const;
    HWND DialogHolding(const std::string& text) const;
    // A visible top-level window with a child whose text is `text`, found
    // without sending the program a message (the text the system keeps).
    HWND WindowWithStaticText(const std::wstring& text) const;
    // The window with the keyboard focus in the program's thread.
    HWND FocusWindow() const;
    // Waits for the process to end and gives its exit code; STILL_ACTIVE if
    // it did not end within the bound.
    DWORD WaitForExit(DWORD boundMilliseconds = 30000);

  private:
    PROCESS_INFORMATION info_{};
};

inline constexpr char kMainClass[] = "TXR_BMP Converter for win";
inline constexpr char kMainTitle[] = "Varnholt-Map Piece Viewer";
inline constexpr char kFolderDialogTitle[] = "Select Piece Component Locations";
inline constexpr char kAboutTitle[] = "Map Piece Viewer Version Information";

// A test with one viewer started before it and closed after it; the viewer
// must end with exit code 0.
class ViewerTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Waits until the viewer has handled everything sent or posted before.
    void Settle();
    // Opens the folder dialog with File/Open and gives the dialog.
    HWND OpenFolderDialog();
    void FillFolders(HWND dialog, const std::string& profiles, const std::string& models,
                     const std::string& textures);
    // Presses a button (IDOK, IDCANCEL) of a dialog; with `closes`, waits
    // until the dialog is gone.
    void PressDialogButton(HWND dialog, int id, bool closes = false);
    // File/Open, the three folders, "Load"; returns once the scan is over.
    void Scan(const std::string& profiles, const std::string& models = "m",
              const std::string& textures = "t");
    HWND PieceList() { return GetDlgItem(main, 1012); }
    std::vector<std::string> PieceNames() { return ListItems(PieceList()); }
    std::vector<std::string> SortListItems() { return ListItems(GetDlgItem(main, 1014)); }
    // The preview pane's client area on the screen.
    RECT PaneOnScreen();

    ViewerProcess viewer;
    HWND main = nullptr;
};
