#pragma once
// Records what the settings store shows and plays, in order.
#include <string>
#include <vector>

#include "settings/settings_ui.h"

namespace zorvane::testing {

struct UiEvent {
  enum Kind { Message, Sound } kind;
  OwnerWindow owner;
  std::string text;
  std::string title;
  MessageIcon icon;
};

class RecordingSettingsUi : public SettingsUi {
 public:
  void ShowMessage(OwnerWindow owner, const char* text, const char* title, MessageIcon icon) override {
    events.push_back({UiEvent::Message, owner, text, title, icon});
  }
  void PlayWelcomeSound() override { events.push_back({UiEvent::Sound, nullptr, "", "", MessageIcon::Information}); }

  int CountMessages(const std::string& text) const {
    int count = 0;
    for (const UiEvent& e : events) count += e.kind == UiEvent::Message && e.text == text;
    return count;
  }

  std::vector<UiEvent> events;
};

}  // namespace zorvane::testing
