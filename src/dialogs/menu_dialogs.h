#pragma once
// What the tray menu opens beside the program: the POP3 and the general
// settings and the version box, each at most once, and the help page.
#include <windows.h>

#include "dialogs/general_dialog.h"
#include "dialogs/help_document.h"
#include "dialogs/server_dialog.h"
#include "dialogs/version_dialog.h"

namespace zorvane {

struct MenuDialogs {
  MenuDialogs(HINSTANCE instance, Settings& settings, AutoCheckTimer& timer)
      : instance(instance), server(instance, settings), general(instance, settings, timer), version(instance) {}

  void OpenHelp(HWND owner) const { OpenHelpDocument(instance, owner); }

  // Hands each open dialog its keys; true when one took the message.
  bool TranslateMessage(MSG* message) const {
    return server.TranslateMessage(message) || general.TranslateMessage(message) || version.TranslateMessage(message);
  }

  HINSTANCE instance;
  ServerDialog server;
  GeneralDialog general;
  VersionDialog version;
};

}  // namespace zorvane
