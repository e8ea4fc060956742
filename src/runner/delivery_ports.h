#pragma once
// What the runner needs from delivery: one mail per recipient line, and an FTP upload. The
// delivery subsystem implements these; tests put recorders in their place.
#include <filesystem>
#include <string>

namespace orvena::runner {

class MailSender {
 public:
  virtual ~MailSender() = default;
  // Sends the report file to the addresses of one recipient line; true on success. A failure
  // writes its own error line to the run log and answers false.
  virtual bool wyslij_raport_email(const std::string& na_adres, const std::string& temat,
                                   const std::string& wpis, const std::filesystem::path& plik) = 0;
};

class FtpUploader {
 public:
  virtual ~FtpUploader() = default;
  virtual void konfiguruj_ftp(const std::string& serwer, const std::string& uzytkownik,
                              const std::string& haslo) = 0;
  // Stores the local file on the server as folder/name; true when the server has it.
  virtual bool zapisz_plik(const std::filesystem::path& z_pliku, const std::string& do_folderu,
                           const std::string& do_pliku_ftp) = 0;
};

}  // namespace orvena::runner
