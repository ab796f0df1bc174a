#!/usr/bin/env python3
"""An ArchiveLink content server for tests and the demo: serves the sample
documents to "viewDoc" requests and logs every request as one JSON line.

  content_server.py --documents DIR --log FILE [--root /sap/bc/contentserver]
                    [--port 0] [--port-file FILE]

It listens on 127.0.0.1, on the port given or on one the system picks, and
writes that port to --port-file once it accepts connections. It answers

  GET <root>/.archiveLink?viewDoc&contRep=..&docID=..[&user=..]

with the stored document and its content type; an unknown repository or
document with a 404 page, a malformed request with a 400 page, each saying
why. Error pages have a background colour of their own, so that a screenshot
shows which kind of page the browser got.
"""

import argparse
import datetime
import html
import json
import os
import signal
import sys
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from document_store import DocumentStore  # noqa: E402
import viewdoc_query  # noqa: E402

ERROR_PAGE_BACKGROUND = "#f4c7c3"
ARCHIVELINK_PATH = "/.archiveLink"


class RequestLog:
    """Appends one JSON object per line to a file, whole lines only."""

    def __init__(self, path):
        self.file = open(path, "a", encoding="utf-8")
        self.lock = threading.Lock()

    def write(self, entry):
        line = json.dumps(entry, ensure_ascii=False) + "\n"
        with self.lock:
            self.file.write(line)
            self.file.flush()


def error_page(status, title, reason):
    return f"""<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>{status} {title}</title></head>
<body style="background:{ERROR_PAGE_BACKGROUND};font-family:sans-serif;margin:40px">
<h1>{status} {title}</h1>
<p>{html.escape(reason)}</p>
<p><small>ArchiveLink test content server</small></p>
</body></html>
""".encode("utf-8")


class ViewDocHandler(BaseHTTPRequestHandler):
    server_version = "ArchiveLinkTestServer/1"

    def do_GET(self):
        path, _, raw_query = self.path.partition("?")
        entry = {
            "time": datetime.datetime.now().isoformat(timespec="milliseconds"),
            "method": self.command,
            "path": path,
            "query": raw_query,
            "userAgent": self.headers.get("User-Agent", ""),
        }
        status, reason, content_type, body = self.answer(path, raw_query, entry)
        entry["status"] = status
        entry["reason"] = reason
        self.server.request_log.write(entry)

        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)

    def answer(self, path, raw_query, entry):
        """(status, reason, content type, body); adds what it decoded to entry."""
        expected_path = self.server.url_root + ARCHIVELINK_PATH
        if path != expected_path:
            return self.error(404, "Not Found", f"nothing at {path}: ArchiveLink requests go to {expected_path}")
        try:
            command, values = viewdoc_query.parse(raw_query)
            entry["command"] = command
            entry["values"] = values
            viewdoc_query.check_view_doc(command, values)
        except viewdoc_query.MalformedQuery as malformed:
            return self.error(400, "Bad Request", str(malformed))

        rep, doc_id = values["contRep"], values["docID"]
        store = self.server.store
        if rep not in store.repositories():
            return self.error(404, "Not Found", f"there is no content repository {rep!r}")
        document = store.find(rep, doc_id)
        if document is None:
            return self.error(404, "Not Found", f"repository {rep!r} holds no document {doc_id!r}")
        content_type, body = document
        return 200, "OK", content_type, body

    @staticmethod
    def error(status, title, reason):
        return status, reason, "text/html; charset=utf-8", error_page(status, title, reason)

    def log_message(self, format, *args):
        # The JSON log says it all; nothing on stderr per request.
        pass


def write_port_file(path, port):
    # Written aside and renamed, so a reader never sees half a number.
    partial = path + ".partial"
    with open(partial, "w") as out:
        out.write(f"{port}\n")
    os.replace(partial, path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--documents", required=True, help="folder with index.json and the documents")
    parser.add_argument("--log", required=True, help="request log, one JSON line per request")
    parser.add_argument("--root", default="/sap/bc/contentserver", help="URL root in front of /.archiveLink")
    parser.add_argument("--port", type=int, default=0, help="0: one the system picks")
    parser.add_argument("--port-file", help="receives the port once the server listens")
    args = parser.parse_args()

    server = ThreadingHTTPServer(("127.0.0.1", args.port), ViewDocHandler)
    server.daemon_threads = True
    server.store = DocumentStore(args.documents)
    server.request_log = RequestLog(args.log)
    server.url_root = args.root.rstrip("/")
    port = server.server_address[1]
    if args.port_file:
        write_port_file(args.port_file, port)
    print(f"ArchiveLink test server: http://127.0.0.1:{port}{server.url_root}{ARCHIVELINK_PATH}", flush=True)

    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
