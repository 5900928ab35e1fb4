#pragma once
// The windows the tray menu opens beside the program: the POP3 and the
// general settings and the version box, each at most once.
#include <windows.h>

#include "dialogs/general_dialog.h"
#include "dialogs/server_dialog.h"
#include "dialogs/version_dialog.h"

namespace zorvane {

struct MenuDialogs {
  MenuDialogs(HINSTANCE instance, Settings& settings, AutoCheckTimer& timer)
      : server(instance, settings), general(instance, settings, timer), version(instance) {}

  // Hands each open dialog its keys; true when one took the message.
  bool TranslateMessage(MSG* message) const {
    return server.TranslateMessage(message) || general.TranslateMessage(message) || version.TranslateMessage(message);
  }

  ServerDialog server;
  GeneralDialog general;
  VersionDialog version;
};

}  // namespace zorvane
