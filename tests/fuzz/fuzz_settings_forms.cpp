// Drives the two settings forms with any sequence of edits, key releases, check-box clicks, selections, Update,
// Delete, OK and Close (and the general form's arrows, check box, mode and period) and checks that find a server's
// STLS, answering each question as the input says; a closed form is opened again. Checks that
// - a save keeps what was typed, each text cut to its field, never a blank field or port 0, and every write goes to
//   the slot shown (or is BOOT); a question is asked before a switch or a close of unsaved changes, a save refused
//   for a blank field says so, and a delete asks and then tells, each in its own words;
// - a save keeps what a check remembered of the server's STLS only while "STARTTLSを使う" is ticked and the server
//   and port are the same, and stores 2 when it is unticked; it keeps the mark of the last new mail seen only while
//   "新着メールのみ通知" stays ticked for the same server, port and user; a delete starts the slot afresh;
// - the unsaved flag, which the Update button shows, is set by a key release in a modified edit and by a check-box
//   click, cleared by Update and by a switch that saved, and kept by everything else;
// - a switch that was refused, or whose save failed, keeps the shown slot; the list always selects the shown slot;
//   OK closes exactly when it saved; Close exactly when nothing was unsaved, the question was cancelled or it saved;
//   Delete is offered exactly when the last fill of the form showed an account;
// - the general form opens on the stored period, and its arrows move their own position within 5 to 90; it stores
//   the box and the mode as shown and only periods of 5 to 99, telling why it refuses any other; once it closes the
//   timer runs exactly when automatic checking is on.
// Input: per step an action (modulo 13), a byte that picks the edit or slot, then a text's length and bytes, answers.
#include <algorithm>
#include <memory>
#include <vector>

#include "../unit/form_fakes.h"
#include "fuzz_input.h"

using namespace zorvane;
using namespace zorvane::testing;

const std::string kSwitch = "警告|内容の変更された項目があります。\n変更を保存しますか？";
const std::string kClose = "警告|内容に変更があります。\nウインドウを閉じる前に変更を保存しますか？";
const std::string kBlank = "Zorvane|入力されていない空白の項目があります。";

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in{data, data + size};
  SettingsInMemory s;
  FakeServerView v;
  FakeGeneralView g;
  bool answer = false;  // the last one given
  int asked = 0;
  int upDown = 0;          // the general form's arrows
  bool removable = false;  // Delete, as the last fill of the form left it
  v.answer = [&] {
    ++asked;
    answer = in.byte() & 1;
    return answer;
  };
  v.closed = g.closed = true;
  std::unique_ptr<ServerSettingsForm> form;
  std::unique_ptr<GeneralSettingsForm> general;
  while (in.more()) {
    if (v.closed) {
      form.reset(new ServerSettingsForm(s.settings, s.store, v, nullptr));
      v.closed = false;
      form->Open();
      removable = s.settings.accounts[0].NAME[0] != '\0';
    }
    const int action = in.byte() % 13;
    const int pick = in.byte();
    const int selected = pick % 4;
    const int edit = pick % 5;
    const bool unsaved = form->unsaved();
    const int shown = form->shownSlot();
    const int questions = asked;
    const std::size_t written = s.registry.journal.size();
    const CheckOptions options = s.settings.options;
    const PopAccount before = s.settings.accounts[shown];
    const std::vector<std::string> typed(v.t, v.t + 5);
    const std::size_t told = v.log.size();
    const bool startTls = v.startTls != (action == 2 && pick & 8);  // as a save reads the boxes
    const bool newOnly = v.newOnly != (action == 2 && !(pick & 8) && pick & 16);
    bool expect = unsaved;
    switch (action) {
      case 0:  // typing, the key still down
        v.t[edit] = in.bytes(in.byte() % 140);
        v.modified[edit] = true;
        break;
      case 1:
        expect = unsaved || v.modified[edit];
        form->EditKeyReleased(v.modified[edit]);
        break;
      case 2:
        if (pick & 8) {
          v.startTls = !v.startTls;
        } else if (pick & 16) {
          v.newOnly = !v.newOnly;
        } else {
          v.included = !v.included;
        }
        expect = true;
        form->CheckBoxClicked();
        break;
      case 3:
        v.line = selected;
        form->SelectionChanged(selected);
        break;
      case 4:
        expect = false;
        form->UpdateButton();
        break;
      case 5:  // or a check, whose server completed STLS, and whose new mail the user has seen
        if (pick & 16) {
          s.store.RememberStartTls(nullptr, selected + 1);
          s.store.SaveSeenMark(nullptr, selected + 1, "3 c b a");
        } else {
          form->DeleteButton();
        }
        break;
      case 6: form->OkButton(); break;
      case 7: form->CloseButton(); break;
      default:  // the general form
        if (g.closed) {
          general.reset(new GeneralSettingsForm(s.settings, s.store, s.startup, g, g, nullptr));
          g.closed = false;
          general->Open();
          const CheckOptions& o = s.settings.options;
          upDown = std::clamp(o.ChkTime, kUpDownLowest, kUpDownHighest);
          FUZZ_CHECK(g.period == std::to_string(o.ChkTime) && g.enabled == (o.IsChk != 0));
        }
        FUZZ_CHECK(g.timer == 0);
        if (action == 8) {
          upDown = std::clamp(upDown + selected - 2, kUpDownLowest, kUpDownHighest);
          general->UpDownStep(selected - 2);
          FUZZ_CHECK(g.period == std::to_string(upDown));
        }
        if (action == 9) {
          g.autoCheck = !g.autoCheck;
          general->AutoCheckClicked(g.autoCheck);
        }
        if (action == 10) {
          g.mode = DisplayMode(selected % 3);
          g.period = pick & 8 ? std::to_string(in.byte()) : in.bytes(selected);
        }
        if (action == 11 || action == 12) action == 11 ? general->UpdateButton() : general->CloseButton();
        const CheckOptions& o = s.settings.options;
        const bool stored = s.registry.journal.size() > written;
        const bool kept = !memcmp(&o, &options, sizeof o);
        FUZZ_CHECK(
            (stored ? o.ChkTime >= 5 && o.ChkTime <= 99 && o.ChkOpti == int(g.mode) && o.IsChk == g.autoCheck : kept) &&
            !s.registry.openKeys() && !s.registry.badHandles);
        if (action == 11 && !g.closed)
          FUZZ_CHECK(g.log.back() == "警告|チェック時間は、5～99の間の整数値で入力して下さい。");
        if (g.closed) FUZZ_CHECK(g.timer == (o.IsChk ? unsigned(o.ChkTime) * 60000 : 0) && (action == 12) != stored);
        continue;
    }
    bool saved = false;
    for (std::size_t i = written; i < s.registry.journal.size(); ++i) {
      // "key|name|type|length|data", where only the data may hold a '|'.
      const std::string& e = s.registry.journal[i];
      const std::size_t bar = e.find('|');
      const std::size_t rest = e.find('|', e.find('|', e.find('|', bar + 1) + 1) + 1) + 1;
      const std::string key = e.substr(0, bar);
      const std::string head = e.substr(bar + 1, rest - bar - 1);
      const std::string value = e.substr(rest);
      saved |= head == "NAME|1|128|";
      FUZZ_CHECK(head.find("|1|") == std::string::npos || head.find("|256|") != std::string::npos || !value.empty());
      FUZZ_CHECK(head != "PortNo|4|4|" || value != "0");
      if (action == 5 && pick & 16) continue;
      FUZZ_CHECK(key == "POP" + std::to_string(shown + 1) || head == "BOOT|4|4|");
      // A save forgets that the server completed STLS when the box is unticked or the server or port changed.
      const PopAccount& after = s.settings.accounts[shown];
      const bool sameServer = !std::strcmp(after.Serv, before.Serv) && after.PortNo == before.PortNo;
      const bool remembered = startTls && sameServer && before.StlsFlg == kStlsRequired;
      const bool deleted = action == 5;  // the slot's next account starts afresh
      if (head == "StlsFlg|4|4|") FUZZ_CHECK(value == (deleted ? "0" : !startTls ? "2" : remembered ? "1" : "0"));
      if (head == "NewFlg|4|4|") FUZZ_CHECK(value == (!deleted && newOnly ? "1" : "0"));
      // And what it keeps of the last new mail seen, while the box stays ticked for the same mailbox.
      const bool sameMailbox = sameServer && !std::strcmp(after.UserId, before.UserId) && before.NewFlg == 1;
      if (head == "SeenUidl|1|256|") FUZZ_CHECK(value == (!deleted && newOnly && sameMailbox ? before.SeenUidl : ""));
    }
    if (action == 3 && unsaved && selected != shown) expect = !saved;
    FUZZ_CHECK(form->unsaved() == expect && v.update == expect && v.line == form->shownSlot() &&
               !s.registry.openKeys() && !s.registry.badHandles);
    if (action == 3)
      FUZZ_CHECK(form->shownSlot() == (unsaved && !saved ? shown : selected) && (!saved || asked == questions + 1));
    if (action == 6) FUZZ_CHECK(v.closed == saved);
    const PopAccount& after = s.settings.accounts[shown];
    if (saved) {
      FUZZ_CHECK(after.NAME == CutText(typed[0], sizeof after.NAME) &&
                 after.Serv == CutText(typed[1], sizeof after.Serv) &&
                 after.UserId == CutText(typed[3], sizeof after.UserId) &&
                 after.PassWord == CutText(typed[4], sizeof after.PassWord));
    }
    // The question, then the refusal where a save was tried and did not happen; or a delete's question and its end.
    const bool asks =
        (action == 3 && unsaved && selected != shown) || (action == 7 && unsaved) || (action == 5 && !(pick & 16));
    const bool tried = action == 4 || action == 6 || ((action == 3 || action == 7) && asks && answer);
    const DeleteTexts deleting = MakeDeleteTexts(before.NAME);
    Texts words;
    if (asks) words.push_back(action == 3 ? kSwitch : action == 7 ? kClose : "警告|" + std::string(deleting.question));
    if (tried && !saved) words.push_back(kBlank);
    if (action == 5 && asks && answer) words.push_back("削除完了|" + std::string(deleting.done));
    FUZZ_CHECK(asked == questions + asks);
    FUZZ_CHECK(Texts(v.log.begin() + told, v.log.end()) == words);
    const bool filled =
        (action == 3 && (!unsaved || (selected != shown && saved))) || (action == 5 && words.size() == 2);
    if (filled) removable = s.settings.accounts[form->shownSlot()].NAME[0] != '\0';
    FUZZ_CHECK(v.remove == removable);
    if (action == 7) FUZZ_CHECK(v.closed == (!unsaved || saved || (asked > questions && !answer)));
  }
  return 0;
}
