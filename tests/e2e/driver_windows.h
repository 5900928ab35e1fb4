// Finding Zorvane's windows from another process and reading or poking them
// only through what USER32 offers any program.
#ifndef ZORVANE_E2E_DRIVER_WINDOWS_H
#define ZORVANE_E2E_DRIVER_WINDOWS_H

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zdriver {

struct MainWindow {
  HWND window;
  DWORD processId;
};

// The top-level window of class "Zorvane11" (hidden, but still top-level).
std::optional<MainWindow> FindMainWindow();
MainWindow RequireMainWindow();

// Polls every 50 ms; checks at least once, also with a timeout of 0.
bool WaitUntil(DWORD timeoutMs, const std::function<bool()>& ready);

std::vector<HWND> TopLevelWindowsOf(DWORD processId);
std::vector<HWND> ChildrenOf(HWND parent);  // direct children, in Z order (dialog template order)

std::string ClassOf(HWND window);
// Title as the window manager keeps it: no message reaches the target.
std::string TitleOf(HWND window);
// WM_GETTEXT: also right for edit controls, which keep their text themselves.
std::string ControlTextOf(HWND control);

// The first top-level window of the process with exactly this title,
// visible ones preferred; nullptr if there is none.
HWND FindTitledWindow(DWORD processId, const std::string& title, bool visibleOnly);
HWND RequireTitledWindow(const std::string& title);

// A visible message box: a #32770 dialog with the static text control 0xFFFF.
HWND FindMessageBox(DWORD processId);
HWND MessageBoxTextControl(HWND box);

// A visible popup menu window (class "#32768") of the process.
HWND FindPopupMenu(DWORD processId);

// WM_KEYDOWN then WM_KEYUP, with the scan code and repeat count a real key has.
void PostKey(HWND target, UINT virtualKey);

}  // namespace zdriver

#endif
