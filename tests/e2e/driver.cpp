// zdriver: drives a running zorvane.exe from outside for the end-to-end tests (commands and output: README.md).
// "wine64 zdriver.exe COMMAND ARGS... [-- ...]" runs the commands in order until one fails, so a step and the watch
// that must follow it at once go into one run. Exit code 1: what was awaited is not there or did not come (reason on
// stderr); 2: bad usage.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

struct Failure {
  int exitCode;
  std::string reason;
};  // exitCode 1: not there or not in time; 2: bad usage

constexpr char kMakerKey[] = "Software\\Quillmoor Software";
constexpr char kSettingsKey[] = "Software\\Quillmoor Software\\Mireth";
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

long long Number(const std::string& text) {
  char* end = nullptr;
  long long value = std::strtoll(text.c_str(), &end, 0);  // decimal or 0x...
  if (text.empty() || *end != '\0') throw Failure{2, "not a number: '" + text + "'"};
  return value;
}

void Print(const Args& fields) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    line += i > 0 ? "\t" : "";
    for (char c : fields[i]) {
      const char* escape = c == '\\' ? "\\\\" : c == '\t' ? "\\t" : c == '\r' ? "\\r" : c == '\n' ? "\\n" : nullptr;
      line += escape != nullptr ? std::string(escape) : std::string(1, c);
    }
  }
  std::fputs((line + "\n").c_str(), stdout);
}

// A window's class name or title: neither sends a message to the window.
template <int (*Get)(HWND, LPSTR, int)>
std::string Read(HWND window) {
  char text[1024] = {};
  Get(window, text, sizeof text);
  return text;
}
const auto ClassOf = Read<GetClassNameA>;
const auto TitleOf = Read<GetWindowTextA>;

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result)) {
    throw Failure{1, "a window does not answer message " + std::to_string(message)};
  }
  return static_cast<LRESULT>(result);
}

// WM_GETTEXT, which edit controls need: they keep their text themselves.
std::string TextOf(HWND control) {
  // The length counts the window's own characters; UTF-8 needs up to three bytes for one.
  std::string text(Send(control, WM_GETTEXTLENGTH, 0, 0) * 3 + 1, '\0');
  text.resize(Send(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
  return text;
}

// The top-level windows (parent nullptr), or every window below parent, at any depth.
std::vector<HWND> WindowsBelow(HWND parent) {
  std::vector<HWND> windows;
  auto add = [](HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
  };
  parent == nullptr ? EnumWindows(add, reinterpret_cast<LPARAM>(&windows))
                    : EnumChildWindows(parent, add, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

bool g_seenZorvane = false;  // by this command or an earlier one of the run

HWND MainWindow(bool required = false) {
  HWND main = FindWindowA("Zorvane11", nullptr);
  if (main == nullptr && required) throw Failure{1, "no window of class Zorvane11: is zorvane.exe running?"};
  g_seenZorvane = g_seenZorvane || main != nullptr;
  return main;
}

std::vector<HWND> ZorvaneWindows() {
  DWORD zorvane = 0;
  DWORD owner = 0;
  if (!GetWindowThreadProcessId(MainWindow(), &zorvane)) return {};
  std::vector<HWND> windows;
  for (HWND window : WindowsBelow(nullptr)) {
    if (GetWindowThreadProcessId(window, &owner) && owner == zorvane) windows.push_back(window);
  }
  return windows;
}

// A visible top-level window of Zorvane's: CLASS and TITLE, "*" for any.
HWND FindVisible(const Args& classAndTitle, bool required = false) {
  for (HWND window : ZorvaneWindows()) {
    if (IsWindowVisible(window) && (classAndTitle[0] == "*" || ClassOf(window) == classAndTitle[0]) &&
        (classAndTitle[1] == "*" || TitleOf(window) == classAndTitle[1])) {
      return window;
    }
  }
  if (required) throw Failure{1, "Zorvane shows no " + classAndTitle[0] + " '" + classAndTitle[1] + "'"};
  return nullptr;
}

HWND RequireControl(HWND window, const std::string& id) {
  HWND control = GetDlgItem(window, static_cast<int>(Number(id)));
  if (control == nullptr) throw Failure{1, "no control " + id};
  return control;
}

// Polls every 10 ms, at least once, until ready(); fails with "timed out WHAT". Watching Zorvane, it fails with
// "Zorvane ended WHAT" as soon as Zorvane, once seen, is gone: nothing of its process can come any more.
void Await(const std::string& timeoutMs, const std::function<bool()>& ready, const std::string& what,
           bool watchZorvane = false) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(Number(timeoutMs));
  while (!ready()) {
    if (watchZorvane && g_seenZorvane && MainWindow() == nullptr) throw Failure{1, "Zorvane ended " + what};
    if (GetTickCount64() >= deadline) throw Failure{1, "timed out " + what};
    Sleep(10);
  }
}

// Wine shows each tray icon as a window of this class, in a tray window of
// explorer's or on its own. In the test prefix only Zorvane adds icons.
std::vector<HWND> TrayIcons() {
  std::vector<HWND> icons;
  for (HWND window : WindowsBelow(GetDesktopWindow())) {
    if (IsWindowVisible(window) && ClassOf(window) == "__winex11_tray_icon") icons.push_back(window);
  }
  return icons;
}

void DumpKey(HKEY parent, const std::string& path, const std::string& subkey) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  char name[16384];
  std::vector<BYTE> data(65536);
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = sizeof name;
    DWORD dataSize = static_cast<DWORD>(data.size());
    DWORD type = 0;
    if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS) break;
    std::string hex;
    for (DWORD b = 0; b < dataSize; ++b) hex += {"0123456789abcdef"[data[b] >> 4], "0123456789abcdef"[data[b] & 15]};
    Print({subkey, std::string(name, nameSize), std::to_string(type), hex});
  }
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = sizeof name;
    if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    DumpKey(key, name, subkey == "." ? name : subkey + "\\" + name);
  }
  RegCloseKey(key);
}

void SetValue(const std::string& subkey, const std::string& name, const std::string& type, const std::string& hex) {
  std::vector<BYTE> data;
  for (std::size_t i = 0; i < hex.size(); i += 2) data.push_back(static_cast<BYTE>(Number("0x" + hex.substr(i, 2))));
  const std::string path = std::string(kSettingsKey) + (subkey == "." ? "" : "\\" + subkey);
  // The subkey is created when it is missing.
  if (RegSetKeyValueA(HKEY_CURRENT_USER, path.c_str(), name.c_str(), static_cast<DWORD>(Number(type)), data.data(),
                      static_cast<DWORD>(data.size())) != ERROR_SUCCESS) {
    throw Failure{1, "cannot set " + path + "\\" + name};
  }
}

struct Command {
  const char* name;
  const char* usage;
  std::size_t arguments;  // reg-set: any number of groups of this many
  std::function<void(const Args&)> run;
};

const Command kCommands[] = {
    {"windows", "", 0,
     [](const Args&) {
       MainWindow(true);
       for (HWND window : ZorvaneWindows()) {
         RECT r = {};
         GetWindowRect(window, &r);
         const int width = r.right - r.left;
         const int height = r.bottom - r.top;
         // Round: a window region that leaves out a corner and takes in the centre.
         HRGN region = CreateRectRgn(0, 0, 0, 0);
         const bool round = GetWindowRgn(window, region) != ERROR && !PtInRegion(region, 0, 0) &&
                            PtInRegion(region, width / 2, height / 2);
         DeleteObject(region);
         const bool topmost = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
         Print({ClassOf(window), TitleOf(window), IsWindowVisible(window) ? "1" : "0", std::to_string(r.left),
                std::to_string(r.top), std::to_string(width), std::to_string(height), topmost ? "1" : "0",
                round ? "1" : "0"});
       }
     }},
    {"controls", "CLASS TITLE TIMEOUT_MS", 3,
     [](const Args& args) {
       HWND window = nullptr;
       const std::string what = args[0] + " '" + args[1] + "'";
       Await(
           args[2], [&] { return (window = FindVisible(args)) != nullptr; }, "showing no " + what, true);
       // Texts measured in the templates' font, made here: the prefix maps it to the face the dialogs get.
       HDC dc = GetDC(window);
       HGDIOBJ original =
           SelectObject(dc, CreateFontA(-MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                                        DEFAULT_CHARSET, 0, 0, 0, 0, "ＭＳ Ｐゴシック"));
       for (HWND c = GetWindow(window, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
         bool checked = ClassOf(c) == "Button" && Send(c, BM_GETCHECK, 0, 0) == BST_CHECKED;
         const std::string text = TextOf(c);
         std::wstring wide(text.size() + 1, L'\0');  // the A function would read UTF-8 in the font's code page
         SIZE extent = {};
         GetTextExtentPoint32W(
             dc, wide.data(),
             MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size())) - 1,
             &extent);
         RECT r = {};
         RECT client = {};
         GetWindowRect(c, &r);
         GetClientRect(c, &client);
         const LRESULT margins = ClassOf(c) == "Edit" ? Send(c, EM_GETMARGINS, 0, 0) : 0;
         Args fields = {std::to_string(GetDlgCtrlID(c) & 0xFFFF), ClassOf(c), checked ? "1" : "0",
                        IsWindowEnabled(c) ? "1" : "0", text};
         for (LONG n :
              {r.left, r.top, r.right, r.bottom, client.right - LOWORD(margins) - HIWORD(margins), extent.cx}) {
           fields.push_back(std::to_string(n));
         }
         Print(fields);
       }
       DeleteObject(SelectObject(dc, original));
       ReleaseDC(window, dc);
     }},
    {"gone", "CLASS TITLE TIMEOUT_MS", 3,
     [](const Args& args) {
       Await(
           args[2], [&] { return FindVisible(args) == nullptr; }, "with " + args[0] + " '" + args[1] + "' there");
     }},
    {"click", "CLASS TITLE ID", 3,
     [](const Args& args) {
       // The button itself takes the click: a check box or radio button changes state, then tells the dialog.
       PostMessageA(RequireControl(FindVisible(args, true), args[2]), BM_CLICK, 0, 0);
     }},
    {"settext", "CLASS TITLE ID TEXT", 4,
     [](const Args& args) {
       Send(RequireControl(FindVisible(args, true), args[2]), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(args[3].c_str()));
     }},
    {"select", "CLASS TITLE ID INDEX", 4,
     [](const Args& args) {
       HWND window = FindVisible(args, true);
       HWND list = RequireControl(window, args[2]);
       if (ClassOf(list) != "ListBox") throw Failure{1, "control " + args[2] + " is no list box"};
       if (Send(list, LB_SETCURSEL, Number(args[3]), 0) == LB_ERR) throw Failure{1, "no item " + args[3]};
       // LB_SETCURSEL tells nobody; a user's click would.
       PostMessageA(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
     }},
    {"key", "CLASS TITLE VK", 3,
     [](const Args& args) {
       // To the focus, where a real key goes. Wine's menu loop takes keys from
       // its thread's queue, whatever window they were posted to.
       HWND window = FindVisible(args, true);
       GUITHREADINFO info = {};
       info.cbSize = sizeof info;
       bool focus = GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus != nullptr;
       UINT key = static_cast<UINT>(Number(args[2]));
       LPARAM scanCode = static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
       PostMessageA(focus ? info.hwndFocus : window, WM_KEYDOWN, key, scanCode | 1);
       PostMessageA(focus ? info.hwndFocus : window, WM_KEYUP, key, scanCode | 1 | 3LL << 30);  // was down, going up
     }},
    {"close", "CLASS TITLE", 2,
     [](const Args& args) { PostMessageA(FindVisible(args, true), WM_SYSCOMMAND, SC_CLOSE, 0); }},
    {"post", "MESSAGE WPARAM LPARAM", 3,
     [](const Args& args) {
       // A number, or the name of a registered message such as TaskbarCreated.
       bool named = args[0].find_first_of("0123456789") != 0;
       UINT message = named ? RegisterWindowMessageA(args[0].c_str()) : static_cast<UINT>(Number(args[0]));
       PostMessageA(MainWindow(true), message, Number(args[1]), Number(args[2]));
     }},
    {"tray", "COUNT TIMEOUT_MS", 2,
     [](const Args& args) {
       Await(
           args[1], [&] { return TrayIcons().size() == static_cast<std::size_t>(Number(args[0])); },
           "with the tray icons not " + args[0]);
     }},
    {"tray-tip", "TIMEOUT_MS", 1,
     [](const Args& args) {
       // The pointer leaves the first icon, then rests on it: Wine's tooltip for it shows afresh.
       if (TrayIcons().empty()) throw Failure{1, "no tray icon"};
       RECT r = {};
       GetWindowRect(TrayIcons()[0], &r);
       HWND tip = FindWindowA("tooltips_class32", nullptr);
       SetCursorPos(r.right + 200, r.bottom + 200);
       Await(
           args[0], [&] { return !IsWindowVisible(tip); }, "with the tip showing");
       SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
       Await(
           args[0], [&] { return IsWindowVisible(tip); }, "showing no tip");
       Print({TextOf(tip), std::to_string(r.left), std::to_string(r.top), std::to_string(r.right),
              std::to_string(r.bottom)});
     }},
    // See the holder in wine_fixture.py: while this runs, the wineserver stays up.
    {"hold", "", 0,
     [](const Args&) {
       Print({"holding"});
       std::fflush(stdout);
       Sleep(INFINITE);
     }},
    {"reg-dump", "KEY", 1, [](const Args& args) { DumpKey(HKEY_CURRENT_USER, args[0], "."); }},
    {"reg-set", "SUBKEY NAME TYPE HEX ...", 4,
     [](const Args& args) {
       for (std::size_t i = 0; i < args.size(); i += 4) SetValue(args[i], args[i + 1], args[i + 2], args[i + 3]);
     }},
    {"root", "add|remove DER_HEX", 2,
     [](const Args& args) {
       // The local machine's trusted roots, where a test CA goes for one run.
       std::vector<BYTE> der;
       for (std::size_t i = 0; i + 1 < args[1].size(); i += 2)
         der.push_back(std::stoi(args[1].substr(i, 2), nullptr, 16));
       HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root");
       PCCERT_CONTEXT added = nullptr;
       bool done = store && CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), der.size(),
                                                             CERT_STORE_ADD_REPLACE_EXISTING, &added);
       if (done && args[0] == "remove")
         done = CertDeleteCertificateFromStore(added);  // frees it too
       else if (added != nullptr)
         CertFreeCertificateContext(added);
       if (store != nullptr) CertCloseStore(store, 0);
       if (!done) throw Failure{1, "the root store refused the certificate"};
     }},
    {"reg-delete", "", 0,
     [](const Args&) {
       LONG status = RegDeleteTreeA(HKEY_CURRENT_USER, kMakerKey);
       if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) throw Failure{1, "cannot delete the maker key"};
       RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunKey, "Zorvane");
     }},
};

void Run(const Args& words) {
  for (const Command& command : kCommands) {
    if (words[0] != command.name) continue;
    const std::size_t given = words.size() - 1;
    const std::size_t wanted = command.arguments;
    if (words[0] == "reg-set" ? given == 0 || given % wanted != 0 : given != wanted) {
      throw Failure{2, "usage: " + words[0] + " " + command.usage};
    }
    return command.run(Args(words.begin() + 1, words.end()));
  }
  throw Failure{2, "unknown command " + words[0]};
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // bytes out as they are: no CR before each LF
  Args words(argv + 1, argv + argc);     // UTF-8: the manifest makes it the code page
  words.push_back("--");
  try {
    if (argc < 2) throw Failure{2, "usage: zdriver COMMAND ARGS... [-- COMMAND ARGS...]..."};
    for (auto begin = words.begin(), end = begin; end != words.end(); begin = ++end) {
      end = std::find(begin, words.end(), "--");
      if (end == begin) throw Failure{2, "an empty command"};
      Run(Args(begin, end));
    }
  } catch (const Failure& failure) {
    std::fprintf(stderr, "zdriver: %s\n", failure.reason.c_str());
    return failure.exitCode;  // stdout is flushed on the way out of main
  }
  return 0;
}
