// zdriver: drives a running zorvane.exe from outside, for the end-to-end tests.
//
// Run in the same Wine prefix as Zorvane: wine64 zdriver.exe COMMAND ARGS...
// Output is UTF-8, one item per line. Exit code 0 on success, 1 when what the
// command needs is not there or did not come in time (reason on stderr),
// 2 on bad usage. Nothing here reaches inside Zorvane: only window messages,
// window and control texts, the registry and the executable's resources.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "driver_menu.h"
#include "driver_registry.h"
#include "driver_support.h"
#include "driver_tray.h"
#include "driver_windows.h"

namespace zdriver {
namespace {

constexpr UINT kTrayMessage = 1029;
constexpr WPARAM kTrayIconId = 1;

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* usage;
  std::size_t minArguments;
  std::size_t maxArguments;
  void (*run)(const Args& args);
};

void WaitMain(const Args& args) {
  DWORD timeout = ParseTimeout(args[0]);
  std::optional<MainWindow> main;
  if (!WaitUntil(timeout, [&] { return (main = FindMainWindow()).has_value(); })) {
    throw Failure("no window of class Zorvane11 after " + args[0] + " ms");
  }
  Print(FormatHandle(main->window) + "\t" + std::to_string(main->processId) + "\n");
}

void PostCommand(const Args& args) {
  auto id = ParseInteger(args[0], "a command id");
  PostMessageA(RequireMainWindow().window, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

// A timer tick as the system would post it: the program treats every timer
// of its main window alike, so the tick need not wait for its period.
void PostTimer(const Args& args) {
  auto id = ParseInteger(args[0], "a timer id");
  PostMessageA(RequireMainWindow().window, WM_TIMER, static_cast<WPARAM>(id), 0);
}

void PostTray(const Args& args) {
  auto mouseMessage = ParseInteger(args[0], "a mouse message number");
  PostMessageA(RequireMainWindow().window, kTrayMessage, kTrayIconId, static_cast<LPARAM>(mouseMessage));
}

void ListWindows(const Args&) {
  for (HWND window : TopLevelWindowsOf(RequireMainWindow().processId)) {
    RECT r = {};
    GetWindowRect(window, &r);
    Print(FormatHandle(window) + "\t" + EscapeField(ClassOf(window)) + "\t" + EscapeField(TitleOf(window)) + "\t" +
          (IsWindowVisible(window) ? "1" : "0") + "\t" + std::to_string(r.left) + "\t" + std::to_string(r.top) +
          "\t" + std::to_string(r.right - r.left) + "\t" + std::to_string(r.bottom - r.top) + "\n");
  }
}

// Waits up to timeoutText ms for find(processId of Zorvane) to give a window;
// nullptr when none came.
template <typename Find>
HWND WaitForZorvaneWindow(const std::string& timeoutText, Find find) {
  HWND window = nullptr;
  WaitUntil(ParseTimeout(timeoutText), [&] {
    std::optional<MainWindow> main = FindMainWindow();
    window = main ? find(main->processId) : nullptr;
    return window != nullptr;
  });
  return window;
}

void ListDialog(const Args& args) {
  const std::string& title = args[0];
  HWND dialog =
      WaitForZorvaneWindow(args[1], [&](DWORD processId) { return FindTitledWindow(processId, title, true); });
  if (dialog == nullptr) throw Failure("no visible window titled '" + title + "' after " + args[1] + " ms");
  for (HWND control : ChildrenOf(dialog)) {
    Print(std::to_string(GetDlgCtrlID(control)) + "\t" + EscapeField(ClassOf(control)) + "\t" +
          EscapeField(ControlTextOf(control)) + "\n");
  }
}

void Click(const Args& args) {
  HWND dialog = RequireTitledWindow(args[0]);
  int id = static_cast<int>(ParseInteger(args[1], "a control id"));
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) throw Failure("'" + args[0] + "' has no control " + args[1]);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

void Key(const Args& args) {
  HWND window = RequireTitledWindow(args[0]);
  UINT key = ParseVirtualKey(args[1]);
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  HWND target = window;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus != nullptr) {
    target = info.hwndFocus;
  }
  PostKey(target, key);
}

void Close(const Args& args) { PostMessageA(RequireTitledWindow(args[0]), WM_SYSCOMMAND, SC_CLOSE, 0); }

void ReadMessageBox(const Args& args) {
  HWND box = WaitForZorvaneWindow(args[0], FindMessageBox);
  if (box == nullptr) throw Failure("no message box after " + args[0] + " ms");
  Print(TitleOf(box) + "\n" + ControlTextOf(MessageBoxTextControl(box)) + "\n");
}

void AnswerMessageBox(const Args& args) {
  HWND box = FindMessageBox(RequireMainWindow().processId);
  if (box == nullptr) throw Failure("no message box is open");
  int id = static_cast<int>(ParseInteger(args[0], "a button id"));
  HWND button = GetDlgItem(box, id);
  if (button == nullptr) throw Failure("the message box has no button " + args[0]);
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void WaitGone(const Args& args) {
  const std::string& title = args[0];
  if (!WaitUntil(ParseTimeout(args[1]), [&] { return FindWindowA(nullptr, title.c_str()) == nullptr; })) {
    throw Failure("a window titled '" + title + "' is still there after " + args[1] + " ms");
  }
}

void WaitMenuOpen(const Args& args) {
  HWND menu = WaitForZorvaneWindow(args[0], FindPopupMenu);
  if (menu == nullptr) throw Failure("no popup menu after " + args[0] + " ms");
  RECT r = {};
  GetWindowRect(menu, &r);
  Print(FormatHandle(menu) + "\t" + std::to_string(r.left) + "\t" + std::to_string(r.top) + "\t" +
        std::to_string(r.right - r.left) + "\t" + std::to_string(r.bottom - r.top) + "\n");
}

void MenuKey(const Args& args) {
  MainWindow main = RequireMainWindow();
  if (FindPopupMenu(main.processId) == nullptr) throw Failure("no popup menu is open");
  // Wine's menu loop takes keyboard messages from its thread's queue, whichever
  // of the thread's windows they were posted to: the owner is the one we know.
  PostKey(main.window, ParseVirtualKey(args[0]));
}

void MenuResource(const Args& args) {
  PrintMenuResource(args[0], static_cast<int>(ParseInteger(args[1], "a menu resource id")));
}

void TrayIcons(const Args&) { Print(std::to_string(CountZorvaneTrayIcons()) + "\n"); }

// What a restart of the shell does to the program: its icon vanishes with the
// old taskbar, then the new taskbar announces itself to every top-level window.
void ForgetTrayIcon(const Args&) {
  NOTIFYICONDATAA icon = {};
  icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
  icon.hWnd = RequireMainWindow().window;
  icon.uID = kTrayIconId;
  if (!Shell_NotifyIconA(NIM_DELETE, &icon)) throw Failure("the shell knew no such icon");
}

void AnnounceTaskbar(const Args&) {
  PostMessageA(RequireMainWindow().window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
}

// Stays until it is killed. While it runs, the wineserver never begins the
// shutdown it starts a few seconds after its last program has ended, so the
// short driver runs of a test cannot race with that shutdown.
void Hold(const Args&) {
  Print("holding\n");
  std::fflush(stdout);
  for (;;) Sleep(INFINITE);
}

void RegDump(const Args&) { DumpSettings(); }

void RegDelete(const Args&) { DeleteMakerKey(); }

void RegDeleteValue(const Args& args) { DeleteSettingsValue(args[0], args[1]); }

// reg-set SUBKEY NAME dword VALUE | sz TEXT DATALEN | raw TYPE HEX
void RegSet(const Args& args) {
  const std::string& subkey = args[0];
  const std::string& name = args[1];
  const std::string& kind = args[2];
  if (kind == "dword" && args.size() == 4) {
    auto value = ParseInteger(args[3], "a 32-bit number");
    if (value < -0x80000000LL || value > 0xFFFFFFFFLL) throw UsageError("not a 32-bit number: " + args[3]);
    auto number = static_cast<DWORD>(value);
    std::vector<BYTE> data(4);
    for (int i = 0; i < 4; ++i) data[i] = static_cast<BYTE>(number >> (8 * i));
    SetSettingsValue(subkey, name, REG_DWORD, data);
  } else if (kind == "sz" && args.size() == 5) {
    const std::string& text = args[3];
    auto length = ParseInteger(args[4], "a data length in bytes");
    // Shorter than the text is refused; as long as the text leaves the zero out on purpose.
    if (length < static_cast<std::int64_t>(text.size())) throw UsageError("data length shorter than the text");
    std::vector<BYTE> data(static_cast<std::size_t>(length), 0);
    std::copy(text.begin(), text.end(), data.begin());
    SetSettingsValue(subkey, name, REG_SZ, data);
  } else if (kind == "raw" && args.size() == 5) {
    SetSettingsValue(subkey, name, ParseValueType(args[3]), ParseHex(args[4]));
  } else {
    throw UsageError("reg-set SUBKEY NAME dword VALUE | sz TEXT DATALEN | raw TYPE HEX");
  }
}

const Command kCommands[] = {
    {"wait-main", "TIMEOUT_MS", 1, 1, WaitMain},
    {"command", "ID", 1, 1, PostCommand},
    {"tray", "MOUSE_MSG", 1, 1, PostTray},
    {"timer", "ID", 1, 1, PostTimer},
    {"windows", "", 0, 0, ListWindows},
    {"dialog", "TITLE TIMEOUT_MS", 2, 2, ListDialog},
    {"click", "TITLE ID", 2, 2, Click},
    {"key", "TITLE VK", 2, 2, Key},
    {"close", "TITLE", 1, 1, Close},
    {"msgbox", "TIMEOUT_MS", 1, 1, ReadMessageBox},
    {"msgbox-answer", "ID", 1, 1, AnswerMessageBox},
    {"gone", "TITLE TIMEOUT_MS", 2, 2, WaitGone},
    {"menu-open", "TIMEOUT_MS", 1, 1, WaitMenuOpen},
    {"menu-key", "VK", 1, 1, MenuKey},
    {"menu-resource", "EXE ID", 2, 2, MenuResource},
    {"tray-icons", "", 0, 0, TrayIcons},
    {"tray-forget", "", 0, 0, ForgetTrayIcon},
    {"taskbar-created", "", 0, 0, AnnounceTaskbar},
    {"hold", "", 0, 0, Hold},
    {"reg-dump", "", 0, 0, RegDump},
    {"reg-delete", "", 0, 0, RegDelete},
    {"reg-set", "SUBKEY NAME (dword VALUE | sz TEXT DATALEN | raw TYPE HEX)", 4, 5, RegSet},
    {"reg-delete-value", "SUBKEY NAME", 2, 2, RegDeleteValue},
};

void PrintUsage() {
  std::fputs("usage: zdriver COMMAND ARGS...\n", stderr);
  for (const Command& command : kCommands) {
    std::fprintf(stderr, "  %s%s%s\n", command.name, *command.usage ? " " : "", command.usage);
  }
}

// The arguments in UTF-8 whatever code page the console or the C runtime assumes.
Args Utf8Arguments() {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  Args args;
  for (int i = 0; i < count; ++i) {
    int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string text(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), size, nullptr, nullptr);
    args.push_back(text);
  }
  LocalFree(wide);
  return args;
}

int Run(const Args& all) {
  if (all.size() < 2) {
    PrintUsage();
    return 2;
  }
  const std::string& name = all[1];
  Args args(all.begin() + 2, all.end());
  for (const Command& command : kCommands) {
    if (name != command.name) continue;
    try {
      if (args.size() < command.minArguments || args.size() > command.maxArguments) {
        throw UsageError(std::string("usage: zdriver ") + command.name + " " + command.usage);
      }
      command.run(args);
      return 0;
    } catch (const UsageError& error) {
      std::fprintf(stderr, "zdriver %s: %s\n", name.c_str(), error.what());
      return 2;
    } catch (const Failure& error) {
      std::fprintf(stderr, "zdriver %s: %s\n", name.c_str(), error.what());
      return 1;
    }
  }
  std::fprintf(stderr, "zdriver: unknown command '%s'\n", name.c_str());
  PrintUsage();
  return 2;
}

}  // namespace
}  // namespace zdriver

int main() {
  // Bytes out as they are: no CR before each LF.
  _setmode(_fileno(stdout), _O_BINARY);
  int status = zdriver::Run(zdriver::Utf8Arguments());
  std::fflush(stdout);
  return status;
}
