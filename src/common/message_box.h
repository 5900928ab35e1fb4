#pragma once
// The small types every layer uses to ask for a message box, without
// <windows.h>: the owning window and the icon.

namespace zorvane {

using OwnerWindow = void*;  // an HWND

enum class MessageIcon { Error, Information };

}  // namespace zorvane
