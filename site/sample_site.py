#!/usr/bin/env python3
"""Sample web site for skinwall: the hero catalogue and the skin wallpapers.

Serves on loopback only what the download job asks for:

  /web201605/js/herolist.json                                  the catalogue
  /images/mhvo/img201606/skin/hero-info/ID/ID-bigskin-N.jpg    a wallpaper

and a few control paths for tests:

  /_control?mode=NAME   switch the mode (answers "ok"); &heroes=N serves only
                        the first N heroes of the catalogue
  /_tree                one line per picture the job asks for: id, number,
                        Chinese name and skin name, tab-separated (UTF-8)
  /_requests            the request log, one "METHOD PATH" line per request
  /_reset_log           clear the request log
  /_heroes              what the catalogue pattern yields in the current mode,
                        as JSON: [[id, cname, [skin, ...]], ...]

Python standard library only. See README.md for the modes.
"""

import argparse
import email.utils
import hashlib
import http.server
import json
import os
import re
import signal
import socket
import struct
import sys
import threading
import urllib.parse

CATALOGUE_PATH = "/web201605/js/herolist.json"
PICTURE_PREFIX = "/images/mhvo/img201606/skin/hero-info/"
PICTURE_PATH = re.compile(re.escape(PICTURE_PREFIX) + r"([1-9][0-9]*)/([1-9][0-9]*)-bigskin-([1-9][0-9]*)\.jpg")
DEFAULT_PORT = 8391
PICTURE_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "pictures")

MODES = (
    "healthy", "missing-pictures", "status-500", "picture-404-some", "stall",
    "stall-catalogue", "trickle", "reset", "short-body", "empty-catalogue",
    "garbage-catalogue", "big-catalogue", "hostile-names", "empty-skins", "padded-catalogue",
)
STALL_SECONDS = 60
TRICKLE_CHUNK = 16 * 1024
TRICKLE_PAUSE = 0.1

# Characters for the invented names; every one lies in the double-byte part
# of code page 936 (both bytes 0xA1 or above), so no name contains a path or
# pattern character.
NAME_CHARS = "岚珀翎蘅砚汀琊溪枫桐霁蔚湄黛苒芷檀昙璎菁萦沅澈瑶绮堇曜绫棠筠砾烬霜渊弦骁隼鸢鹭岑峤垣笙箫铎璇蓁茵"
TITLE_CHARS = "风月星夜火川海沙岩林灯梦影歌语羽光雾潮镜铃云雨雷霆冰焰晓暮寒烟流岁长行远归鸣"
SKIN_CHARS = "晨暮琉璃锦绣流光青瓷墨韵银翼金纹幻彩霓裳星河雪原赤焰碧波紫电秋水春山玉露霞衣梦蝶花灯"


class Lcg:
    """A fixed pseudo-random sequence, the same on every Python version."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFFFFFFFFFF

    def below(self, n):
        self.state = (self.state * 6364136223846793005 + 1442695040888963407) & 0xFFFFFFFFFFFFFFFF
        return (self.state >> 33) % n

    def word(self, chars, shortest, longest):
        return "".join(chars[self.below(len(chars))] for _ in range(shortest + self.below(longest - shortest + 1)))


def skin_count(skin_text):
    """How many pictures the job asks for: split at "|", no name after a final "|"."""
    if not skin_text:
        return 0
    names = skin_text.split("|")
    return len(names) - 1 if skin_text.endswith("|") else len(names)


def record(ename, cname, title, hero_type, skins, shape):
    """One catalogue record as an ordered dict; `shape` varies the fields around the ones used."""
    rec = {"ename": ename, "cname": cname, "title": title, "new_type": shape % 2}
    if shape % 7 == 3:
        rec["pay_type"] = 10 + shape % 3
    rec["hero_type"] = hero_type
    if shape % 4 == 1:
        rec["hero_type2"] = 1 + shape % 3
    if shape % 5 == 2:
        rec["moss_id"] = 3000 + 7 * shape
    rec["skin_name"] = skins
    return rec


class Catalogue:
    """A catalogue body and the pictures it promises."""

    def __init__(self, body, heroes, records=None):
        self.body = body
        self.records = records        # the records it was made from, when it was
        self.heroes = heroes          # [(id, cname, skin_text)]
        self.pictures = {}            # id -> (skin count, ordinal of its first picture)
        ordinal = 0
        for ename, _, skins in heroes:
            count = skin_count(skins)
            self.pictures[ename] = (count, ordinal)
            ordinal += count

    @classmethod
    def from_records(cls, records):
        body = json.dumps(records, ensure_ascii=False, separators=(",", ":")).encode("utf-8")
        return cls(body, [(r["ename"], r["cname"], r["skin_name"]) for r in records], records)

    def first(self, count):
        """The same catalogue cut to its first `count` heroes (when made from records)."""
        if count is None or self.records is None:
            return self
        return Catalogue.from_records(self.records[:count])

    def tree_tsv(self):
        """One line per picture the job asks for: id, number, Chinese name, skin name."""
        lines = []
        for e, c, s in self.heroes:
            for j, skin in enumerate(s.split("|")[:skin_count(s)], 1):
                lines.append("%d\t%d\t%s\t%s\n" % (e, j, c, skin))
        return "".join(lines).encode("utf-8")

    def heroes_json(self):
        rows = [[e, c, s.split("|")[:skin_count(s)]] for e, c, s in self.heroes]
        return json.dumps(rows, ensure_ascii=True).encode("ascii")


def healthy_records(empty_every=0):
    rng = Lcg(20160501)
    records, seen, ename = [], set(), 105
    while len(records) < 120:
        cname = rng.word(NAME_CHARS, 2, 4)
        if cname in seen:
            continue
        seen.add(cname)
        skins = []
        for _ in range(1 + rng.below(8)):
            skin = rng.word(SKIN_CHARS, 2, 4)
            if skin not in skins:
                skins.append(skin)
        skin_text = "|".join(skins)
        if empty_every and len(records) % empty_every == 1:
            skin_text = ""
        records.append(record(ename, cname, rng.word(TITLE_CHARS, 2, 4), 1 + rng.below(6), skin_text, len(records)))
        ename += 1 if rng.below(4) else 2 + rng.below(30)
    return records


def padded_records(size=20 * 1024 * 1024):
    """A few healthy heroes, one of them carrying a field of about `size` bytes
    between its type and its skins: a 20 MB catalogue with few pictures."""
    records = healthy_records()[:4]
    padded = {}
    for key, value in records[1].items():
        if key == "skin_name":
            padded["notes"] = "".join(SKIN_CHARS[i % len(SKIN_CHARS)] for i in range(size // 3))
        padded[key] = value
    records[1] = padded
    return records


def big_records(size=20 * 1024 * 1024):
    """Many heroes with unique four-character names, about `size` bytes in all."""
    rng = Lcg(20160502)
    n = len(NAME_CHARS)
    records, total, i = [], 2, 0
    while total < size:
        cname = "".join(NAME_CHARS[(i // n ** k) % n] for k in (3, 2, 1, 0))
        skins = "|".join(rng.word(SKIN_CHARS, 1, 3) + SKIN_CHARS[j] for j in range(1 + rng.below(8)))
        rec = record(105 + i, cname, rng.word(TITLE_CHARS, 2, 4), 1 + rng.below(6), skins, i)
        records.append(rec)
        total += len(json.dumps(rec, ensure_ascii=False, separators=(",", ":")).encode("utf-8")) + 1
        i += 1
    return records


def hostile_catalogue():
    """Names a file system chokes on, written raw (not JSON-escaped) so that the
    pattern yields them exactly; the text is therefore not strict JSON."""
    heroes = [
        (105, "..", "点点", "晨光|暮色"),
        (106, ".", "单点", "青瓷"),
        (107, "a\\b", "反斜", "墨韵|银翼"),
        (108, "a/b", "斜线", "金纹"),
        (109, "C:", "盘符", "幻彩|霓裳"),
        (110, "星*辰", "星号", "星河*|问?号|引\"号|尖<括>号"),
        (111, "问?答", "问号", "雪原"),
        (112, "引\"号", "引号", "赤焰"),
        (113, "<尖括>", "尖括", "碧波"),
        (114, "竖|线", "竖线", "紫电"),
        (115, "控\x01制", "控制", "秋水|春\x1f山"),
        (116, "\t制表", "制表", "玉露"),
        (117, "乗", "尾五", "乗风|霞衣"),
        (118, "", "无名", "梦蝶|花灯"),
        (119, "空皮", "空名", "A||B"),
        (120, "尾线", "尾线", "A|B|"),
        (121, "岚珀", "风月", "琉璃|锦绣|流光"),
        (122, "汀枫", "星夜", "青瓷|墨韵"),
        (123, "菁萦", "火川", ""),
    ]
    parts = []
    for i, (ename, cname, title, skins) in enumerate(heroes):
        tail = ',"hero_type2":1' if i % 3 == 1 else ',"moss_id":%d' % (4000 + i) if i % 3 == 2 else ""
        parts.append('{"ename":%d,"cname":"%s","title":"%s","new_type":0,"hero_type":%d%s,"skin_name":"%s"}'
                     % (ename, cname, title, 1 + i % 6, tail, skins))
    return Catalogue(("[" + ",".join(parts) + "]").encode("utf-8"), [(e, c, s) for e, c, _, s in heroes])


def garbage_body(size=64 * 1024):
    """Fixed random bytes: not JSON, not UTF-8; zero bytes only in the second half,
    so a reader that stops at the first zero still gets 32 KB of garbage."""
    out, block = bytearray(), b"skinwall garbage"
    while len(out) < size:
        block = hashlib.sha256(block).digest()
        out += block
    half = size // 2
    return bytes(out[:half]).replace(b"\0", b"\xff") + bytes(out[half:size])


class Site:
    def __init__(self, log_path=None):
        self.lock = threading.Lock()
        self.mode = "healthy"
        self.limit = None             # serve only this many heroes, when set
        self.requests = []
        self.log_file = open(log_path, "a", encoding="utf-8") if log_path else None
        self.stopping = threading.Event()
        self.pictures = [open(os.path.join(PICTURE_DIR, name), "rb").read()
                         for name in sorted(os.listdir(PICTURE_DIR)) if name.endswith(".jpg")]
        if not self.pictures:
            sys.exit("sample_site: no pictures in " + PICTURE_DIR)
        self.catalogues = {
            "healthy": Catalogue.from_records(healthy_records()),
            "empty-skins": Catalogue.from_records(healthy_records(empty_every=5)),
            "hostile-names": hostile_catalogue(),
        }
        self.builders = {"big-catalogue": big_records, "padded-catalogue": padded_records}
        self.garbage = garbage_body()

    def catalogue(self, mode):
        if mode in self.builders:
            with self.lock:
                if mode not in self.catalogues:
                    self.catalogues[mode] = Catalogue.from_records(self.builders[mode]())
        full = self.catalogues.get(mode, self.catalogues["healthy"])
        limit = self.limit
        if limit is None:
            return full
        with self.lock:
            key = (mode, limit)
            if key not in self.catalogues:
                self.catalogues[key] = full.first(limit)
            return self.catalogues[key]

    def arrived(self, line):
        # Noted before the answer, so the log keeps the clients' order even
        # when the next request comes in on another connection.
        with self.lock:
            self.requests.append(line)

    def answered(self, line, status):
        if self.log_file:
            with self.lock:
                self.log_file.write("%s %d\n" % (line, status))
                self.log_file.flush()


def error_page(status, reason):
    return ("<!DOCTYPE html>\n<html><head><title>%d %s</title></head>"
            "<body><h1>%d %s</h1></body></html>\n" % (status, reason, status, reason)).encode("ascii")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "sample-site/1.0"
    disable_nagle_algorithm = True
    site = None  # set by main

    def log_message(self, *args):
        pass

    def head(self, status, length, content_type):
        reason = self.responses.get(status, ("",))[0]
        lines = ["HTTP/1.1 %d %s" % (status, reason),
                 "Server: " + self.server_version,
                 "Date: " + email.utils.formatdate(usegmt=True),
                 "Content-Type: " + content_type,
                 "Content-Length: %d" % length]
        if self.close_connection:
            lines.append("Connection: close")
        return ("\r\n".join(lines) + "\r\n\r\n").encode("ascii")

    def reply(self, status, body, content_type="text/plain; charset=utf-8"):
        self.wfile.write(self.head(status, len(body), content_type) + body)
        return status

    def error(self, status):
        return self.reply(status, error_page(status, self.responses[status][0]), "text/html; charset=utf-8")

    def do_GET(self):
        site = self.site
        mode = site.mode
        path = urllib.parse.urlsplit(self.path).path
        if path.startswith("/_"):
            self.control(path)
            return
        line = self.command + " " + self.path
        site.arrived(line)
        if path == CATALOGUE_PATH:
            status = self.serve_catalogue(mode)
        else:
            match = PICTURE_PATH.fullmatch(path)
            status = self.serve_picture(mode, match) if match else self.error(404)
        site.answered(line, status)

    def control(self, path):
        site = self.site
        if path == "/_control":
            query = urllib.parse.parse_qs(urllib.parse.urlsplit(self.path).query)
            mode = query.get("mode", [""])[0]
            if mode not in MODES:
                self.reply(400, ("unknown mode; one of: " + " ".join(MODES) + "\n").encode("ascii"))
                return
            heroes = query.get("heroes", [""])[0]
            site.limit = int(heroes) if heroes.isdigit() else None
            site.catalogue(mode)  # build a big catalogue now, not on its first request
            site.mode = mode
            self.reply(200, b"ok")
        elif path == "/_requests":
            with site.lock:
                text = "".join(line + "\n" for line in site.requests)
            self.reply(200, text.encode("utf-8"))
        elif path == "/_reset_log":
            with site.lock:
                site.requests.clear()
            self.reply(200, b"ok")
        elif path == "/_tree":
            self.reply(200, site.catalogue(site.mode).tree_tsv())
        elif path == "/_heroes":
            self.reply(200, site.catalogue(site.mode).heroes_json(), "application/json")
        else:
            self.error(404)

    def serve_catalogue(self, mode):
        if mode == "empty-catalogue":
            return self.reply(200, b"")
        if mode == "garbage-catalogue":
            return self.reply(200, self.site.garbage, "application/json")
        body = self.site.catalogue(mode).body
        if mode == "stall-catalogue":
            return self.stall(len(body), "application/json")
        return self.reply(200, body, "application/json")

    def serve_picture(self, mode, match):
        ename, again, number = (int(g) for g in match.groups())
        count, first = self.site.catalogue(mode).pictures.get(ename, (0, 0))
        if ename != again or number > count:
            return self.error(404)
        picture = self.site.pictures[(ename * 7 + number) % len(self.site.pictures)]
        if mode == "missing-pictures" or (mode == "picture-404-some" and (first + number) % 3 == 0):
            return self.error(404)
        if mode == "status-500":
            return self.error(500)
        if mode == "stall":
            return self.stall(len(picture), "image/jpeg")
        if mode == "trickle":
            self.wfile.write(self.head(200, len(picture), "image/jpeg"))
            for start in range(0, len(picture), TRICKLE_CHUNK):
                if start and self.site.stopping.wait(TRICKLE_PAUSE):
                    self.close_connection = True
                    break
                self.wfile.write(picture[start:start + TRICKLE_CHUNK])
            return 200
        if mode in ("reset", "short-body"):
            self.close_connection = True
            self.wfile.write(self.head(200, len(picture), "image/jpeg") + picture[:len(picture) // 2])
            if mode == "reset":
                # Linger 0: close() sends a reset instead of the orderly end.
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                self.connection.close()
            return 200
        return self.reply(200, picture, "image/jpeg")

    def stall(self, length, content_type):
        """Promise a body, send none, hold the connection."""
        self.close_connection = True
        self.wfile.write(self.head(200, length, content_type))
        self.site.stopping.wait(STALL_SECONDS)
        return 200


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 64

    def handle_error(self, request, client_address):
        pass  # a client that goes away mid-answer is no news here


def main():
    parser = argparse.ArgumentParser(description="Sample site for skinwall (loopback only).")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=DEFAULT_PORT, help="0 picks a free port")
    parser.add_argument("--port-file", help="write the port here once listening")
    parser.add_argument("--mode", default="healthy", choices=MODES)
    parser.add_argument("--log", help="append one line per request: method, path, status")
    args = parser.parse_args()

    site = Site(args.log)
    site.catalogue(args.mode)
    site.mode = args.mode
    Handler.site = site
    server = Server((args.host, args.port), Handler)
    port = server.server_address[1]
    if args.port_file:
        temporary = args.port_file + ".tmp"
        with open(temporary, "w") as f:
            f.write("%d\n" % port)
        os.replace(temporary, args.port_file)

    stop = threading.Event()
    for sig in (signal.SIGINT, signal.SIGTERM):
        signal.signal(sig, lambda *_: stop.set())
    thread = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.1}, daemon=True)
    thread.start()
    print("sample site on http://%s:%d/ (mode %s)" % (args.host, port, args.mode), flush=True)
    while not stop.wait(0.2):
        pass
    site.stopping.set()
    server.shutdown()
    server.server_close()


if __name__ == "__main__":
    main()
