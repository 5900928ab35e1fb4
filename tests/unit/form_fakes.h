#pragma once
// The settings dialogs' views, the auto-check timer and the settings, faked: the texts as the user left them, the
// controls' states, the message boxes as "title|text" and the timer as "stop" and "start <ms>", in order.
#include <functional>

#include "dialogs/general_form.h"
#include "dialogs/server_form.h"
#include "memory_registry.h"

namespace zorvane::testing {

struct FakeServerView : ServerFormView {
  ServerFormInput Read() override {
    return {t[0].c_str(), t[1].c_str(), t[2].c_str(), t[3].c_str(), t[4].c_str(), included, startTls, newOnly};
  }
  // A fill sets the texts and clears the edits' modified flags.
  void Show(int, const PopAccount& a) override {
    t[0] = a.NAME;
    t[1] = a.Serv;
    t[2] = std::to_string(static_cast<std::uint32_t>(a.PortNo));
    t[3] = a.UserId;
    t[4] = a.PassWord;
    included = a.ChkFlg != 0;
    startTls = a.StlsFlg != kStlsNever;
    newOnly = AnnouncesOnlyNewMail(a);
    std::fill(modified, modified + 5, false);
  }
  void ShowList(const Settings&, int selected) override { line = selected; }
  void EnableUpdate(bool enabled) override { update = enabled; }
  void EnableDelete(bool enabled) override { remove = enabled; }
  bool Ask(const char* text, const char* title, Beep) override {
    log.push_back(std::string(title) + "|" + text);
    return answer();
  }
  void Tell(const char* text, const char* title, MessageIcon, Beep) override {
    log.push_back(std::string(title) + "|" + text);
  }
  void Close() override { closed = true; }

  std::string t[5];  // name, server, port, user, password
  bool modified[5] = {};
  bool included = false;
  bool startTls = true;
  bool newOnly = false;
  bool update = false;
  bool remove = false;
  bool closed = false;
  int line = -1;
  std::function<bool()> answer = [] { return true; };
  std::vector<std::string> log;
};

struct FakeGeneralView : GeneralFormView, AutoCheckTimer {
  GeneralFormInput Read() override { return {period.c_str(), autoCheck, mode, startWithWindows}; }
  void Show(bool check, DisplayMode shown, bool startup) override {
    autoCheck = check;
    mode = shown;
    startWithWindows = startup;
  }
  void ShowPeriod(const char* text) override { period = text; }
  void EnablePeriod(bool on) override { enabled = on; }
  void SetUpDown(int, int, int) override {}
  void Tell(const char* text, const char* title, MessageIcon) override {
    log.push_back(std::string(title) + "|" + text);
  }
  void Close() override { closed = true; }
  void Stop() override {
    log.push_back("stop");
    timer = 0;
  }
  void Start(unsigned periodMs) override {
    log.push_back("start " + std::to_string(periodMs));
    timer = periodMs;
  }

  std::string period;
  bool autoCheck = false;
  bool enabled = false;
  bool closed = false;
  bool startWithWindows = false;
  DisplayMode mode = DisplayMode::BallsAndDialog;
  unsigned timer = 1;  // 0: stopped
  std::vector<std::string> log;
};

}  // namespace zorvane::testing
