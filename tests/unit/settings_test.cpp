#include <gtest/gtest.h>

#include <functional>

#include "memory_registry.h"
#include "settings/password.h"
#include "settings/settings_store.h"

namespace zorvane::testing {
namespace {

constexpr std::uint32_t kBinary = 3;
const std::string kSettings = "Software\\Quillmoor Software\\Mireth";
std::string Pop(int n) { return kSettings + "\\POP" + std::to_string(n); }
const std::string kRegistryError = "警告|レジストリのエラー";

using Texts = std::vector<std::string>;

// Message boxes and sounds go into events and, between the writes, into the registry's journal.
class RecordingUi : public SettingsUi {
 public:
  explicit RecordingUi(Texts& journal) : journal_(journal) {}
  void ShowMessage(OwnerWindow, const char* text, const char* title, MessageIcon) override {
    Note(std::string(title) + "|" + text);
  }
  void PlayWelcomeSound() override { Note("sound"); }
  void Note(const std::string& event) { events.push_back(event), journal_.push_back(event); }
  Texts events;

 private:
  Texts& journal_;
};

class SettingsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(registry.openKeys(), 0u);
    EXPECT_EQ(registry.badHandles, 0);
    EXPECT_LT(registry.enumCalls, 10000) << "an enumeration never ended";
  }
  void StoreAccount(int n, const std::string& name, std::string password, std::uint32_t chkFlg = 1) {
    ScramblePassword(password.data());
    registry.Put(Pop(n), "NAME", kRegSz, Text(name, 128));
    registry.Put(Pop(n), "Serv", kRegSz, Text("pop.example.test", 128));
    registry.Put(Pop(n), "UserId", kRegSz, Text("alice", 64));
    registry.Put(Pop(n), "PassWord", kRegSz, Text(password, 64));
    registry.Put(Pop(n), "PortNo", kRegDword, Dword(995));
    registry.Put(Pop(n), "ChkFlg", kRegDword, Dword(chkFlg));
    registry.Put(Pop(n), "Imagetype", kRegDword, Dword(2));
  }
  static std::vector<Value> Sorted(std::vector<Value> values) {
    std::sort(values.begin(), values.end(), [](const Value& a, const Value& b) { return a.name < b.name; });
    return values;
  }
  static std::vector<Value> DefaultAccount() {
    std::vector<Value> values = {{"ChkFlg", kRegDword, Dword(0)}, {"Imagetype", kRegDword, Dword(0)},
                                 {"PortNo", kRegDword, Dword(110)}};
    for (const char* name : {"NAME", "PassWord", "Serv", "UserId"}) values.push_back({name, kRegSz, Text("", 256)});
    return Sorted(values);
  }

  MemoryRegistry registry;
  RecordingUi ui{registry.journal};
  Settings settings = {};
  SettingsStore store{registry, ui, settings};
  int window = 0;
  OwnerWindow owner = &window;
};

// Every write of a first start, SaveOptions, SaveAccount and ClearAccount in order, with the messages between
// them; then the same operations with no Software key.
TEST_F(SettingsTest, WritesTheseValuesInThisOrder) {
  const auto defaults = [](const std::string& key) {
    Texts writes;
    for (const char* value : {"ChkFlg|4|4|0", "Imagetype|4|4|0", "PortNo|4|4|110", "NAME|1|256|", "PassWord|1|256|",
                              "Serv|1|256|", "UserId|1|256|"}) {
      writes.push_back(key + "|" + value);
    }
    return writes;
  };
  const auto account = [](const std::string& key) {
    return Texts{key + "|NAME|1|128|新しい名前", key + "|Serv|1|128|127.0.0.1", key + "|UserId|1|64|bob",
                 key + "|PassWord|1|64|>Nä", key + "|PortNo|4|4|1110", key + "|ChkFlg|4|4|1"};
  };
  const Texts three(3, kRegistryError);
  Texts expected = {"sound", "ようこそ！！|" + std::string(kWelcomeText), "Mireth|BOOT|4|4|1", "Mireth|ChkTime|4|4|10",
                    "Mireth|ChkOpti|4|4|0", "Mireth|IsChk|4|4|0"};
  const auto add = [&](const Texts& more) { expected.insert(expected.end(), more.begin(), more.end()); };
  for (const char* key : {"POP1", "POP2", "POP3", "POP4"}) add(defaults(key));
  add({"Mireth|ChkTime|4|4|42", "Mireth|ChkOpti|4|4|2", "Mireth|IsChk|4|4|1", "Mireth|BOOT|4|4|1"});
  add(account("POP2"));
  add(defaults("POP3"));
  add(three);
  add({"-|ChkTime|4|4|42", "-|ChkOpti|4|4|2", "-|IsChk|4|4|1"});
  add(three);
  add({kRegistryError, "-|BOOT|4|4|1"});
  add(account("-"));
  add(three);
  add(defaults("-"));
  add(three);
  add({kRegistryError});

  const PopAccount record = {"新しい名前", "127.0.0.1", "bob", "pNä", 1110, 1, 5};
  for (const bool broken : {false, true}) {
    if (broken) registry.failOpen.insert("Software");
    if (!broken) store.CheckFirstStart(owner);
    settings.options = {1, 42, 2};
    store.SaveOptions(owner);
    store.SaveAccount(owner, broken ? 1 : 2, record);
    store.ClearAccount(owner, broken ? 4 : 3);
  }
  EXPECT_EQ(registry.journal, expected);
}

TEST(Password, ScramblesAsciiBytesOtherThanTheKeyAndUndoesItself) {
  const struct {
    std::string plain, stored;
  } cases[] = {{"abc", "/,-"}, {"NNN", "NNN"}, {"pässwörd", ">\xc3\xa4==9\xc3\xb6<*"}, {"À!", "\xc3\x80o"}, {"", ""}};
  for (const auto& c : cases) {
    std::string text = c.plain;
    ScramblePassword(text.data());
    EXPECT_EQ(text, c.stored) << c.plain;
    ScramblePassword(text.data());
    EXPECT_EQ(text, c.plain);
  }
}

TEST_F(SettingsTest, FirstStartUnlessBootHoldsOneInFourBytes) {
  const struct {
    const char* what;
    std::uint32_t type;
    std::vector<unsigned char> boot;  // empty: no BOOT value
    bool first;
  } cases[] = {{"absent", 0, {}, true},          {"zero", kRegDword, Dword(0), true}, {"two", kRegDword, Dword(2), true},
               {"text", kRegSz, Text("1"), true}, {"eight bytes", kBinary, {1, 0, 0, 0, 0, 0, 0, 0}, true},
               {"two bytes", kBinary, {1, 0}, true}, {"dword one", kRegDword, Dword(1), false},
               {"binary one", kBinary, Dword(1), false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    registry.keys.clear();
    ui.events.clear();
    registry.Put(kSettings, "ChkTime", kRegDword, Dword(30));
    if (!c.boot.empty()) registry.Put(kSettings, "BOOT", c.type, c.boot);
    StoreAccount(2, "仕事", "pass");
    const auto before = registry.keys;

    store.CheckFirstStart(owner);

    if (!c.first) {
      EXPECT_TRUE(ui.events.empty());
      EXPECT_EQ(registry.keys, before);
      continue;
    }
    // The sound plays while the welcome box is open; every account is emptied.
    ASSERT_EQ(ui.events.size(), 2u);
    EXPECT_EQ(ui.events[0], "sound");
    EXPECT_EQ(ui.events[1], std::string("ようこそ！！|") + kWelcomeText);
    EXPECT_EQ(Sorted(registry.keys[kSettings]),
              Sorted({{"BOOT", kRegDword, Dword(1)}, {"ChkTime", kRegDword, Dword(10)},
                      {"ChkOpti", kRegDword, Dword(0)}, {"IsChk", kRegDword, Dword(0)}}));
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(Sorted(registry.keys[Pop(n)]), DefaultAccount()) << n;
  }
}

TEST_F(SettingsTest, LoadTakesExactNamesAndTypesAndCutsOnCharacterBoundaries) {
  StoreAccount(3, "仕事", "s3cret");
  registry.Put(Pop(3), "Serv", kRegSz, Text(std::string(125, 's') + "あ"));  // 128 bytes: one too many
  registry.Put(Pop(3), "name", kRegSz, Text("lower case"));
  registry.Put(Pop(3), "UserId", kBinary, Text("bob"));        // a text stored as bytes
  registry.Put(Pop(3), "ChkFlg", kBinary, Dword(0));           // a number stored as bytes
  registry.Put(Pop(3), "PortNo", kRegDword, {7});              // short: no bytes of the last value
  registry.Put(Pop(2), "NAME", kRegSz, {'a', 'b', 'c'});       // no terminator: its data length ends it
  registry.Put(Pop(2), "PassWord", kRegSz, Text(std::string(63, '!'), 64));
  settings.account(2).ChkFlg = 1;  // not in the key: must not survive the load

  store.LoadAccount(owner, 3);
  store.LoadAccount(owner, 2);

  const PopAccount& three = settings.account(3);
  EXPECT_STREQ(three.NAME, "仕事");
  EXPECT_EQ(std::string(three.Serv), std::string(125, 's'));
  EXPECT_STREQ(three.UserId, "");
  EXPECT_STREQ(three.PassWord, "s3cret");
  EXPECT_EQ(three.ChkFlg, 0);
  EXPECT_EQ(three.PortNo, 7);
  EXPECT_EQ(three.Imagetype, 2);
  EXPECT_STREQ(settings.account(2).NAME, "abc");
  EXPECT_EQ(std::string(settings.account(2).PassWord), std::string(63, 'o'));  // '!' ^ 0x4E
  EXPECT_EQ(settings.account(2).ChkFlg, 0);
  EXPECT_TRUE(ui.events.empty());
}

TEST_F(SettingsTest, OptionsLoadWithAccountOneOnlyAndKeepWhatIsNotFound) {
  registry.Put(kSettings, "ChkTime", kRegDword, Dword(30));
  registry.Put(kSettings, "chkopti", kRegDword, Dword(2));  // wrong case
  registry.Put(kSettings, "IsChk", kRegSz, Text("1"));       // wrong type
  settings.options = {7, 8, 9};

  store.LoadAccount(owner, 2);
  EXPECT_EQ(settings.options.ChkTime, 8);
  store.LoadAccount(owner, 1);
  EXPECT_EQ(settings.options.IsChk, 7);
  EXPECT_EQ(settings.options.ChkTime, 30);
  EXPECT_EQ(settings.options.ChkOpti, 9);
}

TEST_F(SettingsTest, RegistryFailuresAreReportedAndEveryOperationStillEnds) {
  const auto enumError = "警告|レジストリのエラー5";
  const struct {
    const char* what;
    std::function<void(MemoryRegistry&)> inject;
    std::vector<std::string> messages;
    const char* serv;  // account 1's Serv after the load
  } cases[] = {
      {"every enumeration call fails", [](MemoryRegistry& r) { r.failEnum[Pop(1)] = 5; }, {enumError}, ""},
      {"a value too large for the buffers",
       [](MemoryRegistry& r) {
         r.Put(Pop(1), std::string(300, 'x'), kRegSz, Text("long name"));
         r.Put(Pop(1), "NAME", kRegSz, Text(std::string(300, 'n')));
       },
       {enumError, enumError}, "pop.example.test"},
      {"no Software key", [](MemoryRegistry& r) { r.failOpen.insert("Software"); },
       {kRegistryError, kRegistryError, kRegistryError, kRegistryError}, ""},
      {"no account key", [](MemoryRegistry& r) { r.failOpen.insert(Pop(1)); }, {kRegistryError}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    registry = MemoryRegistry{};
    ui.events.clear();
    StoreAccount(1, "a", "b");
    c.inject(registry);
    store.LoadAccount(owner, 1);
    EXPECT_EQ(ui.events, c.messages);
    EXPECT_STREQ(settings.account(1).Serv, c.serv);
  }
}

TEST_F(SettingsTest, SaveWritesFixedLengthsAndTheScrambledPasswordButNeverImagetype) {
  StoreAccount(2, "old", "old");
  store.LoadAccount(owner, 2);
  PopAccount record = {"新しい名前", "127.0.0.1", "bob", "pässwörd", 1110, 1, 0};

  store.SaveAccount(owner, 2, record);

  EXPECT_EQ(Sorted(registry.keys[Pop(2)]),
            Sorted({{"NAME", kRegSz, Text("新しい名前", 128)}, {"Serv", kRegSz, Text("127.0.0.1", 128)},
                    {"UserId", kRegSz, Text("bob", 64)}, {"PassWord", kRegSz, Text(">\xc3\xa4==9\xc3\xb6<*", 64)},
                    {"PortNo", kRegDword, Dword(1110)}, {"ChkFlg", kRegDword, Dword(1)},
                    {"Imagetype", kRegDword, Dword(2)}}));
  EXPECT_EQ(registry.Find(kSettings, "BOOT")->data, Dword(1));
  EXPECT_STREQ(settings.account(2).PassWord, "pässwörd");
  EXPECT_EQ(settings.account(2).Imagetype, 2);

  settings.account(2) = {};
  store.LoadAccount(owner, 2);
  const PopAccount& loaded = settings.account(2);
  EXPECT_EQ(std::string(loaded.NAME) + loaded.Serv + loaded.UserId + loaded.PassWord, "新しい名前127.0.0.1bobpässwörd");
  EXPECT_EQ(loaded.PortNo + loaded.ChkFlg + loaded.Imagetype, 1110 + 1 + 2);

  settings.options = {1, 42, 2};
  store.SaveOptions(owner);
  for (const auto& [name, value] : {std::pair{"IsChk", 1}, {"ChkTime", 42}, {"ChkOpti", 2}}) {
    EXPECT_EQ(registry.Find(kSettings, name)->data, Dword(value)) << name;
  }
  EXPECT_TRUE(ui.events.empty());
}

TEST_F(SettingsTest, ClearWritesTheDefaultsAndReloadsAccountOneWithTheOptions) {
  for (int n : {1, 2}) {
    StoreAccount(n, "x", "y");
    store.LoadAccount(owner, n);
  }
  registry.Put(kSettings, "ChkTime", kRegDword, Dword(55));

  store.ClearAccount(owner, 2);
  EXPECT_EQ(Sorted(registry.keys[Pop(2)]), DefaultAccount());
  EXPECT_STREQ(settings.account(2).NAME, "");
  EXPECT_EQ(settings.account(2).PortNo, 110);
  EXPECT_EQ(settings.options.ChkTime, 0);

  store.ClearAccount(owner, 1);
  EXPECT_EQ(settings.options.ChkTime, 55);
  EXPECT_TRUE(ui.events.empty());
}

TEST_F(SettingsTest, InvalidAccountNumbersChangeNothing) {
  const auto before = registry.keys;
  const PopAccount record = {"a", "b", "c", "d", 1, 1, 0};
  for (int n : {0, 5, -1}) {
    store.LoadAccount(owner, n);
    store.SaveAccount(owner, n, record);
    store.ClearAccount(owner, n);
  }
  EXPECT_EQ(ui.events, std::vector<std::string>(9, "Zorvaneエラー|レジストリが不正です"));
  EXPECT_EQ(registry.keys, before);
}

}  // namespace
}  // namespace zorvane::testing
