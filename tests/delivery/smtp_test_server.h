#pragma once
// An SMTP server over implicit TLS, scripted per test, living in the test process: a self-signed
// certificate made at start, one thread serving connections one after the other, and a record
// of every line it received. Socket time-outs keep it from hanging a test.
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace orvena::test {

// A key pair and a self-signed certificate for "localhost" and 127.0.0.1.
class SelfSignedCert {
 public:
  SelfSignedCert() {
    m_key = EVP_EC_gen("P-256");
    m_cert = X509_new();
    X509_set_version(m_cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(m_cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(m_cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(m_cert), 86400);
    X509_set_pubkey(m_cert, m_key);
    X509_NAME* name = X509_get_subject_name(m_cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("localhost"),
                               -1, -1, 0);
    X509_set_issuer_name(m_cert, name);
    add_ext(NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
    add_ext(NID_basic_constraints, "critical,CA:TRUE");
    X509_sign(m_cert, m_key, EVP_sha256());
  }
  ~SelfSignedCert() {
    X509_free(m_cert);
    EVP_PKEY_free(m_key);
  }
  X509* cert() const { return m_cert; }
  EVP_PKEY* key() const { return m_key; }

  // Writes the certificate as PEM, for a client that is to trust it.
  void write_pem(const std::filesystem::path& path) const {
    FILE* f = std::fopen(path.c_str(), "wb");
    PEM_write_X509(f, m_cert);
    std::fclose(f);
  }

 private:
  void add_ext(int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, m_cert, m_cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    X509_add_ext(m_cert, ext, -1);
    X509_EXTENSION_free(ext);
  }
  EVP_PKEY* m_key = nullptr;
  X509* m_cert = nullptr;
};

// What the server answers. A reply may hold several lines separated by CR LF; std::nullopt
// means the server stays silent (and keeps reading until the client goes away).
struct SmtpScript {
  std::string greeting = "220 test.local ESMTP ready";
  // Between the lines of a multi-line greeting: a server that trickles its reply.
  std::chrono::milliseconds greeting_line_gap{0};
  std::string ehlo = "250-test.local\r\n250-SIZE 1000000\r\n250 AUTH PLAIN LOGIN";
  std::string helo = "250 test.local";
  std::string auth = "334 VXNlcm5hbWU6";
  std::string user = "334 UGFzc3dvcmQ6";
  std::string password = "235 2.7.0 Authentication successful";
  std::string mail = "250 2.1.0 OK";
  std::vector<std::string> rcpt;  // per recipient, in order; "250 2.1.5 OK" past the end
  std::string data = "354 End data with <CR><LF>.<CR><LF>";
  std::optional<std::string> data_end = "250 2.0.0 Queued";
  bool stall_in_data = false;  // after 354, read nothing more until the test ends
  bool close_in_data = false;  // after 354, hang up without reading the message
  std::string rset = "250 2.0.0 Reset";
  std::optional<std::string> quit = "221 2.0.0 Bye";
};

struct SmtpConnectionRecord {
  std::vector<std::string> lines;  // commands and login lines as received
  std::string data;                // the bytes between DATA and the final "." line
  bool handshake_ok = false;
};

class SmtpTestServer {
 public:
  explicit SmtpTestServer(SmtpScript script) : m_script(std::move(script)) {
    signal(SIGPIPE, SIG_IGN);  // a client that hangs up must not end the test process
    m_ctx = SSL_CTX_new(TLS_server_method());
    SSL_CTX_use_certificate(m_ctx, m_cert.cert());
    SSL_CTX_use_PrivateKey(m_ctx, m_cert.key());
    m_listen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(m_listen, 8);
    socklen_t len = sizeof a;
    getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
    m_port = ntohs(a.sin_port);
    m_thread = std::thread([this] { serve(); });
  }
  ~SmtpTestServer() {
    m_stop = true;
    shutdown(m_listen, SHUT_RDWR);
    m_thread.join();
    close(m_listen);
    SSL_CTX_free(m_ctx);
  }

  int port() const { return m_port; }
  // When the server stopped reading the message (stall_in_data), if it did.
  std::optional<std::chrono::steady_clock::time_point> stalled_at() const {
    if (!m_stalled) return std::nullopt;
    return m_stalled_at;
  }
  const SelfSignedCert& cert() const { return m_cert; }

  // Waits (briefly) for the server to finish the connections it has, then returns their records.
  std::vector<SmtpConnectionRecord> records(size_t expected = 1) {
    for (int i = 0; i < 200; ++i) {
      {
        std::lock_guard lock(m_mutex);
        if (m_finished >= expected) break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::lock_guard lock(m_mutex);
    return m_records;
  }

 private:
  void serve() {
    while (!m_stop) {
      int fd = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) return;
      timeval tv{5, 0};
      setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
      setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
      size_t index;
      {
        std::lock_guard lock(m_mutex);
        m_records.emplace_back();
        index = m_records.size() - 1;
      }
      SSL* ssl = SSL_new(m_ctx);
      SSL_set_fd(ssl, fd);
      if (SSL_accept(ssl) == 1) {
        update(index, [](SmtpConnectionRecord& r) { r.handshake_ok = true; });
        converse(ssl, index);
        SSL_shutdown(ssl);
      }
      SSL_free(ssl);
      ERR_clear_error();
      close(fd);
      std::lock_guard lock(m_mutex);
      ++m_finished;
    }
  }

  template <typename F>
  void update(size_t index, F f) {
    std::lock_guard lock(m_mutex);
    f(m_records[index]);
  }

  static bool send(SSL* ssl, const std::string& reply) {
    std::string data = reply + "\r\n";
    return SSL_write(ssl, data.data(), static_cast<int>(data.size())) > 0;
  }

  bool send_greeting(SSL* ssl) {
    if (m_script.greeting_line_gap.count() == 0) return send(ssl, m_script.greeting);
    std::string rest = m_script.greeting;
    for (size_t end; (end = rest.find("\r\n")) != std::string::npos; rest.erase(0, end + 2)) {
      if (!send(ssl, rest.substr(0, end))) return false;
      std::this_thread::sleep_for(m_script.greeting_line_gap);
    }
    return send(ssl, rest);
  }

  bool read_line(SSL* ssl, std::string& buffer, std::string& line) {
    while (true) {
      size_t lf = buffer.find("\r\n");
      if (lf != std::string::npos) {
        line = buffer.substr(0, lf);
        buffer.erase(0, lf + 2);
        return true;
      }
      char buf[4096];
      int n = SSL_read(ssl, buf, sizeof buf);
      if (n <= 0) return false;
      buffer.append(buf, static_cast<size_t>(n));
    }
  }

  void converse(SSL* ssl, size_t index) {
    const SmtpScript& s = m_script;
    if (!send_greeting(ssl) || s.greeting.rfind("220", 0) != 0) {
      drain(ssl, index);
      return;
    }
    std::string buffer, line;
    size_t rcpt = 0;
    enum { Command, User, Password } state = Command;
    while (read_line(ssl, buffer, line)) {
      update(index, [&](SmtpConnectionRecord& r) { r.lines.push_back(line); });
      std::string reply;
      if (state == User) {
        reply = s.user;
        state = s.user.rfind("334", 0) == 0 ? Password : Command;
      } else if (state == Password) {
        reply = s.password;
        state = Command;
      } else if (line.rfind("EHLO", 0) == 0) {
        reply = s.ehlo;
      } else if (line.rfind("HELO", 0) == 0) {
        reply = s.helo;
      } else if (line == "AUTH LOGIN") {
        reply = s.auth;
        if (reply.rfind("334", 0) == 0) state = User;
      } else if (line.rfind("MAIL FROM:", 0) == 0) {
        reply = s.mail;
      } else if (line.rfind("RCPT TO:", 0) == 0) {
        reply = rcpt < s.rcpt.size() ? s.rcpt[rcpt] : "250 2.1.5 OK";
        ++rcpt;
      } else if (line == "DATA") {
        reply = s.data;
        if (reply.rfind("354", 0) == 0) {
          send(ssl, reply);
          if (s.close_in_data) return;
          if (s.stall_in_data) {
            // The client's writes fill the socket buffers and then stall.
            m_stalled_at = std::chrono::steady_clock::now();
            m_stalled = true;
            while (!m_stop) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            return;
          }
          if (!read_data(ssl, buffer, index)) return;
          if (!s.data_end) {
            drain(ssl, index);
            return;
          }
          reply = *s.data_end;
        }
      } else if (line == "RSET") {
        reply = s.rset;
      } else if (line == "QUIT") {
        if (!s.quit) {
          drain(ssl, index);
          return;
        }
        send(ssl, *s.quit);
        return;
      } else {
        reply = "500 5.5.2 Unknown command";
      }
      if (!send(ssl, reply)) return;
    }
  }

  bool read_data(SSL* ssl, std::string& buffer, size_t index) {
    std::string line, data;
    while (read_line(ssl, buffer, line)) {
      if (line == ".") {
        update(index, [&](SmtpConnectionRecord& r) { r.data = data; });
        return true;
      }
      data += line + "\r\n";
    }
    update(index, [&](SmtpConnectionRecord& r) { r.data = data; });
    return false;
  }

  // Records whatever else arrives until the client closes.
  void drain(SSL* ssl, size_t index) {
    std::string buffer, line;
    while (read_line(ssl, buffer, line))
      update(index, [&](SmtpConnectionRecord& r) { r.lines.push_back(line); });
  }

  SmtpScript m_script;
  SelfSignedCert m_cert;
  SSL_CTX* m_ctx = nullptr;
  int m_listen = -1;
  int m_port = 0;
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_stalled{false};
  std::chrono::steady_clock::time_point m_stalled_at;
  std::thread m_thread;
  std::mutex m_mutex;
  std::vector<SmtpConnectionRecord> m_records;
  size_t m_finished = 0;
};

}  // namespace orvena::test
