#pragma once
// The report e-mail: one generated report file, attached, to one recipient line of a report
// definition, in one SMTP session of its own.
#include <filesystem>
#include <string>

#include "core/pump.h"
#include "core/run_log.h"
#include "delivery/mail/mime_message.h"
#include "delivery/mail/smtp_session.h"

namespace orvena::delivery {

using core::Pump;

// The mail account of the settings file, copied at every call so the last values read are used.
struct MailAccount {
  std::string email_adress;  // sender address: From and envelope sender
  std::string email_user;    // SMTP login; no AUTH when empty
  std::string email_pass;
  std::string email_smtp;     // host
  std::string email_port;     // decimal text, converted at every send
  std::string email_nadawca;  // sender display name
  bool tls_verify = true;     // false for [email_tls_verify]=nie
};

struct ReportEmailOptions {
  mail::SmtpLimits limits;
  mail::MessageEnvironment message;  // clock, randomness, media types
  std::string ca_file;               // trusted certificates in place of the system store
};

// The port as an integer. Throws core::Error "'<text>' is not a valid integer value" for text
// that is not a decimal number from 1 to 65535.
int parse_mail_port(const std::string& text);

// Sends `plik` to the addresses of `na_adres` with subject `temat` and body `wpis` (lines at CR,
// LF or CR LF; transliterated here). Returns true when the server took the message; any failure
// of the session is appended to `log` as its text and gives false. A bad port is not caught: it
// escapes before any connection is made.
bool wyslij_raport_email(const MailAccount& account, const std::string& na_adres, const std::string& temat,
                         const std::string& wpis, const std::filesystem::path& plik, core::RunLog& log,
                         const Pump& pump = {}, const ReportEmailOptions& options = {});

}  // namespace orvena::delivery
