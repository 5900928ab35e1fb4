#include "driver_menu.h"

#include <windows.h>

#include <utility>

#include "driver_support.h"

namespace zdriver {

namespace {

const std::pair<UINT, const char*> kTypeFlags[] = {
    {MFT_BITMAP, "bitmap"},       {MFT_MENUBARBREAK, "menubarbreak"}, {MFT_MENUBREAK, "menubreak"},
    {MFT_OWNERDRAW, "ownerdraw"}, {MFT_RADIOCHECK, "radiocheck"},     {MFT_RIGHTJUSTIFY, "rightjustify"},
    {MFT_RIGHTORDER, "rightorder"},
};
// MFS_GRAYED and MFS_DISABLED are the same two bits; these are the bits one by one.
const std::pair<UINT, const char*> kStateFlags[] = {
    {MF_GRAYED, "grayed"}, {MF_DISABLED, "disabled"}, {MFS_CHECKED, "checked"},
    {MFS_HILITE, "hilite"}, {MFS_DEFAULT, "default"},
};

std::string Flags(UINT type, UINT state) {
  std::string flags;
  auto add = [&flags](const char* name) { flags += (flags.empty() ? "" : ",") + std::string(name); };
  for (const auto& [bit, name] : kTypeFlags) {
    if (type & bit) add(name);
  }
  for (const auto& [bit, name] : kStateFlags) {
    if (state & bit) add(name);
  }
  return flags;
}

void PrintItems(HMENU menu, const std::string& indent) {
  int count = GetMenuItemCount(menu);
  if (count < 0) throw Failure("GetMenuItemCount failed");
  for (int position = 0; position < count; ++position) {
    char text[1024] = {};
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    item.dwTypeData = text;
    item.cch = sizeof text - 1;
    if (!GetMenuItemInfoA(menu, position, TRUE, &item)) throw Failure("GetMenuItemInfoA failed");

    std::string line = indent + std::to_string(position + 1) + "\t";
    if (item.fType & MFT_SEPARATOR) {
      line += "-\t";
    } else {
      line += (item.hSubMenu != nullptr ? std::string("popup") : std::to_string(item.wID)) + "\t" + EscapeField(text);
    }
    // A separator cannot be chosen anyway: the system keeps it greyed.
    std::string flags = Flags(item.fType & ~MFT_SEPARATOR, (item.fType & MFT_SEPARATOR) ? 0 : item.fState);
    if (!flags.empty()) line += "\t" + flags;
    Print(line + "\n");
    if (item.hSubMenu != nullptr) PrintItems(item.hSubMenu, indent + "  ");
  }
}

}  // namespace

void PrintMenuResource(const std::string& executablePath, int menuId) {
  HMODULE module = LoadLibraryExA(executablePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) throw Failure("cannot load " + executablePath + " as a data file");
  HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(menuId));
  if (menu == nullptr) {
    FreeLibrary(module);
    throw Failure("no menu resource " + std::to_string(menuId) + " in " + executablePath);
  }
  PrintItems(menu, "");
  DestroyMenu(menu);
  FreeLibrary(module);
}

}  // namespace zdriver
