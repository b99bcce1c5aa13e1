#!/usr/bin/python3
"""Debian's ModemManager drives the simulated modem in the rig (mmrig.py).

Cases (--case):
  smoke   ModemManager finds the modem through the fake sysfs, enables it and registers, lists
          the SIM's stored messages, sees a message the network delivers, and sends one that
          the simulated network receives.
  replug  the modem is unplugged and plugged in again: ModemManager drops it, makes it anew on
          the new terminal and receives on it.
  beside  parlowen-cli finds the modem in the fake sysfs and works beside ModemManager through
          the shared mbim-proxy; both keep seeing new messages.
  program the desktop program beside ModemManager takes the SIM's messages into its database;
          ModemManager's list must stay true and it must still take new messages.
  program_messages  the same, then a single, an out-of-order two-part and a UCS2 message
          delivered while both run: all whole in the database, none left on the SIM or in
          ModemManager's list, none refused by ModemManager.
  program_first  the program first, then ModemManager: it registers and stays registered, and
          the same three messages settle as above.
  send_both  parlowen-cli and ModemManager each send a two-part message at the same time, the
          program running too: each part reaches the network exactly once.
  ussd_both  ModemManager's USSD menu open: parlowen-cli is refused as busy and the menu still
          answers; parlowen-cli's menu open: ModemManager is refused and the menu answers.
  replug_both  unplugged and plugged in with the program and ModemManager on it: registered
          again, and a new message settles as above.
  pcie    a PCIe modem's WWAN port: parlowen-cli and the program find it without --device, and
          the program takes the SIM's messages off through ModemManager.

Exit status: 0 passed, 1 failed, 77 skipped (no network namespace on this machine).
"""

import argparse
import json
import os
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import mm_both  # noqa: E402
import mmrig  # noqa: E402
from casebase import (MBIM_PORT, NET_PORT, RECIPIENT, SENDER, STORED, Failure, bring_up, check,  # noqa: E402
                      database_rows)

def case_smoke(rig, steps):
    bring_up(rig, steps)

    # What ModemManager tells of the modem: the later program matches its own device by these.
    props = rig.modem_properties()
    check(props["Device"] == "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-3", "Device %r" % props["Device"])
    check(props["PrimaryPort"] == "cdc-wdm0", "PrimaryPort %r" % props["PrimaryPort"])
    check(sorted(props["Ports"]) == [("cdc-wdm0", MBIM_PORT), ("wwan0", NET_PORT)], "Ports %r" % props["Ports"])
    check(props["Drivers"] == ["cdc_mbim"], "Drivers %r" % props["Drivers"])
    check(props["EquipmentIdentifier"] == "356938035643809", "EquipmentIdentifier %r" % props["EquipmentIdentifier"])

    stored = rig.list_sms()
    check({sms["number"] for sms in stored} == STORED and len(stored) == 3,
          "ModemManager's list of the stored messages: %s" % [(s["number"], s["text"]) for s in stored])
    check(all(sms["storage"] == "mt" and sms["state"] == "received" for sms in stored),
          "stored messages' storage and state: %s" % [(s["storage"], s["state"]) for s in stored])
    multipart = next(sms for sms in stored if sms["number"] == "+15550100555")
    check(multipart["text"].endswith("Call me if anything is unclear."), "two-part text %r" % multipart["text"])

    t = time.monotonic()
    text = "Delivered at %d, seen by ModemManager" % int(time.time())
    rig.deliver(SENDER, text)
    received = rig.wait_sms(lambda sms: sms["number"] == SENDER and sms["text"] == text)
    steps["delivered message listed"] = time.monotonic() - t
    check(received["state"] == "received" and received["pdu-type"] == "deliver",
          "received message: %s" % json.dumps(received))
    on_sim = rig.sim_storage()
    check(len(on_sim) == 5, "the SIM holds %d messages after the arrival, not 5" % len(on_sim))

    t = time.monotonic()
    mark = rig.sim_log_mark()
    path = rig.send_sms(RECIPIENT, "Sent by ModemManager, with a comma")
    line = rig.wait_sim_log(r"SMS (\d+) to (\S+)", since=mark)
    steps["sent message reached the network"] = time.monotonic() - t
    check(line.group(2) == RECIPIENT, "the simulator got a message to %s" % line.group(2))
    sent = rig.sms(path)
    check(sent["state"] == "sent" and sent["message-reference"] == line.group(1),
          "sent message in ModemManager: %s" % json.dumps(sent))
    return "registered, %d stored + 1 delivered message listed, 1 sent (reference %s)" % (len(stored), line.group(1))


def case_replug(rig, steps):
    bring_up(rig, steps)
    first = rig.modem_path
    t = time.monotonic()
    rig.unplug()
    rig.wait_no_modem()
    steps["unplugged modem dropped"] = time.monotonic() - t
    check(not os.path.exists(os.path.join(rig.testbed_dir, "sys", "class", "usbmisc", "cdc-wdm0")),
          "cdc-wdm0 still in the fake sysfs after unplugging")
    t = time.monotonic()
    rig.replug()
    second = rig.wait_modem()
    check(second != first, "the replugged modem kept its object path %s" % second)
    rig.enable()
    rig.wait_registered()
    steps["replugged modem registered"] = time.monotonic() - t
    text = "After replugging"
    rig.deliver(SENDER, text)
    rig.wait_sms(lambda sms: sms["number"] == SENDER and sms["text"] == text)
    return "modem %s dropped on unplug, %s made on replug, registered and receiving" % (first, second)


def case_beside(rig, steps):
    bring_up(rig, steps)
    opens = sum("open, max control transfer" in line for line in rig.sim_log())
    t = time.monotonic()
    # No --device: the program finds cdc-wdm0 in the fake sysfs, as on a real machine.
    listed = rig.cli("--json", "sms-list", timeout=30)
    steps["parlowen-cli sms-list"] = time.monotonic() - t
    check(listed.returncode == 0, "parlowen-cli sms-list failed (%d): %s" % (listed.returncode, listed.stderr))
    rows = [json.loads(line) for line in listed.stdout.splitlines() if line.strip()]
    check(len(rows) == 4 and {row["number"] for row in rows} == STORED,
          "parlowen-cli listed %s" % [(row.get("index"), row.get("number")) for row in rows])
    # Through the proxy the program shares ModemManager's session: the modem saw one open only.
    # A second direct reader would have opened it again and stolen ModemManager's answers.
    now = sum("open, max control transfer" in line for line in rig.sim_log())
    check(now == opens, "the modem was opened again (%d opens, then %d): not through mbim-proxy" % (opens, now))

    text = "Seen by both"
    rig.deliver(SENDER, text)
    rig.wait_sms(lambda sms: sms["number"] == SENDER and sms["text"] == text)
    again = rig.cli("--json", "sms-list", timeout=30)
    rows = [json.loads(line) for line in again.stdout.splitlines() if line.strip()]
    check(any(row.get("text") == text for row in rows), "parlowen-cli does not list the new message: %s" % rows)
    check(rig.state() == "registered", "ModemManager's modem is %s after the program's requests" % rig.state())
    check("timed out" not in rig.mm_log().lower(), "ModemManager logged a timeout beside the program")
    return "parlowen-cli listed the SIM through mbim-proxy beside ModemManager; both saw the new message"


def case_program(rig, steps):
    """The desktop program beside ModemManager: what it takes off the SIM must leave
    ModemManager's list true, or ModemManager drops the next message stored at a freed index."""
    bring_up(rig, steps)
    check(len(rig.sms_paths()) == 3, "ModemManager lists %d stored messages, not 3" % len(rig.sms_paths()))
    t = time.monotonic()
    database = rig.start_program()
    # The program keeps what it receives in its database and takes it off the SIM.
    mmrig.wait_for(lambda: database_rows(database) == 4 and not rig.sim_storage(), 30,
                   "the program to take the four stored parts off the SIM", 0.5)
    steps["program took the SIM's messages"] = time.monotonic() - t
    left = rig.list_sms()
    check(not left, "ModemManager still lists %d messages the program took off the SIM: %s" %
          (len(left), [(sms["number"], sms["text"][:20]) for sms in left]))

    t = time.monotonic()
    text = "For the program and ModemManager"
    rig.deliver(SENDER, text)
    mmrig.wait_for(lambda: database_rows(database) == 5, 20, "the new message in the program's database", 0.3)
    steps["new message in the database"] = time.monotonic() - t
    log = rig.mm_log()
    check("already taken" not in log, "ModemManager refused the new message: %s" %
          [line for line in log.splitlines() if "already taken" in line])
    check("UTF-8: " + text in log, "ModemManager never read the new message")
    mmrig.wait_for(lambda: not rig.sim_storage() and not rig.sms_paths(), 10,
                   "the SIM and ModemManager's list both empty again", 0.3)
    check(rig.program.poll() is None, "the program ended with %s" % rig.program.returncode)
    return "the program took 5 messages off the SIM through ModemManager, whose list stayed true"


def case_pcie(rig, steps):
    """A PCIe modem's WWAN port: parlowen-cli and the program find it without --device, beside
    ModemManager, and the program takes the SIM's messages off through ModemManager."""
    bring_up(rig, steps)
    t = time.monotonic()
    listed = rig.cli("--json", "devices", check=True)
    devices = [json.loads(line) for line in listed.stdout.splitlines() if line.strip()]
    paths = [str(device.get("path", device)) for device in devices]
    check(len(devices) == 1 and "wwan0mbim0" in paths[0],
          "parlowen-cli devices listed %s, not the one PCIe port" % listed.stdout.strip())
    steps["parlowen-cli found the port"] = time.monotonic() - t
    t = time.monotonic()
    database = rig.start_program()
    mmrig.wait_for(lambda: database_rows(database) == 4 and not rig.sim_storage(), 30,
                   "the program to take the four stored parts off the SIM", 0.5)
    steps["program took the SIM's messages"] = time.monotonic() - t
    mmrig.wait_for(lambda: not rig.sms_paths(), 10, "ModemManager's list to be empty", 0.3)
    check(rig.program.poll() is None, "the program ended with %s" % rig.program.returncode)
    return "parlowen-cli listed %s; the program found it without --device and took 4 parts off the SIM" % paths[0]


CASES = {"smoke": case_smoke, "replug": case_replug, "beside": case_beside, "program": case_program,
         "pcie": case_pcie}
MACHINES = {"pcie": mmrig.PCIE}
CASES.update(mm_both.CASES)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", help="the build folder, where tools/modemsim and tools/cli are")
    parser.add_argument("--simulator", help="parlowen-modemsim (instead of --build)")
    parser.add_argument("--cli", help="parlowen-cli (instead of --build)")
    parser.add_argument("--program", help="parlowen, the desktop program (instead of --build)")
    parser.add_argument("--case", choices=sorted(CASES), default="smoke")
    parser.add_argument("--verbose", action="store_true", help="log every step and mmcli call")
    parser.add_argument("--deadline", type=float, default=55, help="seconds before the run gives up")
    args = parser.parse_args()
    if not args.build and not args.simulator:
        parser.error("give --build or --simulator")

    mmrig.enter_namespaces()
    # A whole-run bound inside ctest's: a hang ends with the logs printed and everything stopped.
    mmrig.set_deadline(args.deadline)

    started = time.monotonic()
    steps = {}
    try:
        with mmrig.Rig(args.build, machine=MACHINES.get(args.case, mmrig.USB), verbose=args.verbose,
                       simulator=args.simulator, cli=args.cli, program=args.program) as rig:
            summary = CASES[args.case](rig, steps)
    except (Failure, mmrig.RigError, mmrig.Interrupted) as e:
        print("FAIL (%s): %s" % (args.case, e), flush=True)
        return 1
    finally:
        mmrig.set_deadline(0)
    print("PASS (%s, %.1f s): %s" % (args.case, time.monotonic() - started, summary))
    print("   " + ", ".join("%s %.2f s" % (name, seconds) for name, seconds in steps.items()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
