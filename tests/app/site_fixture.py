"""Starts or stops the sample site for a test run on a free loopback port.

usage: site_fixture.py start|stop --state DIR [--port N]
start leaves DIR/port (the port) and DIR/pid; stop ends the server.
"""
import argparse
import os
import signal
import subprocess
import sys
import time

SITE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "site", "sample_site.py")


def start(state: str, port: int) -> int:
    stop(state)
    os.makedirs(state, exist_ok=True)
    port_file = os.path.join(state, "port")
    if os.path.exists(port_file):
        os.remove(port_file)
    log = open(os.path.join(state, "site.log"), "w")
    process = subprocess.Popen([sys.executable, SITE, "--port", str(port), "--port-file", port_file],
                               stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                               start_new_session=True)
    with open(os.path.join(state, "pid"), "w") as f:
        f.write(str(process.pid))
    for _ in range(300):
        if os.path.exists(port_file):
            return 0
        if process.poll() is not None:
            break
        time.sleep(0.05)
    print("the sample site did not start; see", log.name)
    return 1


def stop(state: str) -> int:
    pid_file = os.path.join(state, "pid")
    if not os.path.exists(pid_file):
        return 0
    with open(pid_file) as f:
        pid = int(f.read())
    os.remove(pid_file)
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        return 0
    for _ in range(100):
        try:
            os.kill(pid, 0)
        except ProcessLookupError:
            return 0
        time.sleep(0.05)
    os.kill(pid, signal.SIGKILL)
    return 0


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("action", choices=["start", "stop"])
    parser.add_argument("--state", required=True)
    parser.add_argument("--port", type=int, default=0, help="0 picks a free port")
    args = parser.parse_args()
    sys.exit(start(args.state, args.port) if args.action == "start" else stop(args.state))
