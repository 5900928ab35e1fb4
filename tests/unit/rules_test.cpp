// The small rules: result texts and controls fitted.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/control_fit.h"
#include "display/result_text.h"

namespace zorvane::testing {
namespace {

TEST(ResultText, ThreeLinesPerAccount) {
  const std::string longName = std::string(57, 'n') + "名";  // 60 bytes: the character must go whole
  const struct {
    std::int32_t chkFlg;
    std::string name;
    CheckResult result;
    std::string lines;  // '|' between them
  } cases[] = {
      {0, "", {5, 5, CheckStatus::HostNotFound}, "未登録||"},
      {2, "休止中", {}, "休止中|チェックを行わない|"},
      {1, "箱", {70000, 5368709120, CheckStatus::Ok}, "箱|メール数： 70000通|サイズ： 5368709120 Bytes"},
      {1, "箱", {1, INT64_MIN, CheckStatus::Ok}, "箱|メール数： 1通|サイズ： -9223372036854775808 Bytes"},
      {1, "箱", {70000, 5368709120, CheckStatus::Ok, NewMail::Counted, 2}, "箱|新着： 2通|全70000通 5368709120 Bytes"},
      {1, "箱", {3, 900, CheckStatus::Ok, NewMail::Unknown}, "箱（新着不明）|メール数： 3通|サイズ： 900 Bytes"},
      {1, "x", {0, 0, CheckStatus::LookupNotStarted}, "x|エラー|ホスト名の未解決"},
      {1, longName, {}, std::string(57, 'n') + "|メール数： 0通|サイズ： 0 Bytes"},
  };
  for (const auto& c : cases) {
    PopAccount account = {};
    std::strcpy(account.NAME, c.name.c_str());
    account.ChkFlg = c.chkFlg;
    const ResultText text = BuildResultText(account, c.result);
    EXPECT_EQ(std::string(text.NameText) + "|" + text.CountText + "|" + text.DetailText, c.lines) << c.name;
  }
}

using Kind = FitControl::Kind;
using Boxes = std::vector<ControlBox>;

TEST(ControlFit, WidensWhatItsTextDoesNotFitAsFarAsTheRoomAllows) {
  const struct {
    const char* what;
    int dialogWidth;
    std::vector<FitControl> controls;
    Boxes fitted;
  } cases[] = {
      {"everything fits, to the pixel: nothing moves",
       400,
       {{Kind::Label, {30, 34, 114, 47}, 84},
        {Kind::Number, {32, 193, 58, 213}, 26},
        {Kind::Group, {12, 11, 385, 331}, 100},
        {Kind::Fixed, {32, 70, 40, 90}, 999}},
       {{30, 34, 114, 47}, {32, 193, 58, 213}, {12, 11, 385, 331}, {32, 70, 40, 90}}},
      {"up to the next control on its rows, not one on other rows",
       400,
       {{Kind::Label, {25, 137, 65, 157}, 60},
        {Kind::Fixed, {70, 132, 254, 155}, 0},
        {Kind::Label, {25, 170, 65, 180}, 60},
        {Kind::Fixed, {66, 180, 90, 190}, 0}},
       {{25, 137, 68, 157}, {70, 132, 254, 155}, {25, 170, 85, 180}, {66, 180, 90, 190}}},
      {"up to the inside of its group box, and a group box to the dialog's edge",
       120,
       {{Kind::Label, {20, 10, 60, 20}, 200}, {Kind::Group, {10, 0, 90, 100}, 500}},
       {{20, 10, 116, 20}, {10, 0, 118, 100}}},
      {"a number moves its neighbour aside by its growth; the neighbour then widens",
       400,
       {{Kind::Number, {32, 193, 58, 213}, 47},
        {Kind::Label, {77, 197, 152, 210}, 83},
        {Kind::Group, {221, 184, 373, 270}, 58}},
       {{32, 193, 79, 213}, {98, 197, 181, 210}, {221, 184, 373, 270}}},
      {"a number whose neighbour cannot move widens up to it",
       400,
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

}  // namespace
}  // namespace zorvane::testing
