#include "dialogs/server_dialog.h"

#include <commctrl.h>

#include <iterator>

#include "common/win32_control_fit.h"
#include "common/win32_message_box.h"
#include "display/ball_bitmaps.h"
#include "resource_ids.h"

namespace zorvane {

namespace {

constexpr int kEdits[] = {IDC_SERVER_NAME, IDC_SERVER_HOST, IDC_SERVER_PORT, IDC_SERVER_USER, IDC_SERVER_PASSWORD};

constexpr int kBallSizes[] = {16, 32};  // the small ball's first, in the template's order too

void PlayBeep(Beep beep) {
  switch (beep) {
    case Beep::Default: MessageBeep(MB_OK); break;
    case Beep::Information: MessageBeep(MB_ICONINFORMATION); break;
    case Beep::Error: MessageBeep(MB_ICONERROR); break;
    case Beep::None: break;
  }
}

}  // namespace

void ServerDialog::Open(HWND owner) { ModelessDialog::Open(instance_, IDD_SERVER_SETTINGS, owner); }

void ServerDialog::Initialise() {
  FitControlsToFont(window(), {{IDC_SERVER_PORT, "65535"}});
  // Each ball centred in its frame, wherever the font put it.
  std::size_t frame = 0;
  char className[16];
  for (HWND c = GetWindow(window(), GW_CHILD); c != nullptr && frame < std::size(preview_);
       c = GetWindow(c, GW_HWNDNEXT)) {
    GetClassNameA(c, className, sizeof className);
    if (lstrcmpiA(className, "Static") != 0 || (GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) != SS_BLACKFRAME) continue;
    preview_[frame] = CentredIn(BoxOf(window(), c), kBallSizes[frame]);
    ++frame;
  }
  form_.emplace(settings_, store_, static_cast<ServerFormView&>(*this), window());
  form_->Open();
  for (int id :
       {IDC_SERVER_NAME, IDC_SERVER_HOST, IDC_SERVER_PORT, IDC_SERVER_USER, IDC_SERVER_PASSWORD, IDC_SERVER_LIST}) {
    SetWindowSubclass(GetDlgItem(window(), id), ControlProcedure, id, reinterpret_cast<DWORD_PTR>(this));
  }
}

bool ServerDialog::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_PAINT) {
    Paint();
    return true;
  }
  if (message != WM_COMMAND) return false;
  switch (LOWORD(wParam)) {
    case IDC_SERVER_LIST:
      if (HIWORD(wParam) == LBN_SELCHANGE) {
        form_->SelectionChanged(static_cast<int>(SendDlgItemMessageA(window(), IDC_SERVER_LIST, LB_GETCURSEL, 0, 0)));
      }
      return true;
    case IDC_SERVER_INCLUDE:
    case IDC_SERVER_STARTTLS:
    case IDC_SERVER_NEW_ONLY: form_->CheckBoxClicked(); return true;
    case IDC_SERVER_UPDATE: form_->UpdateButton(); return true;
    case IDC_SERVER_DELETE: form_->DeleteButton(); return true;
    case IDOK: form_->OkButton(); return true;
    case IDCANCEL: form_->CloseButton(); return true;
    default: return false;
  }
}

void ServerDialog::Paint() {
  PaintDc paint(window());
  const HBITMAP bitmaps[] = {smallBall_.get(), largeBall_.get()};
  for (std::size_t i = 0; i < std::size(preview_); ++i) {
    if (bitmaps[i] == nullptr) continue;
    MemoryDc image;
    image.reset(paint.get(), bitmaps[i]);
    const ControlBox& at = preview_[i];
    BitBlt(paint.get(), at.left, at.top, at.width(), at.width(), image.get(), 0, 0, SRCCOPY);
  }
}

LRESULT CALLBACK ServerDialog::ControlProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                                DWORD_PTR data) {
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(control, ControlProcedure, id);
  } else if (message == WM_KEYUP) {
    ServerSettingsForm& form = *reinterpret_cast<ServerDialog*>(data)->form_;
    if (id != IDC_SERVER_LIST) {
      form.EditKeyReleased(SendMessageA(control, EM_GETMODIFY, 0, 0) != 0);
    } else if (wParam == VK_DELETE || wParam == VK_BACK) {
      form.DeleteButton();
    }
  }
  return DefSubclassProc(control, message, wParam, lParam);
}

ServerFormInput ServerDialog::Read() {
  for (int i = 0; i < kEditCount; ++i) GetDlgItemTextA(window(), kEdits[i], texts_[i], sizeof texts_[i]);
  return {texts_[0],
          texts_[1],
          texts_[2],
          texts_[3],
          texts_[4],
          IsDlgButtonChecked(window(), IDC_SERVER_INCLUDE) == BST_CHECKED,
          IsDlgButtonChecked(window(), IDC_SERVER_STARTTLS) == BST_CHECKED,
          IsDlgButtonChecked(window(), IDC_SERVER_NEW_ONLY) == BST_CHECKED};
}

void ServerDialog::Show(int slot, const PopAccount& account) {
  smallBall_.reset(LoadBitmapA(instance_, MAKEINTRESOURCEA(kBallBitmaps[slot].small)));
  largeBall_.reset(LoadBitmapA(instance_, MAKEINTRESOURCEA(kBallBitmaps[slot].large)));
  for (const ControlBox& at : preview_) {
    const RECT area = {at.left, at.top, at.right, at.bottom};
    InvalidateRect(window(), &area, TRUE);
  }
  // Setting a text clears the edit's modified flag.
  SetDlgItemTextA(window(), IDC_SERVER_NAME, account.NAME);
  SetDlgItemTextA(window(), IDC_SERVER_HOST, account.Serv);
  SetDlgItemInt(window(), IDC_SERVER_PORT, static_cast<UINT>(account.PortNo), FALSE);
  SetDlgItemTextA(window(), IDC_SERVER_USER, account.UserId);
  SetDlgItemTextA(window(), IDC_SERVER_PASSWORD, account.PassWord);
  CheckDlgButton(window(), IDC_SERVER_INCLUDE, TakesPartInChecks(account) ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window(), IDC_SERVER_STARTTLS, UsesStartTls(account) ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window(), IDC_SERVER_NEW_ONLY, AnnouncesOnlyNewMail(account) ? BST_CHECKED : BST_UNCHECKED);
}

void ServerDialog::ShowList(const Settings& settings, int selected) {
  HWND list = GetDlgItem(window(), IDC_SERVER_LIST);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (const PopAccount& account : settings.accounts) {
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(account.NAME));
  }
  SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void ServerDialog::EnableUpdate(bool enabled) { EnableWindow(GetDlgItem(window(), IDC_SERVER_UPDATE), enabled); }

void ServerDialog::EnableDelete(bool enabled) { EnableWindow(GetDlgItem(window(), IDC_SERVER_DELETE), enabled); }

bool ServerDialog::Ask(const char* text, const char* title, Beep beep) {
  PlayBeep(beep);
  return MessageBoxA(window(), text, title, MB_OKCANCEL | MB_ICONINFORMATION) == IDOK;
}

void ServerDialog::Tell(const char* text, const char* title, MessageIcon icon, Beep beep) {
  PlayBeep(beep);
  ShowMessageBox(window(), text, title, icon);
}

}  // namespace zorvane
