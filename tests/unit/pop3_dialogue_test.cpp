// The reply reader, fed in chunks of every size; the dialogue against a server that answers each command, step by
// step and pipelined.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "mail/pop3_dialogue.h"
#include "mail/stat_reply.h"

namespace zorvane::testing {
namespace {

// "+text(code)", "-text(code)", "|line", "." for the end of a body, "!" for a failure; a body follows "+...list".
std::string Read(const std::string& bytes, std::size_t chunk) {
  Pop3ReplyReader reader;
  std::string log;
  for (std::size_t at = 0; at < bytes.size();) {
    at += reader.Feed(bytes.data() + at, std::min(chunk, bytes.size() - at));
    for (Pop3Reply reply; (reply = reader.Next()).kind != Pop3Reply::Kind::None;) {
      switch (reply.kind) {
        case Pop3Reply::Kind::BodyLine: log += "|" + std::string(reply.text); break;
        case Pop3Reply::Kind::BodyEnd: log += "."; break;
        case Pop3Reply::Kind::Failed: return log + "!";
        default: log += std::string(reply.text) + "(" + reply.code + ")";
      }
      if (reply.kind == Pop3Reply::Kind::Positive && std::strstr(reply.text, "list")) reader.ExpectBody();
    }
  }
  return log;
}

TEST(Pop3ReplyReader, StatusLinesBodiesAndCodesReadTheSameInChunksOfAnySize) {
  const std::string a510(510, 'a');
  const struct {
    std::string bytes, log;
  } cases[] = {
      {"+OK hi\r\n-ERR no\r\n\n+OK", "+OK hi()-ERR no()()"},
      {"-ERR [IN-USE] busy\r\n+OK [SYS/TEMP]\r\n-ERR [LOGIN-DELAY\r\n-ERR no [AUTH]\r\n-ERR  [AUTH]\r\n",
       "-ERR [IN-USE] busy(IN-USE)+OK [SYS/TEMP](SYS/TEMP)-ERR [LOGIN-DELAY()-ERR no [AUTH]()-ERR  [AUTH]()"},
      {"+OK list\r\nSTLS\r\n..x\r\n..\r\n\r\n.\r\n-ERR\r\n", "+OK list()|STLS|.x|.|.-ERR()"},
      {"x\r\r\n+OK list\n.\n", "x\r()+OK list()."},
      {a510 + "\r\n" + a510 + "\r\n", a510 + "()" + a510 + "()"},  // 512 bytes with the line end
      {a510 + "a\r\n+OK\r\n", "!"},
      {a510 + "aa", "!"},
  };
  for (const auto& c : cases) {
    for (std::size_t chunk = 1; chunk <= Pop3ReplyReader::kMaxRead; ++chunk) {
      SCOPED_TRACE(c.log.substr(0, 40) + ", chunks of " + std::to_string(chunk));
      ASSERT_EQ(Read(c.bytes, chunk), c.log);
    }
  }
}

// A server that answers each command line with answers[verb] ("+OK" unless given; '|' between successive answers,
// the last one for good), STAT and UIDL from a mailbox of ids where it has one.
struct Server {
  std::string greeting = "+OK";
  std::string capa = "+OK\r\nUSER";  // the lists, without their "."
  std::map<std::string, std::string> answers;
  bool uidl = false;
  std::vector<std::string> ids;
};

// The next of successive answers.
std::string First(std::string& answers) {
  const std::size_t bar = answers.find('|');
  const std::string first = answers.substr(0, bar);
  if (bar != std::string::npos) answers.erase(0, bar + 1);
  return first;
}

std::string Answer(Server& server, const std::string& line) {
  const std::string verb = line.substr(0, line.find(' '));
  const int count = static_cast<int>(server.ids.size());
  if (verb == "CAPA") {
    const std::string capa = First(server.capa);
    return capa.rfind('-', 0) == 0 ? capa : capa + "\r\n.";
  }
  if (server.uidl && !server.answers.count(verb) && verb == "STAT") return "+OK " + std::to_string(count) + " 9";
  if (server.uidl && !server.answers.count(verb) && line == "UIDL") {
    std::string listing = "+OK";
    for (int n = 1; n <= count; ++n) listing += "\r\n" + std::to_string(n) + " " + server.ids[n - 1];
    return listing + "\r\n.";
  }
  if (server.uidl && !server.answers.count(verb) && verb == "UIDL") {
    const int n = std::stoi(line.substr(5));
    return n >= 1 && n <= count ? "+OK " + std::to_string(n) + " " + server.ids[n - 1] : "-ERR no such message";
  }
  const std::string reply = First(server.answers[verb]);
  return reply.empty() ? "+OK" : reply;
}

std::string NewMailOf(const Pop3Dialogue& dialogue) {
  if (dialogue.newMail() != NewMail::Counted) return " new unknown";
  char mark[kSeenMarkBytes];
  dialogue.NextSeenMark(mark);
  return " new " + std::to_string(dialogue.newCount()) + " mark " + mark;
}

// Each write as its commands' verbs in brackets, "tls" where TLS begins, then the outcome; for an account that
// announces only new mail, whether the new messages were counted, their count and the next seen mark.
std::string Converse(Server server, const char* user, const char* password, StartTlsUse use, bool secure,
                     const char* seenMark = nullptr) {
  Pop3Dialogue dialogue;
  dialogue.Start(user, password, use, secure, seenMark);
  std::string log;
  std::string inbox = server.greeting + "\r\n";
  for (int turn = 0; turn < 20; ++turn) {
    dialogue.Feed(inbox.data(), inbox.size());
    inbox.clear();
    DialogueAction action = dialogue.Next();
    if (action.kind == DialogueAction::Kind::StartTls) {
      log += "tls";
      action = dialogue.OnTlsReady();
    }
    if (action.kind != DialogueAction::Kind::Send) break;
    std::string verbs;
    std::string lines(action.bytes, action.length);
    for (std::size_t end; (end = lines.find("\r\n")) != std::string::npos; lines.erase(0, end + 2)) {
      const std::string verb = lines.substr(0, std::min(end, lines.find(' ')));
      verbs += (verbs.empty() ? "" : " ") + verb;
      inbox += Answer(server, lines.substr(0, end)) + "\r\n";
    }
    log += "[" + verbs + "]";
  }
  const DialogueOutcome& o = dialogue.outcome();
  const char* const kinds[] = {"open", "counted", "ended"};
  return log + " " + kinds[static_cast<int>(o.kind)] + " " + std::to_string(static_cast<int>(o.status)) + " " +
         std::to_string(o.count) + " " + std::to_string(o.size) + (dialogue.upgraded() ? " upgraded" : "") +
         (seenMark ? NewMailOf(dialogue) : "");
}

// The statuses: 6 USER refused, 7 PASS, 8 TLS, 10 [LOGIN-DELAY], 11 [IN-USE], 12 [SYS/TEMP].
TEST(Pop3Dialogue, TheSameServerGivesTheSameOutcomeStepByStepAndPipelined) {
  const std::string kLogin = "[CAPA][USER][PASS][STAT][QUIT]";
  const auto answering = [](std::map<std::string, std::string> answers) { return Server{"+OK", "+OK", answers}; };
  const struct {
    const char* what;
    Server server;
    std::string log;
    const char* user = "alice";
    const char* password = "secret";
    StartTlsUse use = StartTlsUse::WhenOffered;
    bool secure = false;
  } cases[] = {
      {"greeting refused", Server{"-ERR [SYS/TEMP] later", "", {}}, "[QUIT] ended 12 0 0"},
      {"no such user: PASS's refusal does not count", answering({{"USER", "-ERR"}, {"PASS", "-ERR"}}),
       "[CAPA][USER][QUIT] ended 6 0 0"},
      {"wrong password", answering({{"PASS", "-ERR"}}), "[CAPA][USER][PASS][QUIT] ended 7 0 0"},
      {"login too soon", answering({{"PASS", "-ERR [LOGIN-DELAY] wait"}}), "[CAPA][USER][PASS][QUIT] ended 10 0 0"},
      {"mailbox in use", answering({{"PASS", "-ERR [in-use] x"}}), "[CAPA][USER][PASS][QUIT] ended 11 0 0"},
      {"STAT refused", answering({{"STAT", "-ERR 7 8"}}), kLogin + " ended 0 0 0"},
      {"'-' to QUIT asks again", answering({{"QUIT", "-ERR|+OK"}}), kLogin + "[QUIT] counted 0 0 0"},
      {"a line break in the password", answering({}), "[CAPA][QUIT] ended 7 0 0", "carl", "x\ny"},
      // STARTTLS: asked for where offered, the capabilities asked again under TLS (an account's choices: the
      // connection's table).
      {"STLS offered; what was heard before TLS is not believed", Server{"+OK", "+OK\r\nSTLS\r\nPIPELINING|+OK", {}},
       "[CAPA][STLS]tls" + kLogin + " counted 0 0 0 upgraded"},
      {"STLS refused", Server{"+OK", "+OK\r\nSTLS", {{"STLS", "-ERR"}}}, "[CAPA][STLS][QUIT] ended 8 0 0"},
      {"TLS from the first byte", Server{"+OK", "+OK\r\nSTLS", {}}, kLogin + " counted 0 0 0", "a", "b",
       StartTlsUse::Required, true},
  };
  // Pipelined, the login and STAT go out in one write, QUIT with them.
  const std::regex login(R"(\[USER\](\[PASS\])?(\[STAT\])?\[QUIT\])");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Converse(c.server, c.user, c.password, c.use, c.secure), c.log);
    Server pipelining = c.server;
    const bool capa = pipelining.capa.rfind('-', 0) != 0;
    if (capa) pipelining.capa += "\r\nPIPELINING";
    const std::string piped = capa ? std::regex_replace(c.log, login, "[USER PASS STAT QUIT]") : c.log;
    EXPECT_EQ(Converse(pipelining, c.user, c.password, c.use, c.secure), piped);
  }
}

// Which messages are new, by the ids of a mailbox (a server that pipelines or not gives the same count and mark).
TEST(Pop3Dialogue, NewMailIsWhatArrivedAfterTheNewestMessageSeen) {
  const auto mailbox = [](const std::string& ids) {
    Server server{"+OK", "+OK\r\nUIDL", {}, true, {}};
    std::istringstream words(ids);
    for (std::string id; words >> id;) server.ids.push_back(id);
    return server;
  };
  const std::string kLogin = "[CAPA][USER][PASS][STAT]";
  const struct {
    const char* what;
    Server server;
    const char* mark;
    std::string log;
  } cases[] = {
      {"arrivals only", mailbox("a b c d e"), "3 c b a", kLogin + "[UIDL][UIDL][UIDL][QUIT] new 2 mark 5 e d c b a"},
      {"old messages deleted", mailbox("b c d"), "3 c b a", kLogin + "[UIDL][UIDL][QUIT] new 1 mark 3 d c b"},
      {"the newest seen deleted", mailbox("a b d e"), "3 c b a", kLogin + "[UIDL][UIDL][QUIT] new 2 mark 4 e d b a"},
      {"emptied and filled again", mailbox("x y"), "3 c b a", kLogin + "[UIDL][UIDL][QUIT] new 2 mark 2 y x"},
      {"emptied", mailbox(""), "3 c b a", kLogin + "[UIDL][QUIT] new 0 mark "},
      {"an id given twice: its later place counts", mailbox("x y x z"), "2 x w",
       kLogin + "[UIDL][UIDL][QUIT] new 1 mark 4 z x y x"},
      {"lines of the listing that are no listing are passed over",
       Server{
           "+OK", "+OK\r\nUIDL", {{"UIDL", "-ERR|+OK\r\n1 a\r\nb\r\n2 \x01\r\n0 c\r\n3 d\r\n."}, {"STAT", "+OK 3 9"}}},
       "9 a", kLogin + "[UIDL][UIDL][QUIT] new 1 mark 3 d"},
      {"a listing longer than the mailbox",
       Server{"+OK", "+OK\r\nUIDL", {{"UIDL", "-ERR|+OK\r\n1 a\r\n2 b\r\n."}, {"STAT", "+OK 1 9"}}}, "9 a",
       kLogin + "[UIDL][UIDL] new unknown"},
      {"a server without UIDL", Server{"+OK", "+OK\r\nUSER", {{"STAT", "+OK 2 9"}}}, "", kLogin + "[QUIT] new unknown"},
      {"no CAPA, UIDL refused", Server{"+OK", "-ERR", {{"STAT", "+OK 1 9"}, {"UIDL", "-ERR"}}}, "",
       kLogin + "[UIDL][QUIT] new unknown"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string log = Converse(c.server, "a", "b", StartTlsUse::WhenOffered, false, c.mark);
    const std::size_t outcome = log.find(" counted");
    EXPECT_EQ(log.substr(0, outcome) + log.substr(log.find(" new")), c.log);
    Server pipelining = c.server;
    if (pipelining.capa != "-ERR") pipelining.capa += "\r\nPIPELINING";
    const std::string piped = Converse(pipelining, "a", "b", StartTlsUse::WhenOffered, false, c.mark);
    EXPECT_EQ(piped.substr(piped.find(" counted")), log.substr(outcome));
  }
}

// What an account keeps: anything malformed is nothing kept; what is kept reads back as it was written.
TEST(SeenMark, MalformedIsNothingAndAMarkReadsBackAsWritten) {
  const std::string id70(70, 'i');
  std::string seventeen = "20";
  for (char c = 'a'; c < 'a' + 17; ++c) seventeen += std::string(" ") + c;
  const std::string three = "9 " + id70 + " " + id70 + " " + id70;
  const struct {
    std::string text, read;
  } cases[] = {
      {"3 c b a", "3 c b a"},
      {"3 " + id70, "3 " + id70},
      {"3 " + id70 + "i", ""},
      {"3 a  b", ""},
      {"3 a\x7f", ""},
      {seventeen, ""},
      {three + " " + std::string(41, 'i'), three},  // as many of the newest as fit: the fourth would need 257 bytes
  };
  for (const auto& c : cases) {
    char written[kSeenMarkBytes];
    FormatSeenMark(ParseSeenMark(c.text.c_str()), written);
    EXPECT_EQ(written, c.read) << c.text;
  }
}

TEST(StatReply, NumbersAsScanfReadsThemTheSizeIn64Bits) {
  const struct {
    const char* line;
    std::int32_t count;
    std::int64_t size;
  } cases[] = {
      {"+OK -3 +100", -3, 100},
      {" +OK\t7  8 x", 7, 8},
      {"+OK x 5", 0, 0},
      {"+OK 12abc 34", 12, 0},
      {"+OK 2147483647 2147483647", INT32_MAX, 2147483647},
      {"+OK 2147483648 2147483648", INT32_MAX, 2147483648},
      {"+OK 70000 5368709120", 70000, 5368709120},
      {"+OK -2147483649 4294967297", INT32_MIN, 4294967297},
      {"+OK 1 9223372036854775807", 1, INT64_MAX},
      {"+OK 1 9223372036854775809", 1, INT64_MAX},
      {"+OK 1 -99999999999999999999999", 1, INT64_MIN},
  };
  for (const auto& c : cases) {
    const StatNumbers numbers = ParseStatReply(c.line);
    EXPECT_EQ(std::pair(numbers.count, numbers.size), std::pair(c.count, c.size)) << c.line;
  }
}

}  // namespace
}  // namespace zorvane::testing
