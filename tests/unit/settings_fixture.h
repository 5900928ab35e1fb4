#pragma once
// A settings store wired to an in-memory registry and a recording UI.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "memory_registry.h"
#include "recording_settings_ui.h"
#include "settings/settings_store.h"

namespace zorvane::testing {

class SettingsTest : public ::testing::Test {
 protected:
  OwnerWindow owner() { return &ownerToken_; }

  // An account as the server settings dialog would hand it over.
  static PopAccount DialogRecord(const char* name, const char* serv, const char* user, const char* password,
                                 std::int32_t port, std::int32_t chkFlg) {
    PopAccount record = {};
    std::snprintf(record.NAME, sizeof record.NAME, "%s", name);
    std::snprintf(record.Serv, sizeof record.Serv, "%s", serv);
    std::snprintf(record.UserId, sizeof record.UserId, "%s", user);
    std::snprintf(record.PassWord, sizeof record.PassWord, "%s", password);
    record.PortNo = port;
    record.ChkFlg = chkFlg;
    return record;
  }

  void ExpectAllKeysClosed() {
    EXPECT_EQ(registry.openHandleCount(), 0u);
    EXPECT_EQ(registry.badHandleUses(), 0);
  }

  MemoryRegistry registry;
  RecordingSettingsUi ui;
  Settings settings = {};
  SettingsStore store{registry, ui, settings};

 private:
  int ownerToken_ = 0;
};

}  // namespace zorvane::testing
