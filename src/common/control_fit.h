#pragma once
// Dialog controls widened to what their texts need in the font the dialog
// really got: the templates' sizes assume base units of 7 by 12 pixels, and
// other fonts have other glyph widths. Pixels, in one coordinate system.
#include <cstddef>

namespace zorvane {

struct ControlBox {
  int left, top, right, bottom;

  int width() const { return right - left; }
  bool operator==(const ControlBox& other) const {
    return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
  }
};

struct FitControl {
  enum class Kind {
    Fixed,   // keeps its place and size; only bounds the others
    Label,   // widens to its content where there is room
    Number,  // an edit that must show its widest value: moves what stands in its way aside
    Group,   // a group box: a label that also bounds the controls inside it
  };
  Kind kind;
  ControlBox box;
  int content;  // the width its text needs, with the control's own decoration
};

// Widens, to the right only, each control whose content is wider than it, as
// far as the dialog's edge, the group box around it and the next control on
// its rows allow, `gap` pixels short of each. A control that fits stays as it
// is, and so does everything else where every control fits.
void FitControls(FitControl* controls, std::size_t count, int dialogWidth, int gap);

// Where an image of size × size pixels sits centred in frame; a half pixel
// goes to the right and down.
ControlBox CentredIn(const ControlBox& frame, int size);

}  // namespace zorvane
