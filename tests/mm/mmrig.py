"""A test rig: Debian's ModemManager driving the simulated modem, with nothing of the machine
touched.

    import mmrig
    mmrig.enter_namespaces()            # first thing in main(): re-runs the script isolated
    with mmrig.Rig(build_dir) as rig:
        rig.start_modemmanager()
        rig.report_ports()
        rig.wait_modem()
        rig.enable()
        rig.wait_registered()
        rig.deliver("+15550100999", "hello")
        rig.wait_sms(lambda sms: sms["text"] == "hello")

What it is made of, and why:

- Namespaces. enter_namespaces() runs the script again under `unshare --net --pid --mount-proc
  --fork --kill-child`, so the script is process 1 of its own PID namespace. mbim-proxy listens
  on an abstract socket, which belongs to the network namespace: a private one keeps the test's
  proxy apart from the machine's. libmbim starts mbim-proxy detached (its own process group,
  reparented to process 1), so it escapes any process-group kill; in a PID namespace the kernel
  kills every process left when process 1 ends, even when the script is killed with SIGKILL
  (--kill-child passes unshare's own death on to the script). The work folder is a tmpfs mounted
  in the private mount namespace, so a killed run leaves at most an empty folder behind.
- One private D-Bus bus (bus.conf, no service activation) serves as session and system bus.
  ModemManager runs with --test-session; polkit (asked by ModemManager before each client call
  and reached on the system bus) is polkit_stub.py, which allows everything.
- A fake sysfs from umockdev: `umockdev-run -d DESCRIPTION -- holder` builds the testbed and
  keeps it while the holder runs; ModemManager and the clients join it through the two variables
  umockdev-run sets in its child (LD_PRELOAD=libumockdev-preload.so.0, UMOCKDEV_DIR). The
  preload sends /sys to the testbed and /dev to the testbed's dev/ first. The testbed's
  dev/<port> is the simulator's --link, a symbolic link to its pseudo-terminal: the preload
  rewrites only the path it is given, the kernel then follows the link to the real /dev/pts/N.
  Its stat() still reports a character device 180:176 (from the description's `dev`
  attribute), so the node looks like a real cdc-wdm one; realpath() gives /dev/pts/N.
  mbim-proxy, which libmbim spawns from ModemManager, inherits both variables (seen in its
  /proc/PID/environ, with the preload in its maps) and so opens the same terminal; ModemManager
  itself holds no descriptor of the terminal, only its connection to the proxy. The description files carry comments,
  which umockdev does not read: the rig gives it a copy without them. The drivers' folders
  (sys/bus/*/drivers/NAME), which the `driver` links point at, are made by hand.
- ModemManager without udev learns of ports only through `mmcli --report-kernel-event`: the net
  port first (it refuses an MBIM modem without one), then the control port.

Everything started is stopped in close(), with bounded waits, whether the test passed or not;
the ModemManager log, the simulator's log and the program's log stay in the work folder until
then and their tails are printed when a test fails. PARLOWEN_MM_KEEP=DIR copies them to DIR;
PARLOWEN_MM_MONITOR=1 adds a log of every message on the rig's bus (dbus-monitor).
"""

import importlib.util
import json
import os
import re
import shlex
import shutil
import signal
import subprocess
import tempfile
import threading
import time

from rigbase import (MBIM_DUMP, SKIP, SYSTEM_PYTHON, Interrupted, Lines, RigError, enter_namespaces,
                     in_namespaces, set_closing, set_deadline, stop_process, tail, wait_for)

# What a test needs comes from here, the rig's process side included.
__all__ = ["Rig", "USB", "PCIE", "SKIP", "Interrupted", "RigError", "enter_namespaces", "set_deadline",
           "wait_for"]

HERE = os.path.dirname(os.path.abspath(__file__))
MODEMMANAGER = "/usr/sbin/ModemManager"
PRELOAD = "libumockdev-preload.so.0"

# The two fake machines: the description file, the control port (subsystem, name) and the net
# port (subsystem, name).
USB = ("usb-mbim.umockdev", ("usbmisc", "cdc-wdm0"), ("net", "wwan0"))
PCIE = ("pcie-wwan.umockdev", ("wwan", "wwan0mbim0"), ("net", "mhi_hwip0"))


# --- the rig -------------------------------------------------------------------------------


class Rig:
    """The whole setup. Use as a context manager, or call start() and close() yourself."""

    def __init__(self, build_dir=None, machine=USB, sim_args=(), verbose=False, simulator=None, cli=None,
                 program=None):
        """build_dir: where the programs are (tools/modemsim, tools/cli, parlowen); simulator,
        cli and program name them one by one instead. machine: USB or PCIE."""
        if not in_namespaces():
            raise RigError("call mmrig.enter_namespaces() first: the rig must not touch the machine's "
                           "network, buses or devices")
        build = os.path.abspath(build_dir) if build_dir else None

        def binary(given, *parts):
            return os.path.abspath(given) if given else (os.path.join(build, *parts) if build else None)

        self.simulator_binary = binary(simulator, "tools", "modemsim", "parlowen-modemsim")
        self.cli_binary = binary(cli, "tools", "cli", "parlowen-cli")
        self.program_binary = binary(program, "parlowen", "parlowen")
        self.description, self.control, self.net = machine
        self.sim_args = list(sim_args)
        self.verbose = verbose
        self.work = None
        self.mounted = False
        self.procs = []  # (name, Popen), started order
        self.readers = []
        self.files = []
        self.bus = None
        self.polkit = None
        self.testbed = None
        self.testbed_dir = None
        self.sim = None
        self.sim_out = None
        self.sim_err = None
        self.mm = None
        self.program = None
        self.modem_path = None
        self.env = None
        self.client_env = None
        self._dbus = None
        self._stash = None
        self.started_at = time.monotonic()

    # -- logging

    def log(self, text):
        print("[%6.2f] %s" % (time.monotonic() - self.started_at, text), flush=True)

    def debug(self, text):
        if self.verbose:
            self.log(text)

    # -- life

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.close(failed=True)
            raise
        return self

    def __exit__(self, kind, value, tb):
        self.close(failed=kind is not None)
        return False

    def _spawn(self, name, argv, **kwargs):
        self.debug("start %s: %s" % (name, " ".join(shlex.quote(a) for a in argv)))
        if kwargs.pop("text", False):
            # Whatever the locale: a stray byte must not end a reader thread.
            kwargs.update(encoding="utf-8", errors="replace")
        proc = subprocess.Popen(argv, **kwargs)
        self.procs.append((name, proc))
        return proc

    def _log_file(self, name):
        f = open(self.path(name), "w", encoding="utf-8")
        self.files.append(f)
        return f

    def _reader(self, pipe, name):
        reader = Lines(pipe, self.path(name))
        self.readers.append(reader)
        return reader

    def path(self, *parts):
        return os.path.join(self.work, *parts)

    def start(self):
        """The bus, the polkit stand-in, the fake sysfs and the simulator; not ModemManager."""
        if not self.simulator_binary or not os.access(self.simulator_binary, os.X_OK):
            raise RigError("no simulator at %s: build the target parlowen-modemsim" % self.simulator_binary)
        for program, package in ((MODEMMANAGER, "modemmanager"), ("mmcli", "modemmanager"),
                                 ("umockdev-run", "umockdev"), ("dbus-daemon", "dbus-daemon"),
                                 ("/usr/libexec/mbim-proxy", "libmbim-proxy"), ("mount", "mount")):
            if not shutil.which(program):
                raise RigError("%s is missing: install the Debian package %s" % (program, package))
        # The polkit stand-in and the rig's own D-Bus calls use GLib's Gio.
        if importlib.util.find_spec("gi") is None:
            raise RigError("python3-gi is missing: install the Debian package python3-gi")
        self.work = tempfile.mkdtemp(prefix="parlowen-mm-")
        # A tmpfs of the private mount namespace: what a killed run leaves goes with it.
        self.mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "mode=0700,size=64m", "parlowen-mm", self.work],
                                      stderr=subprocess.DEVNULL).returncode == 0
        self._start_bus()
        if os.environ.get("PARLOWEN_MM_MONITOR") and shutil.which("dbus-monitor"):
            # Every message on the rig's bus, for PARLOWEN_MM_KEEP.
            self._spawn("dbus-monitor", ["dbus-monitor", "--address", self.env["DBUS_SESSION_BUS_ADDRESS"]],
                        stdin=subprocess.DEVNULL, stdout=self._log_file("monitor.log"), stderr=subprocess.STDOUT)
        self._start_polkit()
        self._start_testbed()
        self._start_simulator()

    def _start_bus(self):
        address = "unix:path=" + self.path("bus")
        self.bus = self._spawn("dbus-daemon", ["dbus-daemon", "--config-file=" + os.path.join(HERE, "bus.conf"),
                                               "--address=" + address, "--nofork", "--nopidfile", "--print-address=1"],
                               stdout=subprocess.PIPE, stderr=self._log_file("dbus.log"), text=True)
        lines = self._reader(self.bus.stdout, "dbus-address")
        lines.wait(r"^unix:", 10, what="dbus-daemon")
        self.env = dict(os.environ)
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_STARTER_ADDRESS", "DBUS_STARTER_BUS_TYPE"):
            self.env.pop(name, None)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        self.env["DBUS_SYSTEM_BUS_ADDRESS"] = address

    def _start_polkit(self):
        self.polkit = self._spawn("polkit stand-in", [SYSTEM_PYTHON, os.path.join(HERE, "polkit_stub.py")],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  stderr=self._log_file("polkit.log"), env=self.env, text=True)
        lines = self._reader(self.polkit.stdout, "polkit.out")
        lines.wait(r"^ready$", 15, what="the polkit stand-in")

    def _start_testbed(self):
        description = self.path(self.description)
        with open(os.path.join(HERE, self.description)) as src, open(description, "w") as dst:
            dst.write("".join(line for line in src if not line.startswith("#")).lstrip("\n"))
        holder = "import os, sys; print(os.environ['UMOCKDEV_DIR'], flush=True); sys.stdin.read()"
        env = dict(self.env, TMPDIR=self.work)
        argv = ["umockdev-run", "-d", description, "--", SYSTEM_PYTHON, "-c", holder]
        self.testbed = self._spawn("umockdev-run", argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                   stderr=self._log_file("umockdev.log"), env=env, text=True)
        lines = self._reader(self.testbed.stdout, "testbed-dir")
        _, m = lines.wait(r"^/.+", 15, what="umockdev-run")
        self.testbed_dir = m.group(0)
        sysfs = os.path.join(self.testbed_dir, "sys")
        # The `driver` links point at the bus's driver folders, which umockdev does not make.
        for root, dirs, files in os.walk(os.path.join(sysfs, "devices")):
            for name in dirs + files:
                if name == "driver":
                    link = os.path.join(root, name)
                    target = os.path.normpath(os.path.join(root, os.readlink(link)))
                    os.makedirs(target, exist_ok=True)
        self.client_env = dict(self.env)
        preload = self.env.get("LD_PRELOAD")
        self.client_env["LD_PRELOAD"] = PRELOAD + (":" + preload if preload else "")
        self.client_env["UMOCKDEV_DIR"] = self.testbed_dir

    @property
    def control_node(self):
        """The control port as ModemManager and the clients name it."""
        return "/dev/" + self.control[1]

    def _start_simulator(self):
        link = os.path.join(self.testbed_dir, "dev", self.control[1])
        argv = [self.simulator_binary, "--verbose", "--link", link] + self.sim_args
        self.sim = self._spawn("parlowen-modemsim", argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, text=True, bufsize=1)
        self.sim_out = self._reader(self.sim.stdout, "modemsim.out")
        self.sim_err = self._reader(self.sim.stderr, "modemsim.log")
        index, _ = self.sim_out.wait(r"^/", 15, what="parlowen-modemsim")
        self.sim_cursor = index + 1  # answers to commands follow the device path
        self.sim_lock = threading.Lock()

    # -- ModemManager

    def start_modemmanager(self, timeout=20):
        self.mm = self._spawn("ModemManager", [MODEMMANAGER, "--test-session", "--test-no-udev", "--debug",
                                               "--log-file=" + self.path("mm.log")],
                              stdin=subprocess.DEVNULL, stdout=self._log_file("mm.out"),
                              stderr=subprocess.STDOUT, env=self.client_env)

        def owned():
            if self.mm.poll() is not None:
                raise RigError("ModemManager ended with %s" % self.mm.returncode)
            return self.name_has_owner("org.freedesktop.ModemManager1")

        wait_for(owned, timeout, "ModemManager on the bus")

    def stop_modemmanager(self, grace=10):
        if self.mm is not None:
            stop_process(self.mm, "ModemManager", grace, self.log)
        self.modem_path = None

    def mmcli(self, *args, json_out=True, timeout=20, check=True):
        """Runs mmcli on the rig's bus; its JSON parsed (json_out) or its text."""
        argv = ["mmcli", "--test-session", "--timeout=%d" % max(1, int(timeout))]
        argv += (["-J"] if json_out else []) + list(args)
        try:
            done = subprocess.run(argv, env=self.env, capture_output=True, encoding="utf-8",
                                  errors="replace", timeout=timeout + 5)
        except subprocess.TimeoutExpired:
            raise RigError("mmcli %s did not end" % " ".join(args))
        self.debug("mmcli %s -> %d %s" % (" ".join(args), done.returncode, (done.stdout + done.stderr).strip()[:300]))
        if done.returncode != 0:
            if check:
                raise RigError("mmcli %s failed (%d): %s" % (" ".join(args), done.returncode, done.stderr.strip()))
            return None
        if not json_out:
            return done.stdout
        try:
            return json.loads(done.stdout) if done.stdout.strip() else {}
        except ValueError:
            raise RigError("mmcli %s printed no JSON: %r" % (" ".join(args), done.stdout[:200]))

    def report_port(self, action, port):
        subsystem, name = port
        self.mmcli("--report-kernel-event=action=%s,subsystem=%s,name=%s" % (action, subsystem, name), json_out=False)

    def report_ports(self, action="add"):
        """Tells ModemManager of the ports as udev would: the net port first, then the control port."""
        ports = [self.net, self.control] if action == "add" else [self.control, self.net]
        for port in ports:
            self.report_port(action, port)

    def modems(self):
        return self.mmcli("-L").get("modem-list", [])

    def wait_modem(self, timeout=30):
        """The object path of the modem ModemManager made of the ports."""
        self.modem_path = wait_for(lambda: (self.modems() or [None])[0], timeout, "a modem in ModemManager", 0.25)
        return self.modem_path

    def wait_no_modem(self, timeout=30):
        wait_for(lambda: not self.modems(), timeout, "ModemManager to drop the modem", 0.25)
        self.modem_path = None

    def modem(self):
        return self.mmcli("-m", self.modem_path)["modem"]

    def state(self):
        return self.modem()["generic"]["state"]

    def enable(self, timeout=30):
        self.mmcli("-m", self.modem_path, "--enable", json_out=False, timeout=timeout)

    def wait_registered(self, timeout=30):
        def registered():
            modem = self.modem()
            return modem if modem["generic"]["state"] in ("registered", "connected") else None

        return wait_for(registered, timeout, "the modem to register", 0.25)

    # -- messages in ModemManager

    def sms_paths(self):
        return self.mmcli("-m", self.modem_path, "--messaging-list-sms").get("modem.messaging.sms", [])

    def sms(self, path):
        """One message as mmcli shows it, flattened: path, number, text, state, pdu-type,
        storage, timestamp, smsc, ... (mmcli's "--" for none becomes None)."""
        data = self.mmcli("-s", path)["sms"]
        out = {"path": data.get("dbus-path", path)}
        for group in ("content", "properties"):
            for key, value in data.get(group, {}).items():
                out[key] = None if value == "--" else value
        return out

    def list_sms(self):
        return [self.sms(path) for path in self.sms_paths()]

    def wait_sms(self, predicate, timeout=20, what="the message in ModemManager's list"):
        """The first message in ModemManager's list for which predicate(sms) is true."""

        def find():
            for path in self.sms_paths():
                sms = self.sms(path)
                if predicate(sms):
                    return sms
            return None

        return wait_for(find, timeout, what, 0.3)

    def send_sms(self, number, text, timeout=30):
        """Creates the message in ModemManager and sends it; returns its object path."""
        if "'" in text and '"' in text:
            raise RigError("mmcli's key=value list cannot quote a text holding both quote marks")
        quote = '"' if "'" in text else "'"
        out = self.mmcli("-m", self.modem_path,
                         "--messaging-create-sms=number=%s,text=%s%s%s" % (number, quote, text, quote), json_out=False)
        m = re.search(r"(/org/freedesktop/ModemManager1/SMS/\d+)", out)
        if not m:
            raise RigError("mmcli did not name the message it made: %r" % out)
        self.mmcli("-s", m.group(1), "--send", json_out=False, timeout=timeout)
        return m.group(1)

    def delete_sms(self, path):
        """Deletes through mmcli (Messaging.Delete on the bus)."""
        self.mmcli("-m", self.modem_path, "--messaging-delete-sms=" + path, json_out=False)

    # -- the bus itself (Gio), for what mmcli does not show

    def dbus(self):
        if self._dbus is None:
            from gi.repository import Gio
            self._dbus = Gio.DBusConnection.new_for_address_sync(
                self.env["DBUS_SESSION_BUS_ADDRESS"],
                Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
                None, None)
        return self._dbus

    def call(self, name, path, interface, method, args=None, signature=None, timeout=20):
        """A D-Bus call; the reply unpacked into Python values."""
        from gi.repository import GLib, Gio
        params = GLib.Variant(signature, args) if signature else None
        try:
            reply = self.dbus().call_sync(name, path, interface, method, params, None, Gio.DBusCallFlags.NONE,
                                          int(timeout * 1000), None)
        except GLib.Error as e:
            raise RigError("%s.%s on %s: %s" % (interface, method, path, e.message))
        return reply.unpack() if reply is not None else None

    def name_has_owner(self, name):
        return self.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
                         (name,), "(s)")[0]

    def properties(self, path, interface):
        return self.call("org.freedesktop.ModemManager1", path, "org.freedesktop.DBus.Properties", "GetAll",
                         (interface,), "(s)")[0]

    def modem_properties(self):
        return self.properties(self.modem_path, "org.freedesktop.ModemManager1.Modem")

    def messaging_delete(self, sms_path):
        """org.freedesktop.ModemManager1.Modem.Messaging.Delete(o), straight on the bus."""
        self.call("org.freedesktop.ModemManager1", self.modem_path, "org.freedesktop.ModemManager1.Modem.Messaging",
                  "Delete", (sms_path,), "(o)")

    # -- the simulator

    def sim_command(self, line, until=None, timeout=15):
        """Sends one line to the simulator's standard input; returns its answer (one line, or
        the lines up to the one matching `until`)."""
        with self.sim_lock:
            if self.sim.poll() is not None:
                raise RigError("the simulator ended with %s" % self.sim.returncode)
            self.sim.stdin.write(line + "\n")
            self.sim.stdin.flush()
            index, _ = self.sim_out.wait(until or r"", timeout, self.sim_cursor, what="simulator answer to %r" % line)
            with self.sim_out.cond:
                answer = self.sim_out.lines[self.sim_cursor:index + 1]
            self.sim_cursor = index + 1
        self.debug("simulator %r -> %s" % (line, " | ".join(answer)))
        return "\n".join(answer)

    def deliver(self, sender, text, *flags):
        """The network delivers a message (`sms [FLAGS] SENDER TEXT`); returns the number of parts."""
        answer = self.sim_command(" ".join(["sms"] + list(flags) + [sender, text]))
        m = re.match(r"ok (\d+) parts?$", answer)
        if not m:
            raise RigError("the simulator refused the message: %s" % answer)
        return int(m.group(1))

    def sim_storage(self):
        """The SIM's messages as the simulator holds them: [(index, status, pdu hex)]."""
        text = self.sim_command("storage", until=r"^PIN ")
        return [(int(m.group(1)), m.group(2), m.group(3))
                for m in re.finditer(r"^  (\d+) (new|old|draft|sent|\?) ([0-9A-F]+)$", text, re.M)]

    def sim_log(self):
        """The simulator's log lines so far."""
        with self.sim_err.cond:
            return list(self.sim_err.lines)

    def sim_log_mark(self):
        """Where the simulator's log is now; give it to wait_sim_log to look only after it."""
        return self.sim_err.count()

    def wait_sim_log(self, pattern, timeout=15, since=0):
        """The first line of the simulator's log (its --verbose lines) matching pattern."""
        return self.sim_err.wait(pattern, timeout, since, what="simulator log")[1]

    # -- unplugging

    def unplug(self, report=True):
        """The modem goes: the simulator closes its terminal, its sysfs entries leave the testbed
        (kept aside for replug) and, with report, ModemManager hears the remove events."""
        # The node goes first, as with a real device. The simulator leaves its link naming the
        # closed terminal, whose number the next pseudo-terminal anywhere on the machine gets:
        # a program polling the path would open that one (another test's modem) instead.
        node = os.path.join(self.testbed_dir, "dev", self.control[1])
        if os.path.islink(node):
            os.unlink(node)
        answer = self.sim_command("unplug")
        if answer != "ok":
            raise RigError("the simulator could not unplug: %s" % answer)
        self._stash_sysfs()
        if report:
            self.report_ports("remove")

    def replug(self, report=True):
        """The modem comes back on a new terminal (the link follows it); returns the new path."""
        self._restore_sysfs()
        path = self.sim_command("replug")
        if not path.startswith("/"):
            raise RigError("the simulator could not replug: %s" % path)
        if report:
            self.report_ports("add")
        return path

    def _device_root(self):
        """The physical device's folder in the testbed: the nearest folder above the control
        port with a USB (idVendor) or PCI (vendor) identity."""
        sysfs = os.path.join(self.testbed_dir, "sys")
        folder = os.path.realpath(os.path.join(sysfs, "class", self.control[0], self.control[1]))
        while folder.startswith(os.path.join(sysfs, "devices") + os.sep):
            if os.path.exists(os.path.join(folder, "idVendor")) or os.path.exists(os.path.join(folder, "vendor")):
                return folder
            folder = os.path.dirname(folder)
        raise RigError("no device folder above the port %s in the testbed" % self.control[1])

    def _stash_sysfs(self):
        if self._stash:
            return
        sysfs = os.path.join(self.testbed_dir, "sys")
        root = self._device_root()
        stash = os.path.join(self.work, "unplugged")
        moved = []
        for base, dirs, files in os.walk(sysfs):
            if base.startswith(os.path.join(sysfs, "devices")):
                continue
            for name in dirs + files:
                link = os.path.join(base, name)
                target = os.path.realpath(link)
                if os.path.islink(link) and (target == root or target.startswith(root + os.sep)):
                    moved.append(link)
        moved.append(root)
        for item in moved:
            target = os.path.join(stash, os.path.relpath(item, sysfs))
            os.makedirs(os.path.dirname(target), exist_ok=True)
            os.rename(item, target)
        self._stash = [(os.path.join(stash, os.path.relpath(item, sysfs)), item) for item in moved]

    def _restore_sysfs(self):
        for stashed, item in reversed(self._stash or []):
            os.rename(stashed, item)
        self._stash = None

    # -- clients beside ModemManager

    def client(self, argv, timeout=30, check=False):
        """Runs a program in the rig: on its bus, in its fake sysfs, beside its mbim-proxy."""
        try:
            done = subprocess.run(argv, env=self.client_env, capture_output=True, encoding="utf-8",
                                  errors="replace", timeout=timeout)
        except subprocess.TimeoutExpired:
            raise RigError("%s did not end within %g s" % (os.path.basename(argv[0]), timeout))
        if check and done.returncode != 0:
            raise RigError("%s failed (%d): %s" % (" ".join(argv), done.returncode, done.stderr.strip()))
        return done

    def cli(self, *args, timeout=30, check=False):
        """parlowen-cli with the given arguments; without --device it finds the modem in the
        fake sysfs (cdc_mbim ports) and opens it through ModemManager's mbim-proxy."""
        if not self.cli_binary or not os.access(self.cli_binary, os.X_OK):
            raise RigError("no parlowen-cli at %s: build the target parlowen-cli" % self.cli_binary)
        return self.client([self.cli_binary] + list(args), timeout=timeout, check=check)

    def spawn_client(self, name, argv, **kwargs):
        """A long-running program in the rig; close() stops it."""
        kwargs.setdefault("env", self.client_env)
        return self._spawn(name, argv, **kwargs)

    def start_program(self, *args, settings=""):
        """The desktop program in the rig (offscreen, a home of its own, its own database),
        finding the modem in the fake sysfs as on a real machine; close() stops it. `settings`
        is added to its settings file. Returns the database's path."""
        if not self.program_binary or not os.access(self.program_binary, os.X_OK):
            raise RigError("no parlowen at %s: build the target parlowen" % self.program_binary)
        home = self.path("home")
        for folder in ("config/Corvaline", "data"):
            os.makedirs(os.path.join(home, folder), exist_ok=True)
        os.makedirs(os.path.join(home, "runtime"), mode=0o700, exist_ok=True)
        with open(os.path.join(home, "config", "Corvaline", "Parlowen.conf"), "w") as f:
            f.write("[Settings]\nCloseConfirmation=0\n" + settings)
        env = dict(self.client_env, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_DATA_HOME=os.path.join(home, "data"), XDG_RUNTIME_DIR=os.path.join(home, "runtime"),
                   QT_QPA_PLATFORM="offscreen", CANBERRA_DRIVER="null")
        database = self.path("parlowen.db")
        # The program writes its log beside its executable when that file is there: a copy of
        # it runs here, so that its log is the rig's and not the build folder's.
        binary = self.path("bin", "parlowen")
        if not os.path.exists(binary):
            os.makedirs(os.path.dirname(binary), exist_ok=True)
            shutil.copy2(self.program_binary, binary)
            open(self.program_log_path(), "a").close()
        log = self._log_file("parlowen.out")
        self.program = self._spawn("parlowen", [binary, "--database", database] + list(args),
                                   stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT, env=env)
        return database

    def program_log_path(self):
        return self.path("bin", "parlowen.log")

    def program_log(self):
        """The program's own log (its device and application lines)."""
        try:
            with open(self.program_log_path(), errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    # -- diagnosis

    def diagnose(self):
        if not self.work:
            return
        for name, path, skip in (("ModemManager log", self.path("mm.log"), MBIM_DUMP),
                                 ("simulator log", self.path("modemsim.log"), None),
                                 ("umockdev-run", self.path("umockdev.log"), None),
                                 ("polkit stand-in", self.path("polkit.log"), None),
                                 ("program's output", self.path("parlowen.out"), None),
                                 ("program's log", self.program_log_path(), None)):
            lines = tail(path, 40, skip)
            if lines:
                print("---- last lines of the %s (%s)" % (name, path), flush=True)
                for line in lines:
                    print("    " + line[:240])
        for name, proc in self.procs:
            code = proc.poll()
            if code is not None and code != 0 and name != "ModemManager":
                print("---- %s ended with %s" % (name, code))

    def mm_log(self):
        try:
            with open(self.path("mm.log"), errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    # -- teardown

    def close(self, failed=False):
        """Stops everything, bounded; prints the logs' tails when failed."""
        if self.work is None:
            return
        set_closing(True)
        try:
            self._close(failed)
        finally:
            set_closing(False)

    def _close(self, failed):
        if failed:
            self.diagnose()
        keep = os.environ.get("PARLOWEN_MM_KEEP")
        if keep:
            # The logs only: the testbed holds links to terminals, which a copy would read forever.
            os.makedirs(keep, exist_ok=True)
            for name in os.listdir(self.work):
                source = os.path.join(self.work, name)
                if os.path.isfile(source) and not os.path.islink(source):
                    shutil.copy(source, keep)
            if os.path.exists(self.program_log_path()):
                shutil.copy(self.program_log_path(), keep)
            self.log("logs kept in %s" % keep)
        if self._dbus is not None:
            try:
                self._dbus.close_sync(None)
            except Exception:
                pass
            self._dbus = None
        # Clients and ModemManager first, so they let go of the modem; then the simulator, the
        # testbed (its holder ends when its input closes), the polkit stand-in and the bus.
        for name, proc in reversed(self.procs):
            if proc is self.sim:
                try:
                    proc.stdin.write("quit\n")
                    proc.stdin.flush()
                    proc.wait(timeout=5)
                except (OSError, ValueError, subprocess.TimeoutExpired):
                    pass
            elif proc.stdin is not None and proc.poll() is None:
                try:
                    proc.stdin.close()
                    proc.wait(timeout=5)
                except (OSError, subprocess.TimeoutExpired):
                    pass
            stop_process(proc, name, 10 if proc is self.mm else 3, self.log)
        self._kill_strays()
        for reader in self.readers:
            reader.close()
        self.readers = []
        for f in self.files:
            f.close()
        self.files = []
        for _, proc in self.procs:
            for stream in (proc.stdin, proc.stdout, proc.stderr):
                if stream:
                    try:
                        stream.close()
                    except OSError:
                        pass
        self.procs = []
        if self.mounted:
            subprocess.run(["umount", "-l", self.work], stderr=subprocess.DEVNULL)
        shutil.rmtree(self.work, ignore_errors=True)
        self.work = None

    def _kill_strays(self):
        """What nobody here started directly (mbim-proxy, started by libmbim and reparented to
        process 1): every other process of the PID namespace is killed and reaped."""
        me = os.getpid()
        for attempt in range(2):
            pids = [int(p) for p in os.listdir("/proc") if p.isdigit() and int(p) != me]
            if not pids:
                break
            for pid in pids:
                try:
                    with open("/proc/%d/comm" % pid) as f:
                        comm = f.read().strip()
                except OSError:
                    continue
                self.debug("stopping stray process %d (%s)" % (pid, comm))
                try:
                    os.kill(pid, signal.SIGTERM if attempt == 0 else signal.SIGKILL)
                except ProcessLookupError:
                    pass
            deadline = time.monotonic() + 3
            while time.monotonic() < deadline:
                try:
                    pid, _ = os.waitpid(-1, os.WNOHANG)
                except ChildProcessError:
                    break
                if pid == 0:
                    time.sleep(0.05)
                    if not any(p.isdigit() and int(p) != me for p in os.listdir("/proc")):
                        break
        # Reap what is left without blocking.
        while True:
            try:
                pid, _ = os.waitpid(-1, os.WNOHANG)
            except ChildProcessError:
                break
            if pid == 0:
                break
