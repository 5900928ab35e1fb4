#pragma once
// Owners for the device contexts, bitmaps and regions of the display's
// windows: each releases what it holds exactly once, whatever path is taken.
#include <windows.h>

#include <utility>

namespace zorvane {

// A bitmap, region or other GDI object, deleted with DeleteObject.
template <typename Handle>
class GdiObject {
 public:
  explicit GdiObject(Handle handle = nullptr) : handle_(handle) {}
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  ~GdiObject() { reset(); }

  Handle get() const { return handle_; }
  // Hands the object to whoever takes it over (SetWindowRgn, for one).
  Handle release() { return std::exchange(handle_, nullptr); }
  void reset(Handle handle = nullptr) {
    if (handle_ != nullptr) DeleteObject(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_;
};

// A memory device context with one object selected into it; the object is
// put back out before the context is deleted, so that it can be deleted too.
class MemoryDc {
 public:
  MemoryDc() = default;
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  ~MemoryDc() { reset(); }

  void reset(HDC compatibleWith = nullptr, HGDIOBJ selected = nullptr) {
    if (dc_ != nullptr) {
      SelectObject(dc_, original_);
      DeleteDC(dc_);
      dc_ = nullptr;
    }
    if (compatibleWith == nullptr) return;
    dc_ = CreateCompatibleDC(compatibleWith);
    if (dc_ != nullptr) original_ = SelectObject(dc_, selected);
  }
  HDC get() const { return dc_; }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ original_ = nullptr;
};

// A window's device context for the length of a scope.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint and EndPaint around one WM_PAINT.
class PaintDc {
 public:
  explicit PaintDc(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  ~PaintDc() { EndPaint(window_, &paint_); }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_ = {};
  HDC dc_;
};

}  // namespace zorvane
