#pragma once
// The rules of the POP3 settings dialog: the four slots in a list, the form
// showing one of them, the unsaved-changes flag, and what switching, saving,
// deleting and closing do. The controls and message boxes are the view's.
#include "common/message_box.h"
#include "dialogs/form_fields.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

namespace zorvane {

// The form's five texts and its check boxes as the user left them.
struct ServerFormInput {
  const char* name;
  const char* server;
  const char* port;
  const char* user;
  const char* password;
  bool included;
  bool startTls;  // "STARTTLSを使う"
  bool newOnly;   // "新着メールのみ通知"
};

class ServerFormView {
 public:
  virtual ~ServerFormView() = default;
  // The texts stay valid until the next call.
  virtual ServerFormInput Read() = 0;
  // The slot's small and large ball, and its values in the five edits (which
  // clears their modified flags) and the check boxes.
  virtual void Show(int slot, const PopAccount& account) = 0;
  // The four names in slot order, with line `selected` selected; selecting
  // from the program tells no one.
  virtual void ShowList(const Settings& settings, int selected) = 0;
  virtual void EnableUpdate(bool enabled) = 0;
  virtual void EnableDelete(bool enabled) = 0;
  // A question with OK and Cancel and the information icon; true for OK.
  virtual bool Ask(const char* text, const char* title, Beep beep) = 0;
  virtual void Tell(const char* text, const char* title, MessageIcon icon, Beep beep) = 0;
  virtual void Close() = 0;
};

// The form's values as a record, each text cut to its field on a character
// boundary; the port as ReadUnsigned reads it. What the account remembers of
// its server's STLS (stored) stays while that box is ticked and the server and
// port are the same; what it keeps of the last announcement seen, while the
// new-mail box is ticked and the mailbox (server, port and user) is the same.
PopAccount ReadServerForm(const ServerFormInput& input, const PopAccount& stored);

// "設定、「name」" and the rest; the name is cut to 64 bytes.
struct DeleteTexts {
  char question[192];
  char done[192];
};
DeleteTexts MakeDeleteTexts(const char* name);

class ServerSettingsForm {
 public:
  // owner: the dialog, which owns the settings store's message boxes.
  ServerSettingsForm(const Settings& settings, SettingsStore& store, ServerFormView& view, OwnerWindow owner)
      : settings_(settings), store_(store), view_(view), owner_(owner) {}

  void Open();
  // A key went up in one of the five edits, whose modified flag is given.
  void EditKeyReleased(bool editModified);
  // Either check box.
  void CheckBoxClicked();
  // The user selected line `selected` of the list.
  void SelectionChanged(int selected);
  void UpdateButton();
  // The Delete button, or Delete or Backspace released in the list.
  void DeleteButton();
  // OK, or Enter.
  void OkButton();
  // 閉じる, Escape or the close box.
  void CloseButton();

  bool unsaved() const { return unsaved_; }
  int shownSlot() const { return shown_; }

 private:
  void Fill(int slot);
  void RebuildList(int slot) { view_.ShowList(settings_, slot); }
  void SetUnsaved(bool unsaved);
  bool UpdateSlot(int slot);
  void DeleteSlot(int slot);

  const Settings& settings_;
  SettingsStore& store_;
  ServerFormView& view_;
  OwnerWindow owner_;
  bool unsaved_ = false;
  int shown_ = 0;
};

}  // namespace zorvane
