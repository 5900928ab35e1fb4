#include "dialogs/help_document.h"

#include <shellapi.h>

#include <cstring>

#include "resource_ids.h"

namespace zorvane {

namespace {

const char kHelpFileName[] = "zorvane-help.html";

// Writes the whole of data to path, replacing what was there.
bool WriteFileAt(const char* path, const void* data, DWORD size) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool complete = WriteFile(file, data, size, &written, nullptr) && written == size;
  return CloseHandle(file) && complete;
}

}  // namespace

void OpenHelpDocument(HINSTANCE instance, HWND owner) {
  HRSRC resource = FindResourceA(instance, MAKEINTRESOURCEA(IDR_HELP), MAKEINTRESOURCEA(23));  // RT_HTML
  HGLOBAL loaded = resource != nullptr ? LoadResource(instance, resource) : nullptr;
  const void* page = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (page == nullptr) return;

  char path[MAX_PATH + sizeof kHelpFileName] = {};
  const DWORD folder = GetTempPathA(MAX_PATH, path);
  if (folder == 0 || folder > MAX_PATH) return;
  std::memcpy(path + folder, kHelpFileName, sizeof kHelpFileName);
  // A page that could not be written completely is not shown.
  if (!WriteFileAt(path, page, SizeofResource(instance, resource))) return;
  ShellExecuteA(owner, "open", path, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace zorvane
