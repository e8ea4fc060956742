// The report e-mail against a real SMTP server (scripts/test-servers.sh: aiosmtpd, implicit TLS,
// self-signed certificate, AUTH LOGIN). Each delivered message is read back with Python's email
// package, the reader we hold the wire format to.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "delivery/mail/report_email.h"
#include "support/servers.h"

namespace orvena::delivery {
namespace {

namespace fs = std::filesystem;
using test::server_env;

std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string from_hex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

// Decodes a message with Python's email package; every value comes back as UTF-8 (bytes of the
// attachment as they are).
constexpr const char* kDecoder = R"PY(
import sys, email, email.policy
msg = email.message_from_bytes(open(sys.argv[1], 'rb').read(), policy=email.policy.default)
def put(k, v):
    if isinstance(v, str): v = v.encode('utf-8')
    print(k, v.hex())
put('subject', str(msg['subject']))
put('from', str(msg['from']))
put('to', str(msg['to']))
put('defects', str(len(msg.defects)))
if msg.is_multipart():
    body = msg.get_body(preferencelist=('plain',))
    if body is not None:
        put('body', body.get_content().replace('\r\n', '\n'))
        put('body_charset', body.get_content_charset() or '')
    attachments = list(msg.iter_attachments())
else:
    attachments = [msg]   # the attachment alone, no text part
for part in attachments:
    put('filename', part.get_filename())
    put('type', part.get_content_type())
    put('disposition', part.get_content_disposition())
    put('data', part.get_content())
)PY";

class MailIntegration : public testing::Test {
 protected:
  void SetUp() override {
    ORVENA_NEED_SERVER("ORVENA_TEST_SMTP_PORT");
    m_dir = fs::temp_directory_path() / ("orvena-mail-it-" + std::to_string(getpid()));
    fs::create_directories(m_dir);
    m_maildir = server_env("ORVENA_TEST_SMTP_MAILDIR");
    m_account.email_adress = "raporty@orvena.test";
    m_account.email_nadawca = "Dział Raportów";
    m_account.email_smtp = server_env("ORVENA_TEST_SMTP_HOST");
    m_account.email_port = server_env("ORVENA_TEST_SMTP_PORT");
    m_account.email_user = server_env("ORVENA_TEST_SMTP_USER");
    m_account.email_pass = server_env("ORVENA_TEST_SMTP_PASS");
    m_account.tls_verify = false;  // the test server's certificate is self-signed
    m_options.limits.wait.connect = std::chrono::seconds(5);
    m_options.limits.wait.io = std::chrono::seconds(10);
    m_options.limits.data_end = std::chrono::seconds(10);
    m_before = messages();
  }
  void TearDown() override { fs::remove_all(m_dir); }

  // Message files of the maildir, by name (time stamp and sequence: delivery order).
  std::set<std::string> messages() const {
    std::set<std::string> out;
    if (!fs::exists(m_maildir)) return out;
    for (const auto& e : fs::directory_iterator(m_maildir))
      if (e.path().extension() == ".eml") out.insert(e.path().stem().string());
    return out;
  }
  // Messages of this test: ctest runs tests side by side against the one server, so a message
  // counts only when one of its recipients carries this process's tag.
  std::vector<std::string> new_messages() const {
    std::vector<std::string> out;
    for (const auto& m : messages())
      if (!m_before.count(m) && envelope(m).find(m_tag + "@") != std::string::npos) out.push_back(m);
    return out;
  }
  // A recipient address unique to this test process.
  std::string addr(const std::string& local) const { return local + m_tag + "@orvena.test"; }

  std::map<std::string, std::string> decode(const std::string& stem) const {
    fs::path script = m_dir / "decode.py";
    std::ofstream(script) << kDecoder;
    std::string cmd = "/usr/bin/python3 '" + script.string() + "' '" +
                      (fs::path(m_maildir) / (stem + ".eml")).string() + "'";
    std::map<std::string, std::string> out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char line[1 << 16];
    while (std::fgets(line, sizeof line, p)) {
      std::string l(line);
      while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.pop_back();
      size_t sp = l.find(' ');
      out[l.substr(0, sp)] = sp == std::string::npos ? "" : from_hex(l.substr(sp + 1));
    }
    pclose(p);
    return out;
  }

  std::string envelope(const std::string& stem) const {
    return read_file(fs::path(m_maildir) / (stem + ".json"));
  }

  fs::path report(const std::string& name, const std::string& bytes) {
    fs::path p = m_dir / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }

  bool send(const std::string& na_adres, const fs::path& plik, const std::string& temat = "Raport dzienny",
            const std::string& wpis = "Dzień dobry,\r\rW załączniku raport.\rPozdrawiam") {
    return wyslij_raport_email(m_account, na_adres, temat, wpis, plik, m_log, {}, m_options);
  }

  fs::path m_dir;
  std::string m_maildir;
  MailAccount m_account;
  ReportEmailOptions m_options;
  core::RunLog m_log;
  std::set<std::string> m_before;
  std::string m_tag = "-" + std::to_string(getpid());
};

TEST_F(MailIntegration, PythonDecodesSubjectBodyAndAttachment) {
  std::string bytes;
  for (int i = 0; i < 5000; ++i) bytes += static_cast<char>((i * 131 + i / 7) & 0xFF);
  fs::path pdf = report("sprzedaż.pdf", bytes);
  const std::string subject = "Raport sprzedaży za 2026-12-03: zażółć gęślą jaźń, żółwie łączą źdźbła";
  ASSERT_TRUE(send("Jan Kowalski <" + addr("jan") + ">", pdf, subject,
                   "Dzień dobry,\r\rW załączniku raport. Cena: 5 €.\r.kropka\rPozdrawiam"))
      << testing::PrintToString(m_log.lines());
  auto added = new_messages();
  ASSERT_EQ(added.size(), 1u);
  auto m = decode(added[0]);
  EXPECT_EQ(m["defects"], "0");
  EXPECT_EQ(m["subject"], subject);
  EXPECT_EQ(m["from"], "Dział Raportów <raporty@orvena.test>");
  EXPECT_EQ(m["to"], "Jan Kowalski <" + addr("jan") + ">");
  EXPECT_EQ(m["body_charset"], "iso-8859-2");
  // The euro sign has no byte of its own in the body: it travels as "?".
  EXPECT_EQ(m["body"], "Dzień dobry,\n\nW załączniku raport. Cena: 5 ?.\n.kropka\nPozdrawiam\n");
  EXPECT_EQ(m["filename"], "sprzedaż.pdf");
  EXPECT_EQ(m["type"], "application/pdf");
  EXPECT_EQ(m["data"], bytes);
  std::string env = envelope(added[0]);
  EXPECT_NE(env.find("\"mail_from\": \"raporty@orvena.test\""), std::string::npos) << env;
  EXPECT_NE(env.find("\"login\": \"" + m_account.email_user + "\""), std::string::npos) << env;
}

TEST_F(MailIntegration, EmptyBodyGivesTheAttachmentAlone) {
  fs::path csv = report("raport.csv", "a;b\r\n1;2\r\n");
  ASSERT_TRUE(send(addr("jan"), csv, "Raport", "\r\r"));
  auto added = new_messages();
  ASSERT_EQ(added.size(), 1u);
  auto m = decode(added[0]);
  EXPECT_EQ(m["defects"], "0");
  EXPECT_EQ(m["data"], "a;b\r\n1;2\r\n");
  EXPECT_EQ(m["filename"], "raport.csv");
  EXPECT_EQ(m["disposition"], "attachment");
  EXPECT_EQ(m.count("body"), 0u);
}

TEST_F(MailIntegration, EachRecipientLineIsASessionOfItsOwn) {
  fs::path pdf = report("raport.pdf", "%PDF-1.4\n");
  for (const char* local : {"a", "b", "c"}) ASSERT_TRUE(send(addr(local), pdf)) << local;
  auto added = new_messages();
  ASSERT_EQ(added.size(), 3u);
  const char* order[] = {"a", "b", "c"};  // one recipient each, in call order
  for (size_t i = 0; i < 3; ++i)
    EXPECT_NE(envelope(added[i]).find("\"rcpt_tos\": [\"" + addr(order[i]) + "\"]"), std::string::npos)
        << envelope(added[i]);
}

TEST_F(MailIntegration, TwoAddressesOnOneLineShareOneSession) {
  fs::path pdf = report("raport.pdf", "%PDF-1.4\n");
  ASSERT_TRUE(send(addr("a") + ", \"Nowak, Anna\" <" + addr("anna") + ">", pdf));
  auto added = new_messages();
  ASSERT_EQ(added.size(), 1u);
  EXPECT_NE(envelope(added[0]).find("\"rcpt_tos\": [\"" + addr("a") + "\", \"" + addr("anna") + "\"]"),
            std::string::npos)
      << envelope(added[0]);
  EXPECT_EQ(decode(added[0])["to"], addr("a") + ", \"Nowak, Anna\" <" + addr("anna") + ">");
}

TEST_F(MailIntegration, CertificateIsVerifiedUnlessSwitchedOff) {
  fs::path pdf = report("raport.pdf", "%PDF-1.4\n");
  m_account.tls_verify = true;
  EXPECT_FALSE(send(addr("a"), pdf));
  ASSERT_FALSE(m_log.lines().empty());
  EXPECT_EQ(m_log.lines()[0].rfind("Error connecting with SSL. ", 0), 0u) << m_log.lines()[0];
  // Trusting that very certificate makes the verified connection work.
  std::string cert = server_env("ORVENA_TEST_SMTP_CERT");
  if (!cert.empty()) {
    m_options.ca_file = cert;
    EXPECT_TRUE(send(addr("a"), pdf)) << testing::PrintToString(m_log.lines());
  }
}

TEST_F(MailIntegration, WrongPasswordIsLoggedWithTheServersText) {
  fs::path pdf = report("raport.pdf", "%PDF-1.4\n");
  m_account.email_pass = "wrong";
  EXPECT_FALSE(send(addr("a"), pdf));
  ASSERT_EQ(m_log.lines().size(), 1u);
  EXPECT_EQ(m_log.lines()[0], "Authentication credentials invalid");
  EXPECT_TRUE(new_messages().empty());
}

}  // namespace
}  // namespace orvena::delivery
