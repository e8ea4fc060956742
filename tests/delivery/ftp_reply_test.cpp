// Control-dialogue pieces that need no socket: replies, PASV answers, the data address rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/error.h"
#include "delivery/ftp/reply.h"

namespace orvena::delivery::ftp {
namespace {

Reply assemble(const std::vector<std::string>& lines, size_t* used = nullptr) {
  ReplyAssembler a;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (a.add_line(lines[i])) {
      if (used) *used = i + 1;
      return a.reply();
    }
  }
  ADD_FAILURE() << "reply not complete";
  return {};
}

TEST(FtpReply, SingleAndMultiLine) {
  Reply r = assemble({"230 Login successful."});
  EXPECT_EQ(r.code, 230);
  EXPECT_EQ(r.text, "Login successful.");

  // Inner lines may repeat the code with a hyphen, or start with anything else; only "220 " ends.
  size_t used = 0;
  r = assemble({"220-Welcome", "220-second", " 220 indented is not the end", "220 ready", "extra"}, &used);
  EXPECT_EQ(used, 4u);
  EXPECT_EQ(r.code, 220);
  EXPECT_EQ(r.text, "Welcome\nsecond\n 220 indented is not the end\nready");

  r = assemble({"550"});
  EXPECT_EQ(r.code, 550);
  EXPECT_EQ(r.text, "");
}

TEST(FtpReply, MalformedFirstLinesAreErrors) {
  for (std::string bad : {"hello", "22 short", "2200 four digits", "220x"}) {
    ReplyAssembler a;
    EXPECT_THROW(a.add_line(bad), core::Error) << bad;
  }
}

TEST(FtpReply, LimitsStopEndlessReplies) {
  ReplyAssembler a;
  EXPECT_THROW(a.add_line("220 " + std::string(kMaxReplyLineBytes, 'x')), core::Error);
  ReplyAssembler b;
  b.add_line("220-start");
  EXPECT_THROW(
      {
        for (size_t i = 0; i < kMaxReplyLines + 1; ++i) b.add_line("more");
      },
      core::Error);
}

TEST(FtpPasv, ParsesAddressAndPort) {
  struct Case {
    const char* text;
    const char* address;
    int port;
  } cases[] = {
      {"Entering Passive Mode (127,0,0,1,234,96).", "127.0.0.1", 234 * 256 + 96},
      {"Entering Passive Mode (10, 1, 2, 3, 4, 5)", "10.1.2.3", 1029},
      // Without brackets the numbers follow the last blank.
      {"Entering Passive Mode 192,168,0,7,195,80", "192.168.0.7", 50000},
  };
  for (const Case& c : cases) {
    PassiveEndpoint e = parse_pasv(c.text);
    EXPECT_EQ(e.address, c.address) << c.text;
    EXPECT_EQ(e.port, c.port) << c.text;
  }
}

TEST(FtpPasv, RejectsWhatIsNotSixBytes) {
  for (const char* bad : {"Entering Passive Mode (127,0,0,1,234)", "(127,0,0,1,234,96,1)", "(256,0,0,1,1,1)",
                          "(127,0,0,1,0,0)", "(a,b,c,d,e,f)", "", "Entering Passive Mode"}) {
    EXPECT_THROW(parse_pasv(bad), core::Error) << bad;
  }
}

TEST(FtpPasv, DataAddressChoice) {
  struct Case {
    const char* pasv;
    const char* control;
    const char* chosen;
    const char* why;
  } cases[] = {
      {"192.168.1.5", "203.0.113.9", "203.0.113.9", "NAT: inner address from a server reached publicly"},
      {"10.0.0.5", "203.0.113.9", "203.0.113.9", "10/8 is private"},
      {"172.16.0.1", "198.51.100.1", "198.51.100.1", "172.16/12 lower edge"},
      {"172.31.255.1", "198.51.100.1", "198.51.100.1", "172.16/12 upper edge"},
      {"169.254.3.4", "198.51.100.1", "198.51.100.1", "link-local"},
      {"127.0.0.1", "198.51.100.1", "198.51.100.1", "loopback"},
      {"172.32.0.1", "198.51.100.1", "172.32.0.1", "just outside 172.16/12: public"},
      {"172.15.0.1", "198.51.100.1", "172.15.0.1", "just below 172.16/12: public"},
      {"192.168.1.5", "192.168.1.1", "192.168.1.5", "both private: trust the reply"},
      {"127.0.0.1", "127.0.0.1", "127.0.0.1", "both loopback"},
      {"198.51.100.7", "203.0.113.9", "198.51.100.7", "public reply: a separate data host is allowed"},
      {"198.51.100.7", "10.0.0.1", "198.51.100.7", "public reply from a private control address"},
      {"0.0.0.0", "10.0.0.1", "10.0.0.1", "unspecified is never a destination"},
  };
  for (const Case& c : cases) EXPECT_EQ(choose_data_address(c.pasv, c.control), c.chosen) << c.why;
}

TEST(FtpSize, NumberOrMinusOne) {
  EXPECT_EQ(parse_size("1234"), 1234);
  EXPECT_EQ(parse_size(" 0 "), 0);
  EXPECT_EQ(parse_size("5000000000"), 5000000000LL);  // beyond 32 bits
  EXPECT_EQ(parse_size("12 bytes"), 12);
  EXPECT_EQ(parse_size("unknown"), -1);
  EXPECT_EQ(parse_size(""), -1);
  EXPECT_EQ(parse_size("-5"), -1);
}

}  // namespace
}  // namespace orvena::delivery::ftp
