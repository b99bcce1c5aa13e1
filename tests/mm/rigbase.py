"""The process side of the ModemManager rig (mmrig.py): namespaces, signals and deadlines,
bounded waits, output read by threads, processes stopped with bounded waits."""

import os
import re
import shutil
import signal
import subprocess
import sys
import threading
import time

SKIP = 77
SYSTEM_PYTHON = "/usr/bin/python3"  # python3-gi is a Debian package, not in other Pythons
NS_MARK = "PARLOWEN_MM_NAMESPACE"


class RigError(Exception):
    pass


class Interrupted(BaseException):
    """A signal asked the run to stop; raised so that close() still runs."""


# --- namespaces ----------------------------------------------------------------------------


def in_namespaces():
    return os.environ.get(NS_MARK) == "1" and os.getpid() == 1


def enter_namespaces():
    """Runs this script again as process 1 of new network, PID and mount namespaces (does not
    return in the caller's process). Exits with 77 when the machine cannot make them."""
    if in_namespaces():
        for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            # Process 1 ignores signals it has no handler for.
            signal.signal(sig, _interrupt)
        return
    unshare = shutil.which("unshare")
    if not unshare:
        print("SKIP: no unshare program to make a network namespace with")
        sys.exit(SKIP)
    base = ["--net", "--pid", "--mount-proc", "--fork", "--kill-child"]
    variants = [base]
    if os.geteuid() != 0:
        variants.append(["--user", "--map-root-user"] + base)
    why = ""
    for variant in variants:
        try:
            probe = subprocess.run([unshare] + variant + ["true"], capture_output=True, text=True, timeout=20)
        except subprocess.TimeoutExpired:
            why = "unshare did not answer"
            continue
        if probe.returncode == 0:
            env = dict(os.environ)
            env[NS_MARK] = "1"
            sys.stdout.flush()
            sys.stderr.flush()
            # The system interpreter: python3-gi is a Debian package, not in other Pythons.
            python = SYSTEM_PYTHON if os.access(SYSTEM_PYTHON, os.X_OK) else sys.executable
            os.execve(unshare, [unshare] + variant + ["--", python] + sys.argv, env)
        why = probe.stderr.strip() or "unshare exited with %d" % probe.returncode
    print("SKIP: this machine cannot create a network namespace (%s)" % why)
    sys.exit(SKIP)


_closing = False


def set_closing(closing):
    """While closing, signals and the deadline no longer interrupt."""
    global _closing
    _closing = closing


def _interrupt(signum, frame):
    # A signal during close() must not cut the cleanup short; close() is bounded anyway.
    if not _closing:
        raise Interrupted("the run's deadline passed" if signum == signal.SIGALRM else "signal %d" % signum)


def set_deadline(seconds):
    """Interrupted is raised after `seconds` (0: no deadline), so that a hang ends in close()."""
    signal.signal(signal.SIGALRM, _interrupt)
    signal.alarm(int(seconds))


# --- small helpers -------------------------------------------------------------------------


def wait_for(check, timeout, what, interval=0.2):
    """Calls check() until it returns something true; RigError after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = check()
            if value:
                return value
        except RigError as e:
            last_error = e
        if time.monotonic() >= deadline:
            raise RigError("timed out after %g s waiting for %s%s" %
                           (timeout, what, " (last error: %s)" % last_error if last_error else ""))
        time.sleep(interval)


class Lines:
    """The lines of one output pipe, read by a thread, kept in order and written to a file."""

    def __init__(self, pipe, path):
        self.lines = []
        self.ended = False
        self.cond = threading.Condition()
        self.file = open(path, "w", encoding="utf-8")
        self.path = path
        self.thread = threading.Thread(target=self._read, args=(pipe,), daemon=True)
        self.thread.start()

    def _read(self, pipe):
        for line in pipe:
            line = line.rstrip("\n")
            with self.cond:
                self.lines.append(line)
                if not self.file.closed:
                    self.file.write(line + "\n")
                    self.file.flush()
                self.cond.notify_all()
        with self.cond:
            self.ended = True
            self.cond.notify_all()

    def count(self):
        with self.cond:
            return len(self.lines)

    def wait(self, pattern, timeout, start=0, what=None):
        """The first line from index `start` on that matches `pattern`: (index, match)."""
        regex = re.compile(pattern)
        deadline = time.monotonic() + timeout
        i = start
        with self.cond:
            while True:
                while i < len(self.lines):
                    m = regex.search(self.lines[i])
                    if m:
                        return i, m
                    i += 1
                left = deadline - time.monotonic()
                if self.ended or left <= 0:
                    raise RigError("%s: no line matching %r within %g s%s" %
                                   (what or "output", pattern, timeout, " (the stream ended)" if self.ended else ""))
                self.cond.wait(left)

    def close(self):
        self.thread.join(timeout=5)
        with self.cond:
            self.file.close()


def stop_process(proc, name, grace=5.0, log=None):
    """SIGTERM, a bounded wait, then SIGKILL; every wait bounded."""
    if proc is None or proc.poll() is not None:
        return
    try:
        proc.terminate()
        proc.wait(timeout=grace)
    except subprocess.TimeoutExpired:
        if log:
            log("%s did not end within %g s of SIGTERM; killing it" % (name, grace))
        proc.kill()
        try:
            proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            if log:
                log("%s did not end after SIGKILL" % name)


def tail(path, lines=40, skip=None):
    try:
        with open(path, errors="replace") as f:
            text = f.read().splitlines()
    except OSError:
        return []
    if skip:
        text = [t for t in text if not skip.search(t)]
    return text[-lines:]


# ModemManager's debug log dumps every MBIM message; these lines are left out of the tails.
MBIM_DUMP = re.compile(r"^(<<<<<<|>>>>>>|\s*$)|\] (sent|received) message")
