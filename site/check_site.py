#!/usr/bin/env python3
"""Self-check of the sample site: starts it on a free port and checks the
catalogues against the download job's pattern, the pictures and every mode."""

import http.client
import json
import os
import re
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
CATALOGUE = "/web201605/js/herolist.json"
PICTURE = "/images/mhvo/img201606/skin/hero-info/%d/%d-bigskin-%d.jpg"
PATTERN = r'"ename":(.*?),"cname":"(.*?)","title":"(.*?)",.*?,"hero_type":(.*?),.*?"skin_name":"(.*?)"}'
UNSAFE = set('\\/:*?"<>|') | {chr(c) for c in range(32)}


def fetch(port, path, timeout=5):
    """(status, body) or (status, the exception that ended the body)."""
    conn = http.client.HTTPConnection("127.0.0.1", port, timeout=timeout)
    try:
        conn.request("GET", path)
        resp = conn.getresponse()
        try:
            return resp.status, resp.read()
        except (http.client.IncompleteRead, ConnectionResetError, TimeoutError) as e:
            return resp.status, type(e)
    finally:
        conn.close()


def skins_of(text):
    names = text.split("|") if text else []
    return names[:-1] if text.endswith("|") else names


def jpeg_size(data):
    at = data.index(b"\xff\xc0")
    height, width = struct.unpack(">HH", data[at + 5:at + 9])
    return width, height


def check_catalogue(port, mode):
    assert fetch(port, "/_control?mode=" + mode, timeout=120) == (200, b"ok")  # the big one takes seconds
    status, body = fetch(port, CATALOGUE)
    heroes = json.loads(fetch(port, "/_heroes")[1])
    text = body.decode("utf-8")
    assert status == 200 and "\n" not in text
    # Matched as text and, like the program does, as code page 936 bytes.
    for subject, pattern in ((text, PATTERN), (text.encode("gbk"), PATTERN.encode())):
        found = []
        for m in re.finditer(pattern, subject, re.IGNORECASE | re.MULTILINE):
            ename, cname, skins = (g.decode("gbk") if isinstance(g, bytes) else g for g in m.group(1, 2, 5))
            found.append([int(ename), cname, skins_of(skins)])
        assert found == heroes, mode
    if mode != "hostile-names":  # the hostile one is raw text, not strict JSON
        records = json.loads(text)
        assert len(records) >= 100 and len({r["cname"] for r in records}) == len(records)
        for r in records:
            skins = skins_of(r["skin_name"])
            assert len(skins) <= 8 and (skins or mode == "empty-skins")
            for name in [r["cname"], r["title"]] + skins:
                assert 2 <= len(name) <= 4 and not set(name) & UNSAFE, name
    return heroes


def main():
    with tempfile.TemporaryDirectory() as tmp:
        port_file = os.path.join(tmp, "port")
        server = subprocess.Popen([sys.executable, os.path.join(HERE, "sample_site.py"),
                                   "--port", "0", "--port-file", port_file], stdout=subprocess.DEVNULL)
        try:
            for _ in range(100):
                if os.path.exists(port_file):
                    break
                time.sleep(0.1)
            port = int(open(port_file).read())
            run(port)
        finally:
            server.terminate()
            server.wait(10)
    print("sample site: all checks passed")


def run(port):
    for mode in ("empty-skins", "hostile-names", "big-catalogue", "healthy"):
        heroes = check_catalogue(port, mode)
    first, last = heroes[0], heroes[-1]
    for ename, number in ((first[0], 1), (last[0], len(last[2]))):
        status, data = fetch(port, PICTURE % (ename, ename, number))
        assert status == 200 and data[:2] == b"\xff\xd8" and data[-2:] == b"\xff\xd9"
        assert jpeg_size(data) == (1920, 880) and 100_000 <= len(data) <= 400_000
    for path in (PICTURE % (first[0], first[0], len(first[2]) + 1), PICTURE % (104, 104, 1), "/", "/_nothing"):
        assert fetch(port, path)[0] == 404, path

    picture = PICTURE % (first[0], first[0], 1)
    # mode, path, expected status, and the body's start or the error that ends the body
    table = [
        ("missing-pictures", picture, 404, b"<!DOCTYPE html>"),
        ("status-500", picture, 500, b"<!DOCTYPE html>"),
        ("stall", picture, 200, TimeoutError),
        ("stall-catalogue", CATALOGUE, 200, TimeoutError),
        ("trickle", picture, 200, "whole picture"),
        ("reset", picture, 200, ConnectionResetError),
        ("short-body", picture, 200, http.client.IncompleteRead),
        ("empty-catalogue", CATALOGUE, 200, b""),
    ]
    healthy_picture = fetch(port, picture)[1]
    for mode, path, want_status, want in table:
        fetch(port, "/_control?mode=" + mode)
        status, body = fetch(port, path, timeout=2)
        assert status == want_status, mode
        if want == "whole picture":
            assert body == healthy_picture, mode
        elif isinstance(want, bytes):
            assert body[:len(want)] == want and (want or body == b""), mode
        else:
            assert body is want, (mode, body)

    fetch(port, "/_control?mode=garbage-catalogue")
    status, body = fetch(port, CATALOGUE)
    assert status == 200 and b"\0" in body and body.index(b"\0") > 1000
    try:
        body.decode("utf-8")
        raise AssertionError("garbage is valid UTF-8")
    except UnicodeDecodeError:
        pass

    fetch(port, "/_control?mode=picture-404-some")
    pictures = [(e, n) for e, _, skins in heroes[:5] for n in range(1, len(skins) + 1)]
    codes = [fetch(port, PICTURE % (e, e, n))[0] for e, n in pictures]
    assert codes == [404 if i % 3 == 2 else 200 for i in range(len(codes))], codes
    assert fetch(port, "/_control?mode=bogus")[0] == 400

    # One kept-alive connection; the log keeps method and path in order.
    fetch(port, "/_control?mode=healthy")
    fetch(port, "/_reset_log")
    conn = http.client.HTTPConnection("127.0.0.1", port, timeout=5)
    paths = [CATALOGUE] + [PICTURE % (e, e, n) for e, n in pictures[:3]]
    for path in paths:
        conn.request("GET", path)
        conn.getresponse().read()
        sock = sock if path != CATALOGUE else conn.sock
        assert conn.sock is sock
    conn.close()
    assert fetch(port, "/_requests")[1].decode().splitlines() == ["GET " + p for p in paths]


if __name__ == "__main__":
    main()
