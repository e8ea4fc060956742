#include "delivery/mail/report_email.h"

#include <climits>

#include "core/error.h"
#include "core/integer.h"
#include "core/text.h"
#include "delivery/mail/address_list.h"
#include "delivery/mail/convert_string.h"

namespace orvena::delivery {

int parse_mail_port(const std::string& text) {
  return static_cast<int>(core::parse_integer(text, 1, 65535));
}

namespace {

// Lines at CR, LF or CR LF; a final break ends the last line without starting another, so the
// empty settings ("" CR CR "" CR "") give three empty lines.
std::vector<std::string> body_lines(const std::string& wpis) {
  return core::split_lines(convert_string(wpis));
}

}  // namespace

bool wyslij_raport_email(const MailAccount& account, const std::string& na_adres, const std::string& temat,
                         const std::string& wpis, const std::filesystem::path& plik, core::RunLog& log,
                         const Pump& pump, const ReportEmailOptions& options) {
  mail::MailMessage message;
  message.body_lines = body_lines(wpis);
  message.recipients = mail::parse_address_list(na_adres);
  message.subject = temat;
  message.from = {account.email_nadawca, account.email_adress};

  mail::SmtpServer server;
  server.user = account.email_user;
  server.password = account.email_pass;
  server.host = account.email_smtp;
  server.port = parse_mail_port(account.email_port);  // escapes to the caller
  server.tls.verify = account.tls_verify;
  server.tls.ca_file = options.ca_file;
  message.attachment = plik;

  std::vector<std::string> envelope;
  for (const auto& r : message.recipients) envelope.push_back(r.address);

  mail::SmtpSession session(options.limits, pump);
  try {
    // Written before connecting, so that a missing report file costs no half-sent message.
    std::string data = mail::write_message(message, options.message);
    session.connect(server);
    try {
      session.send(core::trim(account.email_adress), envelope, data);
    } catch (...) {
      try {
        session.disconnect();
      } catch (...) {
        // The send's failure is the one worth reporting.
      }
      throw;
    }
    // The server took the message with 250: it is on its way whatever QUIT then meets.
    try {
      session.disconnect();
    } catch (...) {
    }
    return true;
  } catch (const std::exception& e) {
    log.append(e.what());
    return false;
  }
}

}  // namespace orvena::delivery
