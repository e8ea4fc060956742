// The SMTP dialogue against a scripted server over TLS, driven through the report e-mail
// operation as the runner calls it.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "core/base64.h"
#include "core/error.h"
#include "delivery/mail/report_email.h"
#include "delivery/mail/smtp_session.h"
#include "delivery/smtp_test_server.h"
#include "support/time_bounds.h"

namespace orvena::delivery {
namespace {

using namespace std::chrono_literals;
using test::SmtpScript;
using test::SmtpTestServer;

class SmtpDialogue : public testing::Test {
 protected:
  void SetUp() override {
    m_dir = std::filesystem::temp_directory_path() /
            ("orvena-smtp-" + std::to_string(getpid()) + "-" +
             testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(m_dir);
    m_report = m_dir / "raport.pdf";
    std::ofstream(m_report, std::ios::binary) << "%PDF-1.4 test report\n";
    m_options.limits.wait.connect = 2s;
    m_options.limits.wait.connect_slice = 50ms;
    m_options.limits.wait.io = 2s;
    m_options.limits.wait.io_slice = 50ms;
    m_options.limits.data_end = 2s;
    m_options.message.clock = &m_clock;
    m_options.message.media_types = &m_types;
    m_options.message.random = [](uint32_t bound) { return 7u % bound; };
  }
  void TearDown() override { std::filesystem::remove_all(m_dir); }

  MailAccount account(int port) const {
    MailAccount a;
    a.email_adress = "raporty@firma.pl";
    a.email_user = "uzytkownik";
    a.email_pass = "tajne";
    a.email_smtp = "127.0.0.1";
    a.email_port = std::to_string(port);
    a.email_nadawca = "Raporty";
    a.tls_verify = false;
    return a;
  }

  bool send(const MailAccount& a, const std::string& to = "jan@firma.pl") {
    return wyslij_raport_email(a, to, "Raport", "Dzień dobry", m_report, m_log, m_pump, m_options);
  }

  // The commands of a session up to (not including) MAIL FROM.
  static std::vector<std::string> before_mail(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines) {
      if (l.rfind("MAIL FROM:", 0) == 0) break;
      out.push_back(l.rfind("EHLO ", 0) == 0 ? "EHLO" : l.rfind("HELO ", 0) == 0 ? "HELO" : l);
    }
    return out;
  }

  std::filesystem::path m_dir, m_report;
  core::FixedClock m_clock{core::encode_date(2026, 12, 3) + core::encode_time(14, 5, 9)};
  mail::MediaTypes m_types;
  ReportEmailOptions m_options;
  core::RunLog m_log;
  int m_pumped = 0;
  Pump m_pump = [this] { ++m_pumped; };
};

TEST_F(SmtpDialogue, DeliversTheMessageInOneCompleteSession) {
  SmtpTestServer server({});
  ASSERT_TRUE(send(account(server.port())));
  EXPECT_TRUE(m_log.lines().empty());
  auto records = server.records();
  ASSERT_EQ(records.size(), 1u);
  const auto& lines = records[0].lines;
  std::vector<std::string> expected = {"EHLO " + mail::local_host_name(),
                                       "AUTH LOGIN",
                                       core::base64_encode("uzytkownik"),
                                       core::base64_encode("tajne"),
                                       "MAIL FROM:<raporty@firma.pl>",
                                       "RCPT TO:<jan@firma.pl>",
                                       "DATA",
                                       "QUIT"};
  EXPECT_EQ(lines, expected);

  mail::MailMessage m;
  m.from = {"Raporty", "raporty@firma.pl"};
  m.recipients = {{"", "jan@firma.pl"}};
  m.subject = "Raport";
  m.body_lines = {"Dzie\xC3\xB1 dobry"};  // ń transliterated to U+00F1
  m.attachment = m_report;
  EXPECT_EQ(records[0].data, mail::write_message(m, m_options.message));
  EXPECT_NE(records[0].data.find("Dzie=F1 dobry\r\n"), std::string::npos);
}

struct LoginCase {
  const char* name;
  std::string ehlo;
  std::string user;  // login name in the settings
  std::vector<std::string> expected;
};

class SmtpLogin : public SmtpDialogue, public testing::WithParamInterface<LoginCase> {};

TEST_P(SmtpLogin, AuthLoginOnlyWhenOfferedAndWanted) {
  SmtpScript script;
  script.ehlo = GetParam().ehlo;
  SmtpTestServer server(script);
  MailAccount a = account(server.port());
  a.email_user = GetParam().user;
  ASSERT_TRUE(send(a)) << testing::PrintToString(m_log.lines());
  EXPECT_EQ(before_mail(server.records()[0].lines), GetParam().expected);
}

const std::string kUser = "dXp5dGtvd25paw==";  // "uzytkownik"
const std::string kPass = "dGFqbmU=";          // "tajne"

INSTANTIATE_TEST_SUITE_P(
    Mechanisms, SmtpLogin,
    testing::Values(
        LoginCase{"PlainAndLogin",
                  "250-x\r\n250 AUTH PLAIN LOGIN",
                  "uzytkownik",
                  {"EHLO", "AUTH LOGIN", kUser, kPass}},
        // Old servers announce in the AUTH= form; "=" reads as a blank.
        LoginCase{"EqualsForm",
                  "250-x\r\n250-AUTH=LOGIN\r\n250 8BITMIME",
                  "uzytkownik",
                  {"EHLO", "AUTH LOGIN", kUser, kPass}},
        LoginCase{"LowerCase", "250-x\r\n250 auth login", "uzytkownik", {"EHLO", "AUTH LOGIN", kUser, kPass}},
        // No LOGIN: no AUTH at all, straight to MAIL.
        LoginCase{"CramMd5Only", "250-x\r\n250 AUTH CRAM-MD5", "uzytkownik", {"EHLO"}},
        // "AUTHX LOGIN" is another keyword, not an AUTH line.
        LoginCase{"NotAnAuthLine", "250-x\r\n250 AUTHX LOGIN", "uzytkownik", {"EHLO"}},
        LoginCase{"BlankLoginName", "250-x\r\n250 AUTH LOGIN", "", {"EHLO"}},
        // EHLO refused: HELO, and with no capabilities no AUTH.
        LoginCase{"EhloRefused", "502 5.5.1 Command not implemented", "uzytkownik", {"EHLO", "HELO"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SmtpDialogue, UserNameAcceptedWith235SendsNoPassword) {
  SmtpScript script;
  script.user = "235 2.7.0 OK";
  SmtpTestServer server(script);
  ASSERT_TRUE(send(account(server.port())));
  EXPECT_EQ(before_mail(server.records()[0].lines), (std::vector<std::string>{"EHLO", "AUTH LOGIN", kUser}));
}

TEST_F(SmtpDialogue, RefusedRecipientStopsTheTransactionWithRset) {
  SmtpScript script;
  script.rcpt = {"250 2.1.5 OK",
                 "550-5.1.1 <b@firma.pl>: Recipient address rejected\r\n550 5.1.1 User unknown"};
  SmtpTestServer server(script);
  EXPECT_FALSE(send(account(server.port()), "a@firma.pl, b@firma.pl, c@firma.pl"));
  auto lines = server.records()[0].lines;
  std::vector<std::string> tail(lines.end() - 5, lines.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"MAIL FROM:<raporty@firma.pl>", "RCPT TO:<a@firma.pl>",
                                            "RCPT TO:<b@firma.pl>", "RSET", "QUIT"}));
  // The reply text, codes and enhanced codes removed, one log line per reply line.
  EXPECT_EQ(m_log.lines(),
            (std::vector<std::string>{"<b@firma.pl>: Recipient address rejected", "User unknown"}));
}

TEST_F(SmtpDialogue, RefusedSenderIsReportedWithoutRset) {
  SmtpScript script;
  script.mail = "530 5.7.0 Authentication required";
  SmtpTestServer server(script);
  EXPECT_FALSE(send(account(server.port())));
  auto lines = server.records()[0].lines;
  EXPECT_EQ(lines.back(), "QUIT");
  EXPECT_EQ(lines[lines.size() - 2], "MAIL FROM:<raporty@firma.pl>");
  EXPECT_EQ(m_log.lines(), std::vector<std::string>{"Authentication required"});
}

TEST_F(SmtpDialogue, RefusedMessageIsFollowedByRset) {
  SmtpScript script;
  script.data_end = "554 5.6.0 Message rejected: attachment too large";
  SmtpTestServer server(script);
  EXPECT_FALSE(send(account(server.port())));
  auto lines = server.records()[0].lines;
  std::vector<std::string> tail(lines.end() - 3, lines.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"DATA", "RSET", "QUIT"}));
  EXPECT_EQ(m_log.lines(), std::vector<std::string>{"Message rejected: attachment too large"});
}

TEST_F(SmtpDialogue, GreetingOtherThan220EndsWithoutEhloOrQuit) {
  SmtpScript script;
  script.greeting = "554 No SMTP service here";
  SmtpTestServer server(script);
  EXPECT_FALSE(send(account(server.port())));
  EXPECT_TRUE(server.records()[0].lines.empty());
  EXPECT_EQ(m_log.lines(), std::vector<std::string>{"No SMTP service here"});
}

TEST_F(SmtpDialogue, AnAcceptedMessageIsSentWhateverQuitMeets) {
  // The server answered the final "." with 250: the message is on its way, so a QUIT that is
  // refused or never answered must not turn the delivery into a failure (and a second copy).
  struct Case {
    const char* name;
    std::optional<std::string> quit;
  } cases[] = {{"refused", "500 5.5.2 Closing anyway"}, {"never answered", std::nullopt}};
  m_options.limits.wait.io = 400ms;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_log = {};
    SmtpScript script;
    script.quit = c.quit;
    SmtpTestServer server(script);
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(send(account(server.port())));
    EXPECT_LT(std::chrono::steady_clock::now() - start, orvena::test::kEndsWellBeforeAHang);
    EXPECT_TRUE(m_log.lines().empty());
    auto records = server.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_FALSE(records[0].data.empty());
    EXPECT_EQ(records[0].lines.back(), "QUIT");
  }
}

TEST_F(SmtpDialogue, OneDeadlineCoversAWholeReply) {
  // Four greeting lines 150 ms apart: each line comes within the 400 ms limit, the reply does not.
  SmtpScript script;
  script.greeting = "220-one\r\n220-two\r\n220-three\r\n220 four";
  script.greeting_line_gap = 150ms;
  SmtpTestServer server(script);
  m_options.limits.wait.io = 400ms;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(send(account(server.port())));
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, 400ms);
  EXPECT_LT(elapsed, orvena::test::kEndsWellBeforeAHang);
  EXPECT_EQ(m_log.lines(), std::vector<std::string>{"Read timed out."});
}

TEST_F(SmtpDialogue, ATrickledReplyWithinTheLimitIsRead) {
  SmtpScript script;
  script.greeting = "220-one\r\n220-two\r\n220 three";
  script.greeting_line_gap = 50ms;
  SmtpTestServer server(script);
  EXPECT_TRUE(send(account(server.port())));
  EXPECT_TRUE(m_log.lines().empty());
}

TEST_F(SmtpDialogue, AServerThatHangsUpDuringDataClosedTheConnection) {
  // Larger than the socket buffers, so the writes are still going when the server hangs up.
  std::ofstream(m_report, std::ios::binary) << std::string(8 * 1024 * 1024, 'r');
  SmtpScript script;
  script.close_in_data = true;
  SmtpTestServer server(script);
  EXPECT_FALSE(send(account(server.port())));
  EXPECT_EQ(m_log.lines(), std::vector<std::string>{"Serwer zamknął połączenie."});
}

TEST_F(SmtpDialogue, ServerSilentAfterDataEndsWithinTheLimit) {
  SmtpScript script;
  script.data_end = std::nullopt;
  SmtpTestServer server(script);
  m_options.limits.data_end = 400ms;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(send(account(server.port())));
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(elapsed, orvena::test::kEndsWellBeforeAHang) << "the 400 ms limit, not the default 600 s";
  EXPECT_GE(elapsed, 400ms);
  EXPECT_EQ(m_log.lines(), std::vector<std::string>{"Read timed out."});
  EXPECT_GT(m_pumped, 0) << "the wait must service the pump between slices";
  // The dialogue is out of step: no QUIT is written into what the server reads as message text.
  EXPECT_EQ(server.records()[0].lines.back(), "DATA");
}

TEST_F(SmtpDialogue, ServerThatStopsReadingDuringDataEndsWithinTheLimit) {
  // A report far larger than the loopback socket buffers: the writes stall once they are full.
  std::ofstream(m_report, std::ios::binary) << std::string(24 * 1024 * 1024, 'r');
  SmtpScript script;
  script.stall_in_data = true;
  SmtpTestServer server(script);
  m_options.limits.wait.io = 400ms;
  EXPECT_FALSE(send(account(server.port())));
  auto ended = std::chrono::steady_clock::now();
  // Building and encoding 24 MB takes its own time (much more under a sanitizer): the wait is
  // measured from the moment the server stopped reading.
  ASSERT_TRUE(server.stalled_at().has_value());
  auto waited = ended - *server.stalled_at();
  EXPECT_GE(waited, 400ms);
  EXPECT_LT(waited, orvena::test::kEndsWellBeforeAHang) << "the 400 ms limit, not the default 300 s";
  EXPECT_EQ(m_log.lines(), std::vector<std::string>{"Przekroczono czas wysyłania danych."});
}

TEST_F(SmtpDialogue, SelfSignedCertificateNeedsVerificationOff) {
  SmtpTestServer server({});
  MailAccount a = account(server.port());
  a.tls_verify = true;
  EXPECT_FALSE(send(a));
  ASSERT_EQ(m_log.lines().size(), 1u);
  EXPECT_EQ(m_log.lines()[0].rfind("Error connecting with SSL. ", 0), 0u) << m_log.lines()[0];
  EXPECT_NE(m_log.lines()[0].find("self-signed certificate"), std::string::npos);
  EXPECT_FALSE(server.records()[0].handshake_ok);

  a.tls_verify = false;  // [email_tls_verify]=nie
  EXPECT_TRUE(send(a));
  EXPECT_TRUE(server.records(2)[1].handshake_ok);
}

TEST_F(SmtpDialogue, VerificationAcceptsATrustedCertificateForTheAddress) {
  SmtpTestServer server({});
  std::filesystem::path pem = m_dir / "ca.pem";
  server.cert().write_pem(pem);
  m_options.ca_file = pem.string();
  MailAccount a = account(server.port());
  a.tls_verify = true;
  EXPECT_TRUE(send(a)) << testing::PrintToString(m_log.lines());
  a.email_smtp = "localhost";  // the name check by DNS name, with the name sent
  EXPECT_TRUE(send(a)) << testing::PrintToString(m_log.lines());
}

TEST_F(SmtpDialogue, MissingReportFileFailsBeforeConnecting) {
  SmtpTestServer server({});
  std::filesystem::remove(m_report);
  EXPECT_FALSE(send(account(server.port())));
  ASSERT_EQ(m_log.lines().size(), 1u);
  EXPECT_EQ(m_log.lines()[0].rfind("Nie można otworzyć pliku \"" + m_report.string() + "\".", 0), 0u);
  EXPECT_TRUE(server.records(0).empty());
}

TEST_F(SmtpDialogue, BadPortEscapesBeforeAnyConnection) {
  SmtpTestServer server({});
  for (const char* port : {"", "abc", "46 5", "-1", "0", "70000", "99999999999999999999"}) {
    MailAccount a = account(server.port());
    a.email_port = port;
    try {
      send(a);
      ADD_FAILURE() << "no error for port '" << port << "'";
    } catch (const core::Error& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(port) + "' is not a valid integer value");
    }
  }
  EXPECT_TRUE(m_log.lines().empty());
  EXPECT_TRUE(server.records(0).empty());
}

TEST_F(SmtpDialogue, RefusedConnectionIsLogged) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  int port = ntohs(a.sin_port);
  close(fd);  // bound, never listened: nothing answers there
  EXPECT_FALSE(send(account(port)));
  EXPECT_EQ(m_log.lines(), std::vector<std::string>{"Connection refused"});
}

TEST_F(SmtpDialogue, ConnectGivesUpAtItsLimit) {
  // A listener that never accepts, with its queue full, drops further connection attempts.
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
  listen(listener, 0);
  socklen_t len = sizeof a;
  getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
  std::vector<int> fillers;
  for (int i = 0; i < 4; ++i) {
    int f = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    ::connect(f, reinterpret_cast<sockaddr*>(&a), sizeof a);
    fillers.push_back(f);
  }
  std::this_thread::sleep_for(50ms);
  m_options.limits.wait.connect = 300ms;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(send(account(ntohs(a.sin_port))));
  EXPECT_LT(std::chrono::steady_clock::now() - start, orvena::test::kEndsWellBeforeAHang)
      << "the 300 ms limit, not the default 120 s";
  EXPECT_EQ(m_log.lines(), std::vector<std::string>{"Connect timed out."});
  for (int f : fillers) close(f);
  close(listener);
}

TEST_F(SmtpDialogue, LineBreakInAnAddressSendsNoCommandOfItsOwn) {
  SmtpTestServer server({});
  EXPECT_FALSE(send(account(server.port()), "jan@firma.pl\r\nMAIL FROM:spy@evil.test"));
  EXPECT_EQ(m_log.lines(), std::vector<std::string>{"Znak końca wiersza w poleceniu SMTP."});
  auto lines = server.records()[0].lines;
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "MAIL FROM:spy@evil.test"), 0);
  EXPECT_EQ(lines.back(), "QUIT");
}

TEST_F(SmtpDialogue, AnAddressThatWouldAddParametersSendsNoEnvelope) {
  SmtpTestServer server({});
  mail::SmtpServer smtp{"127.0.0.1", server.port(), "", "", {}};
  smtp.tls.verify = false;
  mail::SmtpSession session(m_options.limits);
  session.connect(smtp);
  try {
    session.send("raporty@firma.pl", {"jan@firma.pl", "x@example.com> NOTIFY=NEVER"},
                 "Subject: x\r\n\r\nx\r\n");
    FAIL() << "the address went out";
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Nieprawidłowy adres e-mail: x@example.com> NOTIFY=NEVER");
  }
  session.disconnect();
  auto records = server.records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].lines.back(), "QUIT");
  for (const auto& line : records[0].lines) {
    EXPECT_NE(line.rfind("MAIL FROM", 0), 0u) << "checked before the transaction starts";
    EXPECT_NE(line.rfind("RCPT TO", 0), 0u);
  }
}

TEST(SmtpSession, EnvelopeAddressesStayInsideTheirBrackets) {
  for (const char* bad : {"x@example.com> NOTIFY=NEVER", "<x@example.com", "x @example.com", "x@example.com ",
                          "x@exa\tmple.com", "x@example.com\x7f", "x@example.com\x01"}) {
    EXPECT_THROW(mail::check_envelope_address(bad), core::Error) << bad;
  }
  EXPECT_NO_THROW(mail::check_envelope_address("jan.kowalski+raporty@firma.pl"));
  EXPECT_NO_THROW(mail::check_envelope_address("zażółć@firma.pl")) << "UTF-8 bytes are no control characters";
  EXPECT_NO_THROW(mail::check_envelope_address("")) << "the null reverse-path";
}

TEST(SmtpReplyAssembler, LinesUpToTheOneWithoutAHyphen) {
  mail::SmtpReplyAssembler a;
  EXPECT_FALSE(a.add_line("250-test.local"));
  EXPECT_FALSE(a.add_line("250-SIZE 100"));
  EXPECT_TRUE(a.add_line("250 AUTH LOGIN"));
  EXPECT_EQ(a.reply().code, 250);
  EXPECT_EQ(a.reply().lines, (std::vector<std::string>{"test.local", "SIZE 100", "AUTH LOGIN"}));
  mail::SmtpReplyAssembler bare;
  EXPECT_TRUE(bare.add_line("354"));
  EXPECT_EQ(bare.reply().lines, std::vector<std::string>{""});
}

TEST(SmtpReplyAssembler, RefusesWhatIsNoReplyAndEndlessReplies) {
  for (const char* bad : {"", "25", "2x0 ok", "250:ok", "ok 250", "250\tok"}) {
    mail::SmtpReplyAssembler a;
    EXPECT_THROW(a.add_line(bad), core::Error) << bad;
  }
  mail::SmtpReplyAssembler endless;
  try {
    for (size_t i = 0; i <= mail::kMaxReplyLines; ++i) endless.add_line("250-more");
    FAIL() << "no limit";
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Odpowiedź serwera jest za długa.");
  }
}

TEST(SmtpSession, ReplyTextDropsCodesAndEnhancedCodes) {
  mail::SmtpReply r{550, {"5.1.1 <x@y>: no such user", "2.0 not enhanced", "4.7.0"}};
  EXPECT_EQ(r.text(), "<x@y>: no such user\n2.0 not enhanced\n");
}

TEST(SmtpSession, OfferedMechanisms) {
  EXPECT_EQ(mail::offered_auth_mechanisms({"SIZE 100", "AUTH PLAIN LOGIN", "AUTH=CRAM-MD5 login"}),
            (std::vector<std::string>{"PLAIN", "LOGIN", "CRAM-MD5", "LOGIN"}));
  EXPECT_TRUE(mail::offered_auth_mechanisms({"AUTH", "AUTHENTICATE LOGIN"}).empty());
}

TEST(SmtpSession, DotStuffingDoublesEveryLeadingDot) {
  EXPECT_EQ(mail::dot_stuff(".a\r\nb.\r\n.\r\n..c\r\n"), "..a\r\nb.\r\n..\r\n...c\r\n");
}

}  // namespace
}  // namespace orvena::delivery
