#!/usr/bin/python3
"""Opens the terminal's browser display in headless Chromium and reports
what the page shows, through the DevTools protocol (Chromium's --dump-dom
never returns while the page holds its event stream open).

    browser_display.py URL SCREENSHOT.png

Reads expectations from standard input, one a line: a JavaScript expression,
after a tab the text it must come to give, and after another tab, if given,
the seconds to wait for it (60 when not). Answers each with "shown <seconds
it took>" once the page shows it, or "missing <what it gave>". A line
"!block <pattern>" makes the browser fail every request whose URL matches
(the page's own fetches, so that only its event stream can change it) and is
answered "blocked". Takes a screenshot after the last and exits 0 if every
one was shown."""

import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

import websocket


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    url, screenshot = sys.argv[1], sys.argv[2]
    profile = tempfile.mkdtemp(prefix="veltar-chromium-")
    port = free_port()
    browser = subprocess.Popen(
        ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--user-data-dir=" + profile, "--remote-debugging-port=%d" % port, "--window-size=800,480",
         "about:blank"],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    ok = True
    try:
        target = None
        deadline = time.time() + 60
        while target is None and time.time() < deadline:
            try:
                with urllib.request.urlopen("http://127.0.0.1:%d/json/list" % port, timeout=5) as r:
                    pages = [t for t in json.load(r) if t.get("type") == "page"]
                    target = pages[0]["webSocketDebuggerUrl"] if pages else None
            except OSError:
                pass
            if target is None:
                time.sleep(0.2)
        if target is None:
            print("no page target from chromium", flush=True)
            return 1
        ws = websocket.create_connection(target, timeout=30, suppress_origin=True)
        ids = iter(range(1, 1 << 30))

        def call(method, **params):
            n = next(ids)
            ws.send(json.dumps({"id": n, "method": method, "params": params}))
            while True:
                message = json.loads(ws.recv())
                if message.get("id") == n:
                    return message.get("result", {})

        call("Page.navigate", url=url)
        for line in sys.stdin:
            if line.startswith("!block "):
                call("Network.enable")
                call("Network.setBlockedURLs", urls=[line[len("!block "):].strip()])
                print("blocked", flush=True)
                continue
            expression, _, rest = line.rstrip("\n").partition("\t")
            wanted, _, seconds = rest.partition("\t")
            got = None
            asked = time.time()
            deadline = asked + (float(seconds) if seconds else 60)
            while time.time() < deadline:
                got = call("Runtime.evaluate", expression=expression, returnByValue=True).get("result", {}).get("value")
                if got == wanted:
                    break
                time.sleep(0.02)
            if got == wanted:
                print("shown %.2f" % (time.time() - asked), flush=True)
            else:
                print("missing %r" % (got,), flush=True)
                ok = False
        shot = call("Page.captureScreenshot", format="png")
        if "data" in shot:
            import base64
            with open(screenshot, "wb") as f:
                f.write(base64.b64decode(shot["data"]))
        ws.close()
        return 0 if ok else 1
    finally:
        browser.terminate()
        try:
            browser.wait(10)
        except subprocess.TimeoutExpired:
            browser.kill()
            browser.wait()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
