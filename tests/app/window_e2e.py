"""The program itself in a real X server, against the sample site on the
program's built-in address: the window's size, place and texts, a real click
that downloads the collection (with a second click during the run), a clean
end when it is closed, and a window closed during a run.

usage: window_e2e.py WORK_DIR PROGRAM SITE_PORT [--wine]
Screenshots land in WORK_DIR; the program runs from a copy there.
"""
import os
import shutil
import subprocess
import sys
import time
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import close_window  # noqa: E402

WIDTH, HEIGHT = 282, 118
BUTTON = (88 + 48, 48 + 12)
HEROES = 40  # the site serves only this many heroes, to keep the runs short


def xdotool(*args: str) -> str:
    return subprocess.run(["xdotool", *args], check=True, capture_output=True, text=True).stdout


def find_window(process: subprocess.Popen, timeout: float = 60) -> int:
    deadline = time.time() + timeout
    while time.time() < deadline:
        if process.poll() is not None:
            raise SystemExit(f"program ended early with {process.returncode}")
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--classname", "skinwall"],
                               capture_output=True, text=True).stdout.split()
        if found:
            return int(found[0])
        time.sleep(0.2)
    raise SystemExit("no window appeared")


def geometry(window: int) -> dict:
    values = {}
    for line in xdotool("getwindowgeometry", "--shell", str(window)).splitlines():
        key, _, value = line.partition("=")
        values[key] = int(value)
    return values


class Site:
    def __init__(self, port: int):
        self.base = f"http://127.0.0.1:{port}"

    def get(self, path: str) -> bytes:
        with urllib.request.urlopen(self.base + path, timeout=30) as answer:
            return answer.read()

    def expected_tree(self) -> dict:
        tree = {}
        for line in self.get("/_tree").decode("utf-8").splitlines():
            ident, number, hero, skin = line.split("\t")
            tree[hero] = None
            path = f"/images/mhvo/img201606/skin/hero-info/{ident}/{ident}-bigskin-{number}.jpg"
            tree.setdefault(os.path.join(hero, skin + ".jpg"), self.get(path))
        return tree


def tree_of(folder: str, program_name: str) -> dict:
    """What the folder holds now; a file renamed away while it is read is left
    for the next look."""
    tree = {}
    for root, dirs, files in os.walk(folder):
        for d in dirs:
            tree[os.path.relpath(os.path.join(root, d), folder)] = None
        for f in files:
            relative = os.path.relpath(os.path.join(root, f), folder)
            if relative == program_name or f.endswith(".png"):
                continue
            try:
                with open(os.path.join(root, f), "rb") as content:
                    tree[relative] = content.read()
            except FileNotFoundError:
                pass
    return tree


def click(window: int, extra_y: int) -> None:
    xdotool("mousemove", "--window", str(window), str(BUTTON[0]), str(BUTTON[1] + extra_y))
    xdotool("click", "1")


def wait_for_tree(folder: str, program: str, expected: dict, timeout: float = 300, settled: float = 15) -> dict:
    """The folder's tree once it equals expected, or once it has not changed
    for `settled` seconds, or at the time-out."""
    deadline = time.time() + timeout
    tree, changed = {}, time.time()
    while time.time() < deadline:
        now = tree_of(folder, program)
        if now == expected:
            return now
        if now != tree:
            tree, changed = now, time.time()
        elif time.time() - changed > settled:
            break
        time.sleep(0.3)
    return tree


def launch(work: str, program: str, wine: bool) -> subprocess.Popen:
    command = ["wine", program] if wine else [program]
    return subprocess.Popen(command, cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def main() -> int:
    work, source, port = sys.argv[1], sys.argv[2], int(sys.argv[3])
    wine = "--wine" in sys.argv[4:]
    site = Site(port)
    failures = []
    tag = "-wine" if wine else ""

    site.get(f"/_control?mode=healthy&heroes={HEROES}")
    expected = site.expected_tree()

    # First run: the window, a click, a second click during the run, a close.
    first = os.path.join(work, "first")
    shutil.rmtree(first, ignore_errors=True)
    os.makedirs(first)
    program = os.path.join(first, os.path.basename(source))
    shutil.copy2(source, program)
    site.get("/_control?mode=trickle&heroes=2")  # slow first pictures: time for a second click
    process = launch(first, program, wine)
    try:
        window = find_window(process)
        time.sleep(1.0)
        screen_w, screen_h = (int(v) for v in xdotool("getdisplaygeometry").split())
        g = geometry(window)
        if (g["WIDTH"], g["HEIGHT"]) != (WIDTH, HEIGHT):
            failures.append(f"size {g['WIDTH']}x{g['HEIGHT']}")
        if (g["X"], g["Y"]) != ((screen_w - WIDTH) // 2, (screen_h - HEIGHT) // 2):
            failures.append(f"place {g['X']},{g['Y']} on a {screen_w}x{screen_h} screen")
        crop = f"{WIDTH + 40}x{HEIGHT + 40}+{g['X'] - 20}+{g['Y'] - 20}"
        shoot = lambda name: subprocess.run(  # noqa: E731
            ["import", "-window", "root", "-crop", crop, os.path.join(work, f"{name}{tag}.png")], check=True)
        shoot("window")
        # Wine draws the frame inside the window's rectangle: the client area
        # starts below the title bar.
        extra_y = 26 if wine else 0
        click(window, extra_y)
        time.sleep(1.0)
        shoot("during")
        site.get(f"/_control?mode=healthy&heroes={HEROES}")
        click(window, extra_y)  # a nested run inside the first
        tree = wait_for_tree(first, os.path.basename(program), expected)
        time.sleep(1.0)
        shoot("after")
        if tree != expected:
            missing = sorted(set(expected) - set(tree))[:5]
            extra = sorted(set(tree) - set(expected))[:5]
            wrong = sorted(k for k in expected if k in tree and tree[k] != expected[k])[:5]
            failures.append(f"tree differs: missing {missing}, extra {extra}, wrong content {wrong}")
        if process.poll() is not None:
            failures.append(f"program ended during the runs with {process.returncode}")
        close_window.close(window)
        code = process.wait(timeout=60)
        if code != 0:
            failures.append(f"exit code {code} after closing")
    finally:
        if process.poll() is None:
            process.kill()

    # Second run: the window is closed while the job runs; the run finishes,
    # then the program ends normally.
    second = os.path.join(work, "second")
    shutil.rmtree(second, ignore_errors=True)
    os.makedirs(second)
    program = os.path.join(second, os.path.basename(source))
    shutil.copy2(source, program)
    site.get(f"/_control?mode=healthy&heroes={HEROES}")
    process = launch(second, program, wine)
    try:
        window = find_window(process)
        time.sleep(1.0)
        click(window, extra_y if wine else 0)
        time.sleep(0.5)
        close_window.close(window)
        code = process.wait(timeout=300)
        if code != 0:
            failures.append(f"exit code {code} after closing during a run")
        if tree_of(second, os.path.basename(program)) != expected:
            failures.append("a run whose window was closed did not finish the collection")
    finally:
        if process.poll() is None:
            process.kill()

    for failure in failures:
        print("FAIL:", failure)
    print(f"{0 if failures else 1} passed, {1 if failures else 0} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
