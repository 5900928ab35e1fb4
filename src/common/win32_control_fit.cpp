#include "common/win32_control_fit.h"

#include <iterator>

#include "common/gdi_handles.h"

namespace zorvane {

namespace {

constexpr int kMaxControls = 64;  // the templates hold fewer than half as many

// Wide: the A function would read UTF-8 as the font's own code page.
int TextWidth(HDC dc, const wchar_t* text, int length) {
  SIZE extent = {};
  return length > 0 && GetTextExtentPoint32W(dc, text, length, &extent) ? extent.cx : 0;
}

int TextWidth(HDC dc, HWND control) {
  wchar_t text[256];
  return TextWidth(dc, text, GetWindowTextW(control, text, static_cast<int>(std::size(text))));
}

// What the control's text needs, with the check box, the group box's inset or
// the edit's frame, margins and caret around it.
FitControl Measure(HDC dc, HWND control, HWND dialog, std::initializer_list<NumberEdit> numbers) {
  FitControl fit = {FitControl::Kind::Fixed, BoxOf(dialog, control), 0};
  char className[16] = {};
  GetClassNameA(control, className, sizeof className);
  const LONG style = GetWindowLongA(control, GWL_STYLE);
  const int zero = TextWidth(dc, L"0", 1);
  if (lstrcmpiA(className, "Static") == 0 && (style & SS_TYPEMASK) == SS_LEFT) {
    fit = {FitControl::Kind::Label, fit.box, TextWidth(dc, control)};
  } else if (lstrcmpiA(className, "Button") == 0) {
    switch (style & BS_TYPEMASK) {
      case BS_CHECKBOX:
      case BS_AUTOCHECKBOX:
      case BS_RADIOBUTTON:
      case BS_AUTORADIOBUTTON:
      case BS_3STATE:
      case BS_AUTO3STATE:
        // The box, a gap as wide as a digit (no look leaves more) and the label's one-pixel margins.
        fit = {FitControl::Kind::Label, fit.box, GetSystemMetrics(SM_CXMENUCHECK) + zero + 2 + TextWidth(dc, control)};
        break;
      case BS_GROUPBOX: fit = {FitControl::Kind::Group, fit.box, 2 * (zero + 2) + TextWidth(dc, control)}; break;
      default: break;
    }
  } else if (lstrcmpiA(className, "Edit") == 0) {
    for (const NumberEdit& number : numbers) {
      if (GetDlgCtrlID(control) != number.id) continue;
      wchar_t widest[64];
      const int length = MultiByteToWideChar(CP_UTF8, 0, number.widest, -1, widest, std::size(widest)) - 1;
      RECT client = {};
      GetClientRect(control, &client);
      const LRESULT margins = SendMessageA(control, EM_GETMARGINS, 0, 0);
      const int frame = fit.box.width() - client.right + LOWORD(margins) + HIWORD(margins);
      fit = {FitControl::Kind::Number, fit.box, TextWidth(dc, widest, length) + frame + GetSystemMetrics(SM_CXBORDER)};
    }
  }
  return fit;
}

}  // namespace

ControlBox BoxOf(HWND dialog, HWND control) {
  RECT r = {};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right, r.bottom};
}

void FitControlsToFont(HWND dialog, std::initializer_list<NumberEdit> numbers) {
  HWND windows[kMaxControls];
  FitControl controls[kMaxControls];
  ControlBox designed[kMaxControls];
  int count = 0;
  HWND c = GetWindow(dialog, GW_CHILD);
  {
    WindowDc dc(dialog);
    const HGDIOBJ original = SelectObject(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
    for (; c != nullptr && count < kMaxControls; c = GetWindow(c, GW_HWNDNEXT), ++count) {
      windows[count] = c;
      controls[count] = Measure(dc.get(), c, dialog, numbers);
      designed[count] = controls[count].box;
    }
    SelectObject(dc.get(), original);
  }
  // A control left unmeasured could not bound the others: then nothing moves.
  if (c != nullptr) return;
  RECT unit = {0, 0, 1, 0};  // one dialog unit across, in this font
  MapDialogRect(dialog, &unit);
  RECT client = {};
  GetClientRect(dialog, &client);
  FitControls(controls, count, client.right, unit.right);
  for (int i = 0; i < count; ++i) {
    const ControlBox& box = controls[i].box;
    if (box == designed[i]) continue;
    SetWindowPos(windows[i], nullptr, box.left, box.top, box.width(), box.bottom - box.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

}  // namespace zorvane
