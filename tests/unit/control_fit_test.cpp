// Controls widened to their texts; the preview balls centred in their frames.
#include <gtest/gtest.h>

#include <vector>

#include "common/control_fit.h"

namespace zorvane::testing {
namespace {

using Kind = FitControl::Kind;
using Boxes = std::vector<ControlBox>;

TEST(ControlFit, WidensWhatItsTextDoesNotFitAsFarAsTheRoomAllows) {
  const struct {
    const char* what;
    int dialogWidth;
    std::vector<FitControl> controls;
    Boxes fitted;
  } cases[] = {
      {"everything fits, to the pixel: nothing moves", 400,
       {{Kind::Label, {30, 34, 114, 47}, 84}, {Kind::Number, {32, 193, 58, 213}, 26},
        {Kind::Group, {12, 11, 385, 331}, 100}, {Kind::Fixed, {32, 70, 40, 90}, 999}},
       {{30, 34, 114, 47}, {32, 193, 58, 213}, {12, 11, 385, 331}, {32, 70, 40, 90}}},
      {"as far as its text, in its group box", 400,
       {{Kind::Label, {32, 104, 149, 117}, 119}, {Kind::Group, {12, 11, 385, 331}, 100}},
       {{32, 104, 151, 117}, {12, 11, 385, 331}}},
      {"up to the next control on its rows, not one on other rows", 400,
       {{Kind::Label, {25, 137, 65, 157}, 60}, {Kind::Fixed, {70, 132, 254, 155}, 0},
        {Kind::Label, {25, 170, 65, 180}, 60}, {Kind::Fixed, {66, 180, 90, 190}, 0}},
       {{25, 137, 68, 157}, {70, 132, 254, 155}, {25, 170, 85, 180}, {66, 180, 90, 190}}},
      {"up to the inside of its group box, and a group box to the dialog's edge", 120,
       {{Kind::Label, {20, 10, 60, 20}, 200}, {Kind::Group, {10, 0, 90, 100}, 500}},
       {{20, 10, 116, 20}, {10, 0, 118, 100}}},
      {"a number moves its neighbour aside by its growth; the neighbour then widens", 400,
       {{Kind::Number, {32, 193, 58, 213}, 47}, {Kind::Label, {77, 197, 152, 210}, 83},
        {Kind::Group, {221, 184, 373, 270}, 58}},
       {{32, 193, 79, 213}, {98, 197, 181, 210}, {221, 184, 373, 270}}},
      {"a number whose neighbour cannot move widens up to it", 400,
       {{Kind::Number, {0, 0, 20, 10}, 50}, {Kind::Fixed, {30, 0, 60, 10}, 0}, {Kind::Fixed, {62, 0, 90, 10}, 0}},
       {{0, 0, 28, 10}, {30, 0, 60, 10}, {62, 0, 90, 10}}},
  };
  for (const auto& c : cases) {
    std::vector<FitControl> controls = c.controls;
    FitControls(controls.data(), controls.size(), c.dialogWidth, 2);
    Boxes fitted;
    for (const FitControl& control : controls) fitted.push_back(control.box);
    EXPECT_EQ(fitted, c.fitted) << c.what;
  }
}

TEST(ControlFit, BallsCentredInTheirFramesAtTheDesignedPlacesWith7By12) {
  const struct {
    ControlBox frame;
    int size;
    int left, top;
  } cases[] = {{{254, 221, 279, 245}, 16, 259, 225}, {{308, 204, 348, 245}, 32, 312, 209},   // 7 x 12
               {{254, 239, 279, 265}, 16, 259, 244}, {{308, 221, 348, 265}, 32, 312, 227}};  // 7 x 13
  for (const auto& c : cases) {
    EXPECT_EQ(CentredIn(c.frame, c.size), (ControlBox{c.left, c.top, c.left + c.size, c.top + c.size})) << c.left;
  }
}

}  // namespace
}  // namespace zorvane::testing
