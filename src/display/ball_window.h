#pragma once
// One ball: a captionless popup clipped to a circle, always on top, moved by
// its own 100 ms timer along the path its handler computes.
#include <windows.h>

#include "common/gdi_handles.h"
#include "display/ball_path.h"

namespace zorvane {

class BallHandler {
 public:
  virtual ~BallHandler() = default;
  virtual BallMove Tick(int account, int ordinal) = 0;
  // The ball rests; its timer is dead. The handler may end every ball from here.
  virtual void Stopped(int account, int ordinal) = 0;
};

class BallWindow {
 public:
  BallWindow() = default;
  BallWindow(const BallWindow&) = delete;
  BallWindow& operator=(const BallWindow&) = delete;
  ~BallWindow() { Close(); }

  // Shows the ball parked off screen with its timer running; false when the
  // window could not be made.
  bool Open(HINSTANCE instance, HWND owner, int account, int ordinal, int size, BallHandler& handler);
  void Close();

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Initialise(HWND window);
  void OnTimer();

  HINSTANCE instance_ = nullptr;
  BallHandler* handler_ = nullptr;
  int account_ = 0;
  int ordinal_ = 0;
  int size_ = 0;
  HWND window_ = nullptr;
  // Declared before the context it is selected into, so it outlives it.
  GdiObject<HBITMAP> bitmap_;
  MemoryDc image_;
};

}  // namespace zorvane
