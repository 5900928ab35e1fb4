#include "driver_tray.h"

#include <commctrl.h>

#include <map>

#include "driver_support.h"
#include "driver_windows.h"

namespace zdriver {

namespace {

constexpr const char* kIconClass = "__winex11_tray_icon";
constexpr const char* kZorvaneTip = "Zorvane Ver.1.1";
constexpr UINT kSendTimeoutMs = 5000;
constexpr WPARAM kTipChars = 1024;  // INFOTIPSIZE: the most a tooltip keeps

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

std::vector<HWND> AllTopLevelWindows() {
  std::vector<HWND> windows;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::string Utf8(const wchar_t* text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string converted(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, converted.data(), size, nullptr, nullptr);
  converted.resize(size - 1);
  return converted;
}

// A block of memory inside another process, for messages whose lParam points
// to a structure: the tooltip fills it in its own address space.
class RemoteBlock {
 public:
  RemoteBlock(DWORD processId, SIZE_T size) {
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process_ == nullptr) throw Failure("cannot open the process of the tray tooltips");
    address_ = static_cast<char*>(VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    if (address_ == nullptr) {
      CloseHandle(process_);
      throw Failure("cannot allocate memory in the process of the tray tooltips");
    }
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;
  ~RemoteBlock() {
    VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    CloseHandle(process_);
  }
  char* at(SIZE_T offset) const { return address_ + offset; }
  void Write(SIZE_T offset, const void* data, SIZE_T size) const {
    if (!WriteProcessMemory(process_, at(offset), data, size, nullptr)) throw Failure("WriteProcessMemory failed");
  }
  void Read(SIZE_T offset, void* data, SIZE_T size) const {
    if (!ReadProcessMemory(process_, at(offset), data, size, nullptr)) throw Failure("ReadProcessMemory failed");
  }

 private:
  HANDLE process_;
  char* address_;
};

// Adds the tip of every tray icon that this tooltip window describes.
void CollectTips(HWND tooltip, std::map<HWND, std::string>& tips) {
  DWORD_PTR toolCount = 0;
  if (!SendMessageTimeoutW(tooltip, TTM_GETTOOLCOUNT, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &toolCount) ||
      toolCount == 0) {
    return;
  }
  DWORD processId = 0;
  GetWindowThreadProcessId(tooltip, &processId);
  const SIZE_T textOffset = sizeof(TTTOOLINFOW);
  RemoteBlock block(processId, textOffset + kTipChars * sizeof(wchar_t));

  for (DWORD_PTR index = 0; index < toolCount; ++index) {
    TTTOOLINFOW info = {};
    info.cbSize = sizeof info;
    block.Write(0, &info, sizeof info);
    DWORD_PTR found = 0;
    if (!SendMessageTimeoutW(tooltip, TTM_ENUMTOOLSW, index, reinterpret_cast<LPARAM>(block.at(0)),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &found) ||
        !found) {
      continue;
    }
    block.Read(0, &info, sizeof info);
    if (ClassOf(info.hwnd) != kIconClass) continue;

    const wchar_t empty = L'\0';
    block.Write(textOffset, &empty, sizeof empty);
    info.lpszText = reinterpret_cast<LPWSTR>(block.at(textOffset));
    block.Write(0, &info, sizeof info);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(tooltip, TTM_GETTEXTW, kTipChars, reinterpret_cast<LPARAM>(block.at(0)), SMTO_ABORTIFHUNG,
                        kSendTimeoutMs, &ignored);
    wchar_t text[kTipChars + 1] = {};
    block.Read(textOffset, text, kTipChars * sizeof(wchar_t));
    tips[info.hwnd] = Utf8(text);
  }
}

}  // namespace

std::vector<TrayIcon> VisibleTrayIcons() {
  std::vector<HWND> iconWindows;
  std::vector<HWND> tooltips;
  for (HWND window : AllTopLevelWindows()) {
    std::string className = ClassOf(window);
    if (className == kIconClass) {
      iconWindows.push_back(window);
    } else if (className == "__winex11_standalone_tray") {
      for (HWND child : ChildrenOf(window)) {
        if (ClassOf(child) == kIconClass) iconWindows.push_back(child);
      }
    } else if (className == TOOLTIPS_CLASSA) {
      tooltips.push_back(window);
    }
  }
  if (iconWindows.empty()) return {};

  // Only the tooltips of the process that shows the icons (explorer.exe) can describe them.
  DWORD trayProcess = 0;
  GetWindowThreadProcessId(iconWindows.front(), &trayProcess);
  std::map<HWND, std::string> tips;
  for (HWND tooltip : tooltips) {
    DWORD owner = 0;
    GetWindowThreadProcessId(tooltip, &owner);
    if (owner == trayProcess) CollectTips(tooltip, tips);
  }

  std::vector<TrayIcon> icons;
  for (HWND window : iconWindows) {
    // An icon window is visible only while its whole chain of parents is.
    if (IsWindowVisible(window)) icons.push_back({window, tips[window]});
  }
  return icons;
}

int CountZorvaneTrayIcons() {
  int count = 0;
  for (const TrayIcon& icon : VisibleTrayIcons()) {
    if (icon.tip == kZorvaneTip) ++count;
  }
  return count;
}

}  // namespace zdriver
