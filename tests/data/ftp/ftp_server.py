"""A real FTP server for the upload tests: pyftpdlib on 127.0.0.1, on a port of the system's
choice, which it prints as the first line of its output. Commands go to the standard error.

usage: ftp_server.py ROOT [--user NAME PASSWORD] [--anonymous] [--throttle BYTES_PER_SECOND]
"""
import argparse
import logging
import sys
import warnings

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("--user", nargs=2, action="append", default=[])
    parser.add_argument("--anonymous", action="store_true")
    parser.add_argument("--throttle", type=int, default=0)
    args = parser.parse_args()

    warnings.simplefilter("ignore")  # anonymous write access is what the tests want
    authorizer = DummyAuthorizer()
    for name, password in args.user:
        authorizer.add_user(name, password, args.root, perm="elradfmwMT")
    if args.anonymous:
        authorizer.add_anonymous(args.root, perm="elradfmw")

    class Handler(FTPHandler):
        pass

    Handler.authorizer = authorizer
    Handler.auth_failed_timeout = 0.1  # a refused password answers at once
    if args.throttle:
        class Throttled(ThrottledDTPHandler):
            read_limit = args.throttle
        Handler.dtp_handler = Throttled

    logging.basicConfig(stream=sys.stderr, level=logging.DEBUG, format="%(message)s")
    server = FTPServer(("127.0.0.1", 0), Handler)
    print(server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
