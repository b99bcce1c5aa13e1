#!/usr/bin/env python3
"""Receive soak: the real parlowen on the simulated modem, both in their own processes.

Messages are delivered in bursts while the program is killed and restarted, the modem is
unplugged and replugged, the database is made unwritable and the modem's replies are slowed.
At the end every delivered message (class 0 aside) must be in the database or still on the SIM.
Exit status: 0 nothing lost, 1 a loss or an unexplained duplicate, 2 the run itself failed.
"""

import argparse
import json
import os
import queue
import random
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time


def log(text):
    print(text, flush=True)


# --- PDU keys ------------------------------------------------------------------------------
# A message is known by its sender (unique per delivered message) and part number; a status
# report by its recipient (unique per report) and message reference.


def semi_octets(data, digits):
    out = []
    for b in data:
        out.append(b & 0x0F)
        out.append(b >> 4)
    return "".join("%X" % d for d in out[:digits])


def pdu_key(hex_text):
    """('D', sender, part) or ('R', recipient, reference); None when not understood."""
    try:
        b = bytes.fromhex(hex_text)
        pos = 1 + b[0]  # service centre
        first = b[pos]
        pos += 1
        mti = first & 0x03
        if mti == 0:  # SMS-DELIVER
            digits = b[pos]
            sender = semi_octets(b[pos + 2:pos + 2 + (digits + 1) // 2], digits)
            pos += 2 + (digits + 1) // 2
            pos += 2 + 7 + 1  # PID, DCS, timestamp, UDL
            part, total = 1, 1
            if first & 0x40:  # user data header
                udhl = b[pos]
                i = pos + 1
                while i < pos + 1 + udhl:
                    iei, length = b[i], b[i + 1]
                    if iei == 0x00:
                        total, part = b[i + 3], b[i + 4]
                    elif iei == 0x08:
                        total, part = b[i + 4], b[i + 5]
                    i += 2 + length
            return ("D", sender, part)
        if mti == 2:  # SMS-STATUS-REPORT
            reference = b[pos]
            digits = b[pos + 1]
            recipient = semi_octets(b[pos + 3:pos + 3 + (digits + 1) // 2], digits)
            return ("R", recipient, reference)
    except (ValueError, IndexError):
        pass
    return None


# --- the simulated modem -------------------------------------------------------------------


class Modem:
    def __init__(self, binary, state, link, workdir):
        self.proc = subprocess.Popen(
            [binary, "--empty", "--state", state, "--link", link],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=open(os.path.join(workdir, "modemsim.err"), "w"),
            text=True, bufsize=1)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        self.path = self.lines.get(timeout=20)
        self.lock = threading.Lock()

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def command(self, line):
        """Sends one command; returns its one-line answer."""
        with self.lock:
            self.proc.stdin.write(line + "\n")
            self.proc.stdin.flush()
            answer = self.lines.get(timeout=30)
            if answer is None:
                raise RuntimeError("the simulated modem ended")
            return answer

    def quit(self):
        try:
            self.proc.stdin.write("quit\n")
            self.proc.stdin.flush()
        except BrokenPipeError:
            pass
        try:
            self.proc.wait(timeout=15)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


# --- making the database unwritable --------------------------------------------------------


class DiskFaults:
    """Chooses a means that stops SQLite's writes here: as another user chmod of the folder
    (SQLite needs it for its journal); as root, where permissions do not hold, a small tmpfs
    under the folder that is filled up, else chattr +i on the folder."""

    def __init__(self, folder):
        self.folder = folder
        self.means = "chmod"
        self.mounted = False
        self.active = False
        if os.geteuid() == 0:
            if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=8m,mode=0700", "tmpfs", folder],
                              stderr=subprocess.DEVNULL).returncode == 0:
                self.means = "full tmpfs"
                self.mounted = True
            elif self._chattr("+i") and self._chattr("-i"):
                self.means = "chattr +i"
            else:
                self.means = None  # no means: the fault is skipped, and said so

    def _chattr(self, flag):
        return subprocess.run(["chattr", flag, self.folder], stderr=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL).returncode == 0

    def start(self):
        if self.active or self.means is None:
            return False
        if self.means == "chmod":
            os.chmod(self.folder, 0o500)
        elif self.means == "chattr +i":
            if not self._chattr("+i"):
                return False
        else:
            # Fill every free block; a few KiB may be left in partial blocks, so fill with
            # small files until the file system refuses.
            n = 0
            try:
                with open(os.path.join(self.folder, "filler"), "wb") as f:
                    while True:
                        f.write(b"\0" * 65536)
                        f.flush()
            except OSError:
                pass
            try:
                while True:
                    with open(os.path.join(self.folder, "filler%d" % n), "wb") as f:
                        f.write(b"\0" * 512)
                    n += 1
            except OSError:
                pass
        self.active = True
        return True

    def stop(self):
        if not self.active:
            return
        if self.means == "chmod":
            os.chmod(self.folder, 0o700)
        elif self.means == "chattr +i":
            self._chattr("-i")
        else:
            for name in os.listdir(self.folder):
                if name.startswith("filler"):
                    os.unlink(os.path.join(self.folder, name))
        self.active = False

    def close(self):
        self.stop()
        if self.mounted:
            subprocess.run(["umount", "-l", self.folder])


# --- the program ---------------------------------------------------------------------------


class Program:
    def __init__(self, binary, workdir, link, database):
        self.binary = binary
        self.link = link
        self.database = database
        self.home = os.path.join(workdir, "home")
        self.err = open(os.path.join(workdir, "parlowen.err"), "a")
        self.proc = None
        config = os.path.join(self.home, "config", "Corvaline")
        os.makedirs(config, exist_ok=True)
        os.makedirs(os.path.join(self.home, "data"), exist_ok=True)
        os.makedirs(os.path.join(self.home, "runtime"), mode=0o700, exist_ok=True)
        with open(os.path.join(config, "Parlowen.conf"), "w") as f:
            # The receive timer brings back what a fault left on the SIM without a new arrival.
            f.write("[Settings]\nCloseConfirmation=0\n\n[SMS]\nReceiveTimerEnabled=1\nReceiveTimerInterval=15\n")
        self.env = dict(os.environ)
        self.env.update({
            "HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, "config"),
            "XDG_DATA_HOME": os.path.join(self.home, "data"),
            "XDG_RUNTIME_DIR": os.path.join(self.home, "runtime"),
            "QT_QPA_PLATFORM": "offscreen",
            "CANBERRA_DRIVER": "null",
        })
        self.env.pop("DBUS_SESSION_BUS_ADDRESS", None)

    def start(self):
        self.err.write("--- start %s\n" % time.strftime("%H:%M:%S"))
        self.err.flush()
        self.proc = subprocess.Popen([self.binary, "--device", self.link, "--database", self.database],
                                     env=self.env, stdout=self.err, stderr=self.err, stdin=subprocess.DEVNULL)

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def kill(self):
        if self.proc is not None:
            self.proc.send_signal(signal.SIGKILL)
            self.proc.wait()
            self.proc = None

    def stop(self):
        if self.proc is not None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=15)
            except subprocess.TimeoutExpired:
                self.kill()
            self.proc = None


# --- the run -------------------------------------------------------------------------------


WORDS = ["alpha", "bravo", "charlie", "delta", "echo", "foxtrot", "golf", "hotel", "india", "juliet"]
CYRILLIC = "\u043f\u0440\u0438\u0432\u0435\u0442 \u043c\u0438\u0440"


def message_text(rng, n, ucs2, long):
    words = CYRILLIC if ucs2 else " ".join(rng.choice(WORDS) for _ in range(4))
    text = "soak %d %s" % (n, words)
    if long:
        size = rng.choice([200, 320, 460]) if not ucs2 else rng.choice([100, 150, 200])
        while len(text) < size:
            text += " " + (CYRILLIC if ucs2 else rng.choice(WORDS))
    return text


def sim_messages(state):
    try:
        with open(state) as f:
            return [m["pdu"] for m in json.load(f).get("sms", [])]
    except (OSError, ValueError):
        return []


def db_rows(database):
    """(ID, key, UTC seconds of [TimeStamp]) of every stored message."""
    rows = []
    con = sqlite3.connect("file:%s?mode=ro" % database, uri=True)
    try:
        for ident, pdu, stamp in con.execute(
                "SELECT [ID], [Message], CAST(strftime('%s', [TimeStamp]) AS INTEGER) FROM [Messages]"):
            rows.append((ident, pdu_key(pdu or ""), stamp))
    finally:
        con.close()
    return rows


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True, help="build folder holding parlowen and parlowen-modemsim")
    parser.add_argument("--seconds", type=float, default=120, help="length of the fault phase")
    parser.add_argument("--min-kills", type=int, default=3)
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    args = parser.parse_args()

    seed = args.seed if args.seed is not None else int.from_bytes(os.urandom(4), "little")
    rng = random.Random(seed)
    log("receive soak: seed %d (--seed %d repeats this run), %.0f s of faults, at least %d kills"
        % (seed, seed, args.seconds, args.min_kills))

    program_bin = os.path.join(args.build, "parlowen", "parlowen")
    modem_bin = os.path.join(args.build, "tools", "modemsim", "parlowen-modemsim")
    for b in (program_bin, modem_bin):
        if not os.access(b, os.X_OK):
            log("missing program: " + b)
            return 2

    work = tempfile.mkdtemp(prefix="parlowen-soak-")
    dbdir = os.path.join(work, "db")
    os.makedirs(dbdir, mode=0o700)
    faults = DiskFaults(dbdir)
    database = os.path.join(dbdir, "parlowen.db")
    state = os.path.join(work, "sim.json")
    link = os.path.join(work, "modem")
    log("database faults by: %s" % (faults.means or "none available here (skipped)"))

    modem = Modem(modem_bin, state, link, work)
    program = Program(program_bin, work, link, database)
    expected = {}  # key -> description
    class0 = 0
    delivered_messages = 0
    refused = 0
    kills = unplugs = db_faults = delays = 0
    events = []  # moments at which a stored message's deletion may be lost: kills and unplugs
    timeline = []  # (time, what) of every fault, for the report of a failure
    plugged = True
    crashes = 0
    result = 2
    try:
        program.start()
        time.sleep(3)
        end = time.monotonic() + args.seconds
        n = 0
        fault_until = 0.0
        while time.monotonic() < end or kills < args.min_kills:
            # A burst of deliveries.
            for _ in range(rng.randint(1, 6)):
                n += 1
                sender = "+1555%07d" % n
                kind = rng.random()
                if kind < 0.08:
                    reference = rng.randint(0, 255)
                    recipient = "+1666%07d" % n
                    answer = modem.command("report %s %d" % (recipient, reference))
                    if answer.startswith("ok"):
                        expected[("R", recipient.lstrip("+"))] = (1, "report %d" % n)
                        delivered_messages += 1
                    else:
                        refused += 1
                    continue
                ucs2 = kind < 0.3
                flash = 0.3 <= kind < 0.36
                long = rng.random() < 0.35
                text = message_text(rng, n, ucs2, long)
                options = (" --ucs2" if ucs2 else "") + (" --class0" if flash else "")
                if long:
                    options += " --order " + ",".join(str(i) for i in rng.sample(range(1, 5), 4))
                answer = modem.command("sms%s %s %s" % (options, sender, text))
                if not answer.startswith("ok"):
                    refused += 1  # the SIM was full: the message never reached the modem
                    continue
                # A SIM that fills up during a long message keeps only some parts.
                parts = int(answer.split()[1])
                if flash:
                    class0 += 1
                    continue
                delivered_messages += 1
                expected[("D", sender.lstrip("+"))] = (parts, "message %d" % n)
                time.sleep(rng.uniform(0, 0.2))

            # Faults at random moments.
            now = time.monotonic()
            if faults.active and now >= fault_until:
                faults.stop()
                timeline.append((time.time(), "database fault ends"))
            roll = rng.random()
            if roll < 0.25 or (kills < args.min_kills and now > end - 5):
                time.sleep(rng.uniform(0, 1.5))
                program.kill()
                events.append(time.time())
                timeline.append((time.time(), "kill"))
                kills += 1
                time.sleep(rng.uniform(0, 0.5))
                program.start()
            elif roll < 0.40 and plugged:
                modem.command("unplug")
                events.append(time.time())
                timeline.append((time.time(), "unplug"))
                unplugs += 1
                plugged = False
            elif roll < 0.50 and not faults.active:
                if faults.start():
                    db_faults += 1
                    timeline.append((time.time(), "database fault"))
                    fault_until = now + rng.uniform(1, 6)
            elif roll < 0.60:
                delays += 1
                ms = rng.choice([0, 0, 50, 200, 800])
                modem.command("delay %d" % ms)
                timeline.append((time.time(), "delay %d" % ms))
            if not plugged and rng.random() < 0.6:
                time.sleep(rng.uniform(0, 1))
                modem.command("replug")
                timeline.append((time.time(), "replug"))
                plugged = True
            if not program.alive():
                log("the program ended by itself (status %s); started again" % program.proc.returncode)
                crashes += 1
                program.start()
            time.sleep(rng.uniform(0.1, 1.5))

        # Quiet end: no faults, one more start, and time for the SIM to empty.
        faults.stop()
        modem.command("delay 0")
        if not plugged:
            modem.command("replug")
        program.kill()
        events.append(time.time())
        program.start()
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            time.sleep(1)
            if not sim_messages(state) and os.path.exists(database):
                break
        time.sleep(2)  # the last deletions' confirmations
        program.stop()
        modem.quit()

        on_sim = [pdu_key(p) for p in sim_messages(state)]
        rows = db_rows(database)
        stored_keys = {}
        for ident, key, stamp in rows:
            stored_keys.setdefault(key, []).append(stamp)
        found = {}  # message -> its parts in the database or on the SIM
        for key in list(stored_keys) + on_sim:
            if key is not None:
                found.setdefault(key[:2], set()).add(key[2])
        lost = [k for k, (parts, _) in expected.items() if len(found.get(k, ())) < parts]
        unknown = [r for r in rows if r[1] is None or r[1][:2] not in expected]
        duplicates = 0
        unexplained = []
        for key, stamps in stored_keys.items():
            if len(stamps) < 2:
                continue
            duplicates += len(stamps) - 1
            stamps = sorted(stamps)
            # Allowed only when a kill or an unplug came between the first store and the next
            # (the deletion from the SIM was not confirmed); stamps are whole seconds.
            for first, second in zip(stamps, stamps[1:]):
                if not any(first - 1 <= e <= second + 1 for e in events):
                    unexplained.append((key, first, second))
        left = sum(1 for k in on_sim if k is not None and k[:2] in expected)

        log("delivered: %d messages, %d parts and reports (%d class 0 not stored, %d refused by a full SIM)"
            % (delivered_messages, sum(p for p, _ in expected.values()), class0, refused))
        log("stored: %d rows, %d distinct" % (len(rows), len(stored_keys)))
        log("left on the SIM: %d" % left)
        log("duplicates: %d" % duplicates)
        log("kills: %d, unplugs: %d, database faults: %d, delay changes: %d" % (kills, unplugs, db_faults, delays))
        log("lost: %d" % len(lost))
        for k in sorted(lost)[:20]:
            log("  LOST %s: %d of %d parts found (%s)" % (expected[k][1], len(found.get(k, ())), expected[k][0], k))
        for k, first, second in unexplained[:20]:
            log("  DUPLICATE without a kill or unplug between the copies: %s stored at %s and %s"
                % (k, time.strftime("%H:%M:%S", time.localtime(first)), time.strftime("%H:%M:%S", time.localtime(second))))
        if unexplained:
            for when, what in timeline:
                log("    %s %s" % (time.strftime("%H:%M:%S", time.localtime(when)), what))
        for r in unknown[:20]:
            log("  UNKNOWN row %s" % (r,))
        if crashes:
            log("the program ended by itself %d times" % crashes)
        result = 1 if lost or unexplained or unknown or crashes else 0
        if result:
            log("receive soak FAILED (seed %d); files kept in %s" % (seed, work))
            args.keep = True
            shutil.copy(database, os.path.join(work, "parlowen-copy.db"))
        else:
            log("receive soak passed")
    finally:
        program.kill()
        if modem.proc.poll() is None:
            modem.proc.kill()
        faults.close()
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)
        else:
            log("work folder: " + work)
    return result


if __name__ == "__main__":
    sys.exit(main())
