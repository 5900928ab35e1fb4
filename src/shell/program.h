#pragma once
// Everything the running program holds. WinMain owns the one instance and
// hands it to the main window, which keeps it in GWLP_USERDATA.
#include <windows.h>

#include "dialogs/menu_dialogs.h"
#include "display/announcement_windows.h"
#include "display/tray_status.h"
#include "mail/check_cycle.h"
#include "mail/winsock_transport.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "settings/win32_registry.h"
#include "settings/win32_settings_ui.h"
#include "shell/auto_check_schedule.h"
#include "shell/auto_check_timer.h"
#include "shell/tray_icon.h"
#include "shell/win32_check_host.h"

namespace zorvane {

struct Program {
  explicit Program(HINSTANCE instance) : instance(instance) {}
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  HINSTANCE instance;
  HWND mainWindow = nullptr;
  TrayPictures trayPictures = {};
  HMENU trayMenu = nullptr;
  UINT taskbarCreatedMessage = 0;
  bool ended = false;      // the destruction handling has run
  ScreenSize screen = {};  // the balls' screen, from HORZRES and VERTRES
  Settings settings = {};
  Win32Registry registry;
  Win32SettingsUi settingsUi{instance};
  SettingsStore store{registry, settingsUi, settings};
  WinsockTransport transport;
  Win32CheckHost checkHost{*this};
  CheckCycle cycle{settings, transport, checkHost};
  AnnouncementWindows announcement{instance, settings, cycle, screen};
  TrayStatus tray;
  MainWindowTimer autoCheckTimer{mainWindow};
  AutoCheckSchedule autoCheck{settings.options, cycle, autoCheckTimer};
  MenuDialogs dialogs{instance, settings, autoCheck};
};

}  // namespace zorvane
