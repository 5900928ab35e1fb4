#include "driver_windows.h"

#include "driver_support.h"

namespace zdriver {

namespace {

constexpr DWORD kPollIntervalMs = 50;
// A window that does not answer WM_GETTEXT within this time is reported as hung.
constexpr UINT kSendTimeoutMs = 5000;
constexpr int kMessageBoxTextId = 0xFFFF;

struct ProcessWindows {
  DWORD processId;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectIfOwned(HWND window, LPARAM param) {
  auto* wanted = reinterpret_cast<ProcessWindows*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == wanted->processId) wanted->windows.push_back(window);
  return TRUE;
}

}  // namespace

std::optional<MainWindow> FindMainWindow() {
  HWND window = FindWindowA("Zorvane11", nullptr);
  if (window == nullptr) return std::nullopt;
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  return MainWindow{window, processId};
}

MainWindow RequireMainWindow() {
  std::optional<MainWindow> main = FindMainWindow();
  if (!main) throw Failure("no window of class Zorvane11 (is zorvane.exe running in this prefix?)");
  return *main;
}

bool WaitUntil(DWORD timeoutMs, const std::function<bool()>& ready) {
  ULONGLONG start = GetTickCount64();
  for (;;) {
    if (ready()) return true;
    if (GetTickCount64() - start >= timeoutMs) return false;
    Sleep(kPollIntervalMs);
  }
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId) {
  ProcessWindows found{processId, {}};
  EnumWindows(CollectIfOwned, reinterpret_cast<LPARAM>(&found));
  return found.windows;
}

std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string TitleOf(HWND window) {
  char title[1024] = {};
  GetWindowTextA(window, title, sizeof title);
  return title;
}

std::string ControlTextOf(HWND control) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length)) {
    throw Failure("window " + FormatHandle(control) + " does not answer WM_GETTEXTLENGTH");
  }
  // The length is in the window's own characters; UTF-8 can need up to three bytes for one.
  std::string text(length * 3 + 1, '\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied)) {
    throw Failure("window " + FormatHandle(control) + " does not answer WM_GETTEXT");
  }
  text.resize(copied < text.size() ? copied : text.size() - 1);
  return text;
}

HWND FindTitledWindow(DWORD processId, const std::string& title, bool visibleOnly) {
  HWND hidden = nullptr;
  for (HWND window : TopLevelWindowsOf(processId)) {
    if (TitleOf(window) != title) continue;
    if (IsWindowVisible(window)) return window;
    if (hidden == nullptr) hidden = window;
  }
  return visibleOnly ? nullptr : hidden;
}

HWND RequireTitledWindow(const std::string& title) {
  HWND window = FindTitledWindow(RequireMainWindow().processId, title, false);
  if (window == nullptr) throw Failure("no window titled '" + title + "' in Zorvane's process");
  return window;
}

HWND MessageBoxTextControl(HWND box) {
  for (HWND child : ChildrenOf(box)) {
    if ((GetDlgCtrlID(child) & 0xFFFF) == kMessageBoxTextId && ClassOf(child) == "Static") return child;
  }
  return nullptr;
}

HWND FindMessageBox(DWORD processId) {
  for (HWND window : TopLevelWindowsOf(processId)) {
    if (IsWindowVisible(window) && ClassOf(window) == "#32770" && MessageBoxTextControl(window) != nullptr) {
      return window;
    }
  }
  return nullptr;
}

HWND FindPopupMenu(DWORD processId) {
  for (HWND window : TopLevelWindowsOf(processId)) {
    if (IsWindowVisible(window) && ClassOf(window) == "#32768") return window;
  }
  return nullptr;
}

void PostKey(HWND target, UINT virtualKey) {
  LPARAM scanCode = static_cast<LPARAM>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC)) << 16;
  PostMessageA(target, WM_KEYDOWN, virtualKey, scanCode | 1);
  // Key-up: previous state down (bit 30) and transition (bit 31).
  PostMessageA(target, WM_KEYUP, virtualKey, scanCode | 1 | (1LL << 30) | (1LL << 31));
}

}  // namespace zdriver
