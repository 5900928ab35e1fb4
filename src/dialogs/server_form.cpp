#include "dialogs/server_form.h"

#include <cstdio>
#include <cstring>

#include "common/text.h"

namespace zorvane {

namespace {

const char kWarningTitle[] = "警告";
const char kProgramTitle[] = "Zorvane";
const char kSwitchQuestion[] = "内容の変更された項目があります。\n変更を保存しますか？";
const char kCloseQuestion[] = "内容に変更があります。\nウインドウを閉じる前に変更を保存しますか？";
const char kBlankFieldText[] = "入力されていない空白の項目があります。";
constexpr std::size_t kDeleteNameBytes = 64;

}  // namespace

PopAccount ReadServerForm(const ServerFormInput& input, const PopAccount& stored) {
  PopAccount record = {};
  CopyTextCut(record.NAME, input.name);
  CopyTextCut(record.Serv, input.server);
  CopyTextCut(record.UserId, input.user);
  CopyTextCut(record.PassWord, input.password);
  record.PortNo = static_cast<std::int32_t>(ReadUnsigned(input.port));
  record.ChkFlg = input.included ? 1 : 0;
  const bool sameServer = std::strcmp(record.Serv, stored.Serv) == 0 && record.PortNo == stored.PortNo;
  if (!input.startTls) {
    record.StlsFlg = kStlsNever;
  } else {
    record.StlsFlg = sameServer && stored.StlsFlg == kStlsRequired ? kStlsRequired : kStlsWhenOffered;
  }
  record.NewFlg = input.newOnly ? 1 : 0;
  // Unticked and ticked again, the box starts afresh: every waiting message is new once.
  if (input.newOnly && sameServer && std::strcmp(record.UserId, stored.UserId) == 0 && AnnouncesOnlyNewMail(stored)) {
    CopyTextCut(record.SeenUidl, stored.SeenUidl);
  }
  return record;
}

DeleteTexts MakeDeleteTexts(const char* name) {
  const int length = static_cast<int>(Utf8PrefixLength(name, std::strlen(name), kDeleteNameBytes));
  DeleteTexts texts;
  std::snprintf(texts.question, sizeof texts.question, "設定、「%.*s」を削除してもいいですか？", length, name);
  std::snprintf(texts.done, sizeof texts.done, "設定、「%.*s」を削除しました。", length, name);
  return texts;
}

void ServerSettingsForm::Open() {
  RebuildList(0);
  Fill(0);
  SetUnsaved(false);
}

void ServerSettingsForm::EditKeyReleased(bool editModified) {
  if (!unsaved_ && editModified) SetUnsaved(true);
}

void ServerSettingsForm::CheckBoxClicked() { SetUnsaved(true); }

void ServerSettingsForm::SelectionChanged(int selected) {
  const int previous = shown_;
  // A click on the line already shown must not throw away what was typed.
  if (unsaved_ && selected == previous) return;
  if (unsaved_) {
    if (!view_.Ask(kSwitchQuestion, kWarningTitle, Beep::Information) || !UpdateSlot(previous)) {
      RebuildList(previous);
      return;
    }
    SetUnsaved(false);
    RebuildList(selected);
  }
  Fill(selected);
}

void ServerSettingsForm::UpdateButton() {
  UpdateSlot(shown_);
  SetUnsaved(false);
}

void ServerSettingsForm::DeleteButton() { DeleteSlot(shown_); }

void ServerSettingsForm::OkButton() {
  if (UpdateSlot(shown_)) view_.Close();
}

void ServerSettingsForm::CloseButton() {
  if (unsaved_ && view_.Ask(kCloseQuestion, kWarningTitle, Beep::Information)) {
    OkButton();
  } else {
    view_.Close();
  }
}

void ServerSettingsForm::Fill(int slot) {
  if (slot < 0 || slot >= kAccountCount) {
    view_.Tell("えらー", "エラー", MessageIcon::Error, Beep::None);
    return;
  }
  const PopAccount& account = settings_.accounts[slot];
  view_.Show(slot, account);
  view_.EnableDelete(account.NAME[0] != '\0');
  shown_ = slot;
}

void ServerSettingsForm::SetUnsaved(bool unsaved) {
  unsaved_ = unsaved;
  view_.EnableUpdate(unsaved);
}

bool ServerSettingsForm::UpdateSlot(int slot) {
  const PopAccount record = ReadServerForm(view_.Read(), settings_.accounts[slot]);
  if (record.NAME[0] == '\0' || record.Serv[0] == '\0' || record.UserId[0] == '\0' || record.PassWord[0] == '\0' ||
      record.PortNo == 0) {
    view_.Tell(kBlankFieldText, kProgramTitle, MessageIcon::Error, Beep::Error);
    return false;
  }
  store_.SaveAccount(owner_, slot + 1, record);
  RebuildList(slot);
  return true;
}

void ServerSettingsForm::DeleteSlot(int slot) {
  const DeleteTexts texts = MakeDeleteTexts(settings_.accounts[slot].NAME);
  if (!view_.Ask(texts.question, kWarningTitle, Beep::Default)) return;
  store_.ClearAccount(owner_, slot + 1);
  Fill(slot);
  RebuildList(slot);
  view_.Tell(texts.done, "削除完了", MessageIcon::Information, Beep::Default);
}

}  // namespace zorvane
