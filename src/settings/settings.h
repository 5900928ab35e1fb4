#pragma once
// The in-memory settings records: four accounts and the global options.
#include <cstddef>
#include <cstdint>

namespace zorvane {

constexpr int kAccountCount = 4;

// The port a fresh or deleted account is stored with, and the one a session
// falls back to when neither the account nor the service database has one.
constexpr std::int32_t kDefaultPortNo = 110;

// StlsFlg: whether a connection that is not TLS from its first byte asks for
// TLS with STLS. An account stored without the value reads 0.
constexpr std::int32_t kStlsWhenOffered = 0;
constexpr std::int32_t kStlsRequired = 1;  // its server completed STLS: never again in clear
constexpr std::int32_t kStlsNever = 2;     // "STARTTLSを使う" unticked

// What an account keeps of the last announcement the user saw: one text of
// at most this many bytes with its terminator.
constexpr std::size_t kSeenMarkBytes = 256;

struct PopAccount {
  char NAME[128];  // display name; empty: the slot is unregistered
  char Serv[128];  // POP3 server host name or dotted address
  char UserId[64];
  char PassWord[64];  // plain text in memory
  std::int32_t PortNo;
  std::int32_t ChkFlg;            // 1: take part in checks
  std::int32_t Imagetype;         // ball graphic type, always 0
  std::int32_t StlsFlg;           // kStlsWhenOffered, kStlsRequired or kStlsNever
  std::int32_t NewFlg;            // 1: "新着メールのみ通知", announce only new mail
  char SeenUidl[kSeenMarkBytes];  // of an account with NewFlg: what it keeps of the last announcement seen
};

// Only 1 counts, as for ChkFlg.
inline bool AnnouncesOnlyNewMail(const PopAccount& account) { return account.NewFlg == 1; }

struct CheckOptions {
  std::int32_t IsChk;    // automatic checking when not 0
  std::int32_t ChkTime;  // minutes between automatic checks
  std::int32_t ChkOpti;  // display mode, see DisplayModeOf
};

struct Settings {
  PopAccount accounts[kAccountCount];  // accounts[0] is account 1
  CheckOptions options;

  PopAccount& account(int n) { return accounts[n - 1]; }
  const PopAccount& account(int n) const { return accounts[n - 1]; }
};

inline bool IsValidAccountNumber(int n) { return n >= 1 && n <= kAccountCount; }

// Only 1 counts: an account stored with any other ChkFlg is not checked, and
// shows so everywhere.
inline bool TakesPartInChecks(const PopAccount& account) { return account.ChkFlg == 1; }

// Every StlsFlg but kStlsNever asks for STLS, an unknown one as kStlsWhenOffered.
inline bool UsesStartTls(const PopAccount& account) { return account.StlsFlg != kStlsNever; }

}  // namespace zorvane
