#!/usr/bin/python3
"""Test FTP server (pyftpdlib, Debian's python3-pyftpdlib 1.5.7). Port 21 needs root.
One user with full rights on --home; passive ports on loopback. Run with /usr/bin/python3."""
import argparse, logging, os, signal, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

p = argparse.ArgumentParser()
p.add_argument("--host", default="127.0.0.1")
p.add_argument("--port", type=int, default=21)
p.add_argument("--user", default="testuser")
p.add_argument("--password", default="testpass")
p.add_argument("--home", default="/tmp/ftp-home")
p.add_argument("--pasv", default="60000-60099")
p.add_argument("--mkdir", action="append", default=["sub"], help="subdirs to pre-create")
a = p.parse_args()

for d in a.mkdir:
    os.makedirs(os.path.join(a.home, d), exist_ok=True)
auth = DummyAuthorizer()
auth.add_user(a.user, a.password, a.home, perm="elradfmwMT")   # all read+write perms

class Handler(FTPHandler):
    authorizer = auth
    lo, hi = map(int, a.pasv.split("-"))
    passive_ports = range(lo, hi + 1)
    banner = "pyftpdlib test server ready."
    auth_failed_timeout = 0.1   # default 3 s delay after a bad password slows negative tests
    # permit_foreign_addresses=False (default) is fine: client and server both 127.0.0.1

logging.basicConfig(level=logging.INFO, format="%(asctime)s %(message)s", stream=sys.stderr)
server = FTPServer((a.host, a.port), Handler)
server.max_cons = 64
signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))   # serve_forever(handle_exit=True) catches SystemExit, closes sockets
print(f"FTP ready on {a.host}:{a.port} home={a.home}", flush=True)
server.serve_forever(handle_exit=True)
