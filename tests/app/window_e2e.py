"""The program itself in a real X server: the window's size and place, its
texts on a screenshot, a real click, and a clean end when it is closed.

usage: window_e2e.py SCREENSHOT_DIR PROGRAM [--wine]
"""
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import close_window  # noqa: E402

WIDTH, HEIGHT = 282, 118


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


def main() -> int:
    shots, program = sys.argv[1], sys.argv[2]
    wine = "--wine" in sys.argv[3:]
    os.makedirs(shots, exist_ok=True)
    command = ["wine", program] if wine else [program]
    process = subprocess.Popen(command, cwd=os.path.dirname(program))
    failures = []
    try:
        window = find_window(process)
        time.sleep(1.0)
        screen_w, screen_h = (int(v) for v in xdotool("getdisplaygeometry").split())
        g = geometry(window)
        if (g["WIDTH"], g["HEIGHT"]) != (WIDTH, HEIGHT):
            failures.append(f"size {g['WIDTH']}x{g['HEIGHT']}")
        expected = ((screen_w - WIDTH) // 2, (screen_h - HEIGHT) // 2)
        if (g["X"], g["Y"]) != expected:
            failures.append(f"place {g['X']},{g['Y']} instead of {expected}")
        shot = os.path.join(shots, "window-wine.png" if wine else "window.png")
        subprocess.run(["import", "-window", "root", "-crop",
                        f"{WIDTH + 40}x{HEIGHT + 40}+{g['X'] - 20}+{g['Y'] - 20}", shot], check=True)
        # A real click in the middle of the button (88, 48, 96 x 24 in the client area).
        xdotool("mousemove", "--window", str(window), str(88 + 48), str(48 + 12 + (g["HEIGHT"] - HEIGHT)))
        xdotool("click", "1")
        time.sleep(0.5)
        if process.poll() is not None:
            failures.append(f"program ended after a click with {process.returncode}")
        close_window.close(window)
        code = process.wait(timeout=30)
        if code != 0:
            failures.append(f"exit code {code}")
    finally:
        if process.poll() is None:
            process.kill()
    for failure in failures:
        print("FAIL:", failure)
    print(f"{0 if failures else 1} passed, {len(failures) and 1} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
