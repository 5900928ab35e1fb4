// The small rules: result texts, options, number fields, delete texts, ports, controls fitted, balls centred.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/control_fit.h"
#include "dialogs/form_fields.h"
#include "dialogs/server_form.h"
#include "display/result_text.h"
#include "mail/port_choice.h"
#include "settings/options.h"

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
      {1, "個人", {-3, 2147483647, CheckStatus::Ok}, "個人|メール数： -3通|サイズ： 2147483647 Bytes"},
      {1, "箱", {70000, 5368709120, CheckStatus::Ok}, "箱|メール数： 70000通|サイズ： 5368709120 Bytes"},
      {1, "箱", {1, INT64_MIN, CheckStatus::Ok}, "箱|メール数： 1通|サイズ： -9223372036854775808 Bytes"},
      {1, "箱", {70000, 5368709120, CheckStatus::Ok, NewMail::Counted, 2}, "箱|新着： 2通|全70000通 5368709120 Bytes"},
      {1, "箱", {3, 900, CheckStatus::Ok, NewMail::Unknown}, "箱（新着不明）|メール数： 3通|サイズ： 900 Bytes"},
      {1, "x", {0, 0, CheckStatus::LookupNotStarted}, "x|エラー|ホスト名の未解決"},
      {1, "x", {0, 0, CheckStatus::ServerTemporary}, "x|エラー|サーバの一時的な障害"},
      {1, "x", {0, 0, static_cast<CheckStatus>(13)}, "x|エラー|接続が切断されました"},
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

TEST(Options, DisplayModeAndAutoCheckPeriod) {
  const struct {
    CheckOptions options;
    DisplayMode mode;
    unsigned periodMs;
  } cases[] = {{{0, 10, 0}, DisplayMode::BallsAndDialog, 0},      {{1, 10, 1}, DisplayMode::BallsOnly, 600000},
               {{1, 5, 2}, DisplayMode::DialogOnly, 300000},      {{1, 99, 3}, DisplayMode::BallsAndDialog, 5940000},
               {{2, 0, -1}, DisplayMode::BallsAndDialog, 300000}, {{-1, 100, 0}, DisplayMode::BallsAndDialog, 5940000}};
  for (const auto& c : cases) {
    EXPECT_EQ(DisplayModeOf(c.options), c.mode) << c.options.ChkOpti;
    EXPECT_EQ(AutoCheckPeriodMs(c.options), c.periodMs) << c.options.ChkTime;
  }
}

TEST(FormFields, ANumberFieldIsDecimalDigitsWithin32Bits) {
  const struct {
    const char* text;
    std::uint32_t value;
  } cases[] = {{"4294967295", UINT32_MAX}, {"4294967296", 0}, {"99999999999", 0}, {"", 0}, {"1 ", 0}};
  for (const auto& c : cases) EXPECT_EQ(ReadUnsigned(c.text), c.value) << c.text;
}

TEST(DeleteTexts, TheNameCutTo64BytesOnACharacterBoundary) {
  const std::string n62(62, 'n');
  const DeleteTexts texts = MakeDeleteTexts((n62 + "名").c_str());
  EXPECT_EQ(std::pair(std::string(texts.question), std::string(texts.done)),
            std::pair("設定、「" + n62 + "」を削除してもいいですか？", "設定、「" + n62 + "」を削除しました。"));
}

TEST(PortChoice, AccountPortThenServiceDatabaseThen110) {
  EXPECT_EQ(ChooseConnectPort(1110, 995), 1110);
  EXPECT_EQ(ChooseConnectPort(65535, 0), 65535);
  EXPECT_EQ(ChooseConnectPort(0, 995), 995);
  EXPECT_EQ(ChooseConnectPort(65536, 0), 110);
  EXPECT_EQ(ChooseConnectPort(-1, 0), 110);
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

TEST(ControlFit, BallsCentredInTheirFramesAtTheDesignedPlacesWith7By12) {
  const struct {
    ControlBox frame;
    int size;
    int left, top;
  } cases[] = {{{254, 221, 279, 245}, 16, 259, 225},
               {{308, 204, 348, 245}, 32, 312, 209},  // 7 x 12
               {{254, 239, 279, 265}, 16, 259, 244},
               {{308, 221, 348, 265}, 32, 312, 227}};  // 7 x 13
  for (const auto& c : cases) {
    EXPECT_EQ(CentredIn(c.frame, c.size), (ControlBox{c.left, c.top, c.left + c.size, c.top + c.size})) << c.left;
  }
}

}  // namespace
}  // namespace zorvane::testing
