#!/usr/bin/python3
"""Test SMTP server: implicit TLS (SMTPS), AUTH LOGIN/PLAIN with one fixed account,
every accepted message saved as <maildir>/<n>.eml (+ <n>.json envelope).
Needs Debian's python3-aiosmtpd (1.4.3) -> run with /usr/bin/python3, not a pyenv shim."""
import argparse, json, logging, os, signal, ssl, subprocess, sys, threading, time, warnings

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

# aiosmtpd 1.4.3 sends AUTH LOGIN challenges "User Name\0" / "Password\0"; use the customary ones.
SMTP.AuthLoginUsernameChallenge = "Username:"
SMTP.AuthLoginPasswordChallenge = "Password:"

p = argparse.ArgumentParser()
p.add_argument("--host", default="127.0.0.1")
p.add_argument("--port", type=int, default=2465)
p.add_argument("--user", default="testuser")
p.add_argument("--password", default="testpass")
p.add_argument("--maildir", default="/tmp/smtp-mail")
p.add_argument("--cert", default="/tmp/smtp-test.crt")
p.add_argument("--key", default="/tmp/smtp-test.key")
p.add_argument("--max-size", type=int, default=64 * 1024 * 1024)
a = p.parse_args()

if not (os.path.exists(a.cert) and os.path.exists(a.key)):   # self-signed, 2 days
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                    "-keyout", a.key, "-out", a.cert, "-days", "2", "-subj", "/CN=localhost",
                    "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
os.makedirs(a.maildir, exist_ok=True)

def authenticator(server, session, envelope, mechanism, auth_data):
    ok = (isinstance(auth_data, LoginPassword)
          and auth_data.login == a.user.encode() and auth_data.password == a.password.encode())
    return AuthResult(success=ok, handled=False, auth_data=auth_data)

class SaveHandler:
    def __init__(self):
        self.n = 0
        self.lock = threading.Lock()
    async def handle_DATA(self, server, session, envelope):
        with self.lock:
            self.n += 1
            base = os.path.join(a.maildir, f"{int(time.time()*1000)}-{self.n:04d}")
        meta = {"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos,
                "login": session.auth_data.login.decode() if isinstance(session.auth_data, LoginPassword) else None,
                "peer": list(session.peer) if session.peer else None}
        with open(base + ".json.tmp", "w") as f: json.dump(meta, f)
        with open(base + ".eml.tmp", "wb") as f: f.write(envelope.original_content)
        os.rename(base + ".json.tmp", base + ".json")   # .eml appears last = complete
        os.rename(base + ".eml.tmp", base + ".eml")
        return "250 Message accepted for delivery"

ctx = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
ctx.load_cert_chain(a.cert, a.key)

# QUIRK (aiosmtpd 1.4.3): with implicit TLS (Controller ssl_context=...) the SMTP object
# never sets _tls_protocol (that only happens after STARTTLS), so with the default
# auth_require_tls=True EHLO does not advertise AUTH and AUTH answers
# "538 5.7.11 Encryption required". auth_require_tls=False is therefore mandatory; it emits
# a harmless "Requiring AUTH while not requiring TLS" warning, silenced here.
warnings.filterwarnings("ignore", message="Requiring AUTH while not requiring TLS")
logging.getLogger("mail.log").addFilter(   # drop 2 noisy per-connection warnings
    lambda r: not any(m in r.getMessage() for m in ("auth_require_tls", "login_data is deprecated")))
ctl = Controller(SaveHandler(), hostname=a.host, port=a.port, ssl_context=ctx,
                 server_hostname="localhost",      # avoid socket.getfqdn() (DNS) on each connection
                 authenticator=authenticator, auth_required=True, auth_require_tls=False,
                 data_size_limit=a.max_size)
ctl.start()
print(f"SMTPS ready on {a.host}:{a.port} maildir={a.maildir}", flush=True)
stop = threading.Event()
for s in (signal.SIGTERM, signal.SIGINT):
    signal.signal(s, lambda *_: stop.set())
stop.wait()
ctl.stop()
