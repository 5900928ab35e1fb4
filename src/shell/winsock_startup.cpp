#include "shell/winsock_startup.h"

#include <winsock2.h>

#include "common/win32_message_box.h"

namespace zorvane {

namespace {
// WinSock 2: its resolver gives IPv6 and IPv4 addresses alike.
constexpr WORD kWinSockVersion = MAKEWORD(2, 2);
const char kWinSockTitle[] = "WinSockエラー";
}  // namespace

int StartWinSock(HWND owner) {
  WSADATA data;
  if (WSAStartup(kWinSockVersion, &data) != 0) {
    ShowMessageBox(owner, "WinSockの初期化に失敗しました。\n「Zorvane」はこのコンピュータでは使用できません。",
                   kWinSockTitle, MessageIcon::Error);
    return 1;
  }
  if (data.wVersion != kWinSockVersion) {
    ShowMessageBox(owner, "WinSockのバージョンが違います。\nお使いの環境では「Zorvane」は使用できません。",
                   kWinSockTitle, MessageIcon::Error);
    WSACleanup();
    return 1;
  }
  return 0;
}

}  // namespace zorvane
