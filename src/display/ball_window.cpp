#include "display/ball_window.h"

#include <mmsystem.h>

#include "display/ball_bitmaps.h"
#include "resource_ids.h"

namespace zorvane {

namespace {

constexpr UINT_PTR kBallTimer = 3276;
constexpr UINT kBallTimerPeriodMs = 100;
// Shown there first, at the template's size, until the first tick moves it.
constexpr int kParkedAt = 5000;

}  // namespace

bool BallWindow::Open(HINSTANCE instance, HWND owner, int account, int ordinal, int size, BallHandler& handler) {
  Close();
  instance_ = instance;
  handler_ = &handler;
  account_ = account;
  ordinal_ = ordinal;
  size_ = size;
  const BallBitmaps& bitmaps = kBallBitmaps[account - 1];
  bitmap_.reset(LoadBitmapA(instance, MAKEINTRESOURCEA(size > 16 ? bitmaps.large : bitmaps.small)));
  CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_BALL), owner, Procedure, reinterpret_cast<LPARAM>(this));
  if (window_ == nullptr) Close();
  return window_ != nullptr;
}

void BallWindow::Close() {
  if (window_ != nullptr) DestroyWindow(std::exchange(window_, nullptr));
  image_.reset();
  bitmap_.reset();
}

void BallWindow::Initialise(HWND window) {
  window_ = window;
  {
    WindowDc dc(window);
    image_.reset(dc.get(), bitmap_.get());
  }
  GdiObject<HRGN> region(CreateEllipticRgn(0, 0, size_, size_));
  // Once set, the region belongs to the window.
  if (SetWindowRgn(window, region.get(), TRUE)) region.release();
  SetWindowPos(window, HWND_TOPMOST, kParkedAt, kParkedAt, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  SetTimer(window, kBallTimer, kBallTimerPeriodMs, nullptr);
}

void BallWindow::OnTimer() {
  const BallMove move = handler_->Tick(account_, ordinal_);
  if (move.kind == BallMove::Kind::Stop) {
    KillTimer(window_, kBallTimer);
    // May close this window and every other: nothing of it is touched afterwards.
    handler_->Stopped(account_, ordinal_);
    return;
  }
  MoveWindow(window_, move.x, move.y, size_, size_, TRUE);
  if (move.bounce) PlaySoundA(MAKEINTRESOURCEA(IDW_BOUNCE), instance_, SND_RESOURCE | SND_ASYNC);
}

INT_PTR CALLBACK BallWindow::Procedure(HWND window, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    reinterpret_cast<BallWindow*>(lParam)->Initialise(window);
    return FALSE;
  }
  auto* self = reinterpret_cast<BallWindow*>(GetWindowLongPtrA(window, DWLP_USER));
  if (self == nullptr) return FALSE;
  switch (message) {
    case WM_PAINT: {
      PaintDc paint(window);
      BitBlt(paint.get(), 0, 0, self->size_, self->size_, self->image_.get(), 0, 0, SRCCOPY);
      return TRUE;
    }
    case WM_TIMER: self->OnTimer(); return TRUE;
    case WM_CLOSE:
      // Alt+F4 on a ball stops it where it is; the balls end with the announcement.
      KillTimer(window, kBallTimer);
      return TRUE;
    default: return FALSE;
  }
}

}  // namespace zorvane
