#include "common/control_fit.h"

#include <algorithm>

namespace zorvane {

namespace {

using Kind = FitControl::Kind;

bool RowsOverlap(const ControlBox& a, const ControlBox& b) { return a.top < b.bottom && b.top < a.bottom; }

bool Encloses(const FitControl& group, const ControlBox& box) {
  const ControlBox& g = group.box;
  return group.kind == Kind::Group && g.left <= box.left && box.right <= g.right && g.top <= box.top &&
         box.bottom <= g.bottom;
}

// A control that begins to the right of control i on its rows, outside any group box i is.
bool StandsRightOf(const FitControl* controls, std::size_t i, std::size_t j) {
  const ControlBox& box = controls[i].box;
  const ControlBox& other = controls[j].box;
  return j != i && other.left > box.left && RowsOverlap(box, other) && !Encloses(controls[i], other);
}

// How far right control i may reach where everything else stands now.
int RightLimit(const FitControl* controls, std::size_t count, std::size_t i, int dialogWidth, int gap) {
  int limit = dialogWidth - gap;
  for (std::size_t j = 0; j < count; ++j) {
    if (j != i && Encloses(controls[j], controls[i].box)) limit = std::min(limit, controls[j].box.right - gap);
    if (StandsRightOf(controls, i, j)) limit = std::min(limit, controls[j].box.left - gap);
  }
  return limit;
}

void Widen(FitControl* controls, std::size_t count, std::size_t i, int dialogWidth, int gap) {
  ControlBox& box = controls[i].box;
  const int wanted = box.left + controls[i].content;
  box.right = std::max(box.right, std::min(wanted, RightLimit(controls, count, i, dialogWidth, gap)));
}

// Moves the controls on the right of control i that stand in the way of its
// content by as much as it grows, so that their spacing stays, each as far as
// its own room allows; group boxes stay, with what they hold.
void MakeRoom(FitControl* controls, std::size_t count, std::size_t i, int dialogWidth, int gap) {
  const int growth = controls[i].content - controls[i].box.width();
  const int reach = controls[i].box.left + controls[i].content + gap;
  for (std::size_t j = 0; j < count; ++j) {
    ControlBox& other = controls[j].box;
    if (controls[j].kind == Kind::Group || !StandsRightOf(controls, i, j) || other.left >= reach) continue;
    const int shift = std::min(growth, std::max(0, RightLimit(controls, count, j, dialogWidth, gap) - other.right));
    other.left += shift;
    other.right += shift;
  }
}

}  // namespace

void FitControls(FitControl* controls, std::size_t count, int dialogWidth, int gap) {
  // Numbers first: what they move aside then widens where it stands.
  for (std::size_t i = 0; i < count; ++i) {
    const FitControl& control = controls[i];
    if (control.kind != Kind::Number || control.content <= control.box.width()) continue;
    MakeRoom(controls, count, i, dialogWidth, gap);
    Widen(controls, count, i, dialogWidth, gap);
  }
  // Then group boxes, so that what they hold may use the room they gain.
  for (Kind kind : {Kind::Group, Kind::Label}) {
    for (std::size_t i = 0; i < count; ++i) {
      if (controls[i].kind == kind) Widen(controls, count, i, dialogWidth, gap);
    }
  }
}

ControlBox CentredIn(const ControlBox& frame, int size) {
  const int left = frame.left + (frame.width() - size + 1) / 2;
  const int top = frame.top + (frame.bottom - frame.top - size + 1) / 2;
  return {left, top, left + size, top + size};
}

}  // namespace zorvane
