#pragma once
// A dialog's texts measured in the dialog's own font, and the controls that
// font does not fit widened by the rule of FitControls.
#include <windows.h>

#include <initializer_list>

#include "common/control_fit.h"

namespace zorvane {

// An edit that holds a number, with the widest value it must show whole.
struct NumberEdit {
  int id;
  const char* widest;
};

// At WM_INITDIALOG, before anything reads the controls' places.
void FitControlsToFont(HWND dialog, std::initializer_list<NumberEdit> numbers = {});

// A control's window rectangle in its dialog's client coordinates.
ControlBox BoxOf(HWND dialog, HWND control);

}  // namespace zorvane
