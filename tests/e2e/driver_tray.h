// The notification-area icons as Wine shows them.
//
// Under Wine's X11 driver every notification-area icon is a window of class
// "__winex11_tray_icon" that belongs to explorer.exe, not to the program that
// added it. Without an X11 system tray (Xvfb with no window manager, as in the
// tests) the icons are children of Wine's own "Wine System Tray" window (class
// "__winex11_standalone_tray"), which is hidden while it holds no icon; with an
// X11 tray they are top-level windows docked into it. Wine removes the icon of
// a window that no longer exists only on a timer, about two seconds later.
//
// The owner of an icon is not exposed, but each icon window has a tooltip
// (a "tooltips_class32" window of explorer.exe) whose tool text is the icon's
// tip. Zorvane's icons are therefore the visible icon windows whose tip is
// "Zorvane Ver.1.1"; the tooltip is read through explorer's memory with
// TTM_ENUMTOOLSW and TTM_GETTEXTW, as any program may.
//
// On Windows itself the icons live in the taskbar's toolbar and this count
// is not available.
#ifndef ZORVANE_E2E_DRIVER_TRAY_H
#define ZORVANE_E2E_DRIVER_TRAY_H

#include <windows.h>

#include <string>
#include <vector>

namespace zdriver {

struct TrayIcon {
  HWND window;
  std::string tip;
};

// Every visible notification-area icon, with its tip text.
std::vector<TrayIcon> VisibleTrayIcons();

int CountZorvaneTrayIcons();

}  // namespace zdriver

#endif
