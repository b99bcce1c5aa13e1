"""The cases of mm_smoke.py where Parlowen (the desktop program or parlowen-cli) and ModemManager
drive the modem at the same time, checked from the outside: the program's database, the SIM as
the simulator holds it, ModemManager's list and the simulator's log."""

import re
import subprocess
import time

import mmrig
from casebase import (STORED_PARTS, Failure, bring_up, check, check_no_refusal, check_stored_once, database_rows,
                      received_in_mm, wait_settled)

LONG = ("The second part of this one arrives first; it is %s and goes on long enough to need two parts "
        "on the way, so that whoever reads it must wait for its other half before anything is shown.")


def deliver_three(rig, database, steps, tag):
    """The network delivers a single message, a two-part one with its parts out of order and a
    UCS2 one, one after another; each must end up whole in the program's database, off the SIM,
    and not in ModemManager's list. Returns what was delivered."""
    messages = [("+15550100901", "A single one, %s" % tag, ()),
                ("+15550100902", LONG % tag, ("--order", "2,1")),
                ("+15550100903", "Юникод, %s: ✓ €" % tag, ("--ucs2",))]
    t = time.monotonic()
    before = database_rows(database)
    parts = 0
    for sender, text, flags in messages:
        parts += rig.deliver(sender, text, *flags)
    check(parts == 4, "the simulator made %d parts of the three messages, not 4" % parts)
    expected = [(sender, text) for sender, text, _ in messages]
    wait_settled(rig, database, expected, 25)
    steps["3 messages (%s) settled" % tag] = time.monotonic() - t
    check_stored_once(database, before, parts)
    # ModemManager read each one: it listed it, then the program deleted it there.
    log = rig.mm_log()
    for sender, text, _ in messages:
        check(sender in log, "ModemManager never read the message from %s" % sender)
    check_no_refusal(rig)
    return expected


def take_stored(rig, database, steps, name):
    t = time.monotonic()
    mmrig.wait_for(lambda: database_rows(database) == STORED_PARTS and not rig.sim_storage(), 30,
                   "the program to take the SIM's %d stored parts" % STORED_PARTS, 0.3)
    steps[name] = time.monotonic() - t


def program_alive(rig):
    check(rig.program.poll() is None, "the program ended with %s" % rig.program.returncode)


def check_sharing(rig, times=1):
    """The program's log says so each time ModemManager began to share the modem."""
    shares = rig.program_log().count("ModemManager shares this modem")
    check(shares >= times, "the program's log says %d times that ModemManager shares the modem, not %d" %
          (shares, times))


def case_program_messages(rig, steps):
    """ModemManager first, then the program; then messages of each kind while both run."""
    bring_up(rig, steps)
    database = rig.start_program()
    take_stored(rig, database, steps, "program took the stored parts")
    deliver_three(rig, database, steps, "ModemManager first")
    check_sharing(rig)
    check(rig.state() == "registered", "ModemManager's modem is %s" % rig.state())
    program_alive(rig)
    return "%d rows in the database, the SIM and ModemManager's list empty, nothing refused" % database_rows(database)


def case_program_first(rig, steps):
    """The program first, owning the modem alone; ModemManager then probes it through the
    same mbim-proxy and must register and stay registered beside the program."""
    t = time.monotonic()
    database = rig.start_program()
    # Nobody else lists the SIM: the program deletes directly.
    take_stored(rig, database, steps, "program alone took the stored parts")
    bring_up(rig, steps)
    first = rig.modem_path
    time.sleep(4)
    check(rig.modems() == [first], "ModemManager's modems %s, not %s, 4 s after registering" % (rig.modems(), first))
    modem = rig.modem()
    check(modem["generic"]["state"] == "registered", "ModemManager's modem is %s 4 s after registering" %
          modem["generic"]["state"])
    steps["up to registered, then 4 s"] = time.monotonic() - t
    mmrig.wait_for(lambda: rig.program_log().count("ModemManager shares this modem"), 10,
                   "the program to notice ModemManager", 0.3)
    deliver_three(rig, database, steps, "the program first")
    check(rig.state() == "registered", "ModemManager's modem is %s after the messages" % rig.state())
    program_alive(rig)
    return "registered and stayed so beside the program; %d rows in the database, nothing left in ModemManager" % (
        database_rows(database))


def submitted(rig, number, since):
    """The parts the simulated network took for `number` since the log mark."""
    return [m.group(1) for m in (re.search(r"SMS (\d+) to (\S+)$", line) for line in rig.sim_log()[since:])
            if m and m.group(2) == number]


def case_send_both(rig, steps):
    """A two-part message from parlowen-cli and one from ModemManager, at the same time, while
    the program runs too: each part reaches the network exactly once."""
    bring_up(rig, steps)
    database = rig.start_program()
    take_stored(rig, database, steps, "program took the stored parts")
    ours, theirs = "+15550100601", "+15550100602"
    text = ("Sent from %s beside the other, long enough for two parts: every part must reach the network once "
            "and only once, whoever else talks to the modem through the proxy at the same moment.")
    mark = rig.sim_log_mark()
    t = time.monotonic()
    cli = rig.spawn_client("parlowen-cli sms-send", [rig.cli_binary, "--json", "sms-send", ours, text % "Parlowen"],
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    path = rig.send_sms(theirs, text % "ModemManager")
    steps["ModemManager sent"] = time.monotonic() - t
    try:
        out, err = cli.communicate(timeout=30)
    except subprocess.TimeoutExpired:
        raise Failure("parlowen-cli sms-send did not end within 30 s")
    steps["parlowen-cli sent"] = time.monotonic() - t
    check(cli.returncode == 0, "parlowen-cli sms-send failed (%d): %s %s" % (cli.returncode, out.strip(), err.strip()))
    sent = rig.sms(path)
    check(sent["state"] == "sent", "ModemManager's message is %s" % sent["state"])
    # A part sent twice would come within this time.
    time.sleep(3)
    cli_parts, mm_parts = submitted(rig, ours, mark), submitted(rig, theirs, mark)
    check(len(cli_parts) == 2, "the network got %d parts from parlowen-cli, not 2: %s" % (len(cli_parts), cli_parts))
    check(len(mm_parts) == 2, "the network got %d parts from ModemManager, not 2: %s" % (len(mm_parts), mm_parts))
    check(len(out.splitlines()) == 2 and all('"ok":true' in line.replace(" ", "") for line in out.splitlines()),
          "parlowen-cli reported %r" % out)
    check(rig.state() == "registered", "ModemManager's modem is %s after sending" % rig.state())
    check(not received_in_mm(rig), "ModemManager lists received messages: %s" % received_in_mm(rig))
    program_alive(rig)
    return "parlowen-cli 2 parts (references %s), ModemManager 2 parts (references %s), each once" % (
        "/".join(cli_parts), "/".join(mm_parts))


def ussd_state(rig):
    return rig.mmcli("-m", rig.modem_path, "--3gpp-ussd-status")["modem"]["3gpp"]["ussd"]["status"]


def case_ussd_both(rig, steps):
    """A USSD dialogue of one side open; the other side's request is refused as busy and the
    open dialogue goes on to its end. Both ways round."""
    bring_up(rig, steps)
    # ModemManager's menu open: parlowen-cli is refused clearly, the menu still answers.
    t = time.monotonic()
    menu = rig.mmcli("-m", rig.modem_path, "--3gpp-ussd-initiate=*101#", json_out=False)
    check("Simnet services" in menu, "ModemManager's *101# answered %r" % menu)
    check(ussd_state(rig) == "user-response", "ModemManager's USSD state %s with the menu open" % ussd_state(rig))
    refused = rig.cli("ussd", "*100#", timeout=30)
    check(refused.returncode == 1, "parlowen-cli ussd *100# beside ModemManager's menu exited %d: %s %s" %
          (refused.returncode, refused.stdout.strip(), refused.stderr.strip()))
    check("busy" in refused.stderr and "another program has a USSD session" in refused.stderr,
          "parlowen-cli's refusal does not say the device is busy: %r" % refused.stderr)
    check("Balance" not in refused.stdout, "parlowen-cli got an answer: %r" % refused.stdout)
    answer = rig.mmcli("-m", rig.modem_path, "--3gpp-ussd-respond=1", json_out=False)
    check("Balance: 12.50 EUR." in answer, "ModemManager's answer to its menu: %r" % answer)
    check(ussd_state(rig) == "idle", "ModemManager's USSD state %s after its dialogue" % ussd_state(rig))
    steps["ModemManager's dialogue, parlowen-cli refused"] = time.monotonic() - t

    # parlowen-cli's menu open: its answers are held back by slow replies, so that its menu
    # waits long enough for ModemManager's request to come in between.
    t = time.monotonic()
    mark = rig.sim_log_mark()
    check(rig.sim_command("delay 1500") == "ok", "the simulator did not take the delay")
    cli = rig.spawn_client("parlowen-cli ussd", [rig.cli_binary, "ussd", "*101#", "9", "1"],
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    rig.wait_sim_log(r"USSD request \*101#$", 20, mark)
    mm_refused = rig.mmcli("-m", rig.modem_path, "--3gpp-ussd-initiate=*100#", json_out=False, check=False)
    try:
        out, err = cli.communicate(timeout=30)
    except subprocess.TimeoutExpired:
        raise Failure("parlowen-cli ussd did not end within 30 s")
    check(rig.sim_command("delay 0") == "ok", "the simulator did not take the delay")
    log = rig.sim_log()[mark:]
    notes = [line for line in log if "USSD" in line]
    check(mm_refused is None, "ModemManager's *100# beside parlowen-cli's menu was answered: %r" % mm_refused)
    order = [i for i, line in enumerate(notes) if re.search(r"USSD (request \*101#$|request \*100# refused|answer 1$)",
                                                             line)]
    check(len(order) == 3 and "refused" in notes[order[1]],
          "the simulator's USSD notes are not *101#, the refusal, answer 1: %s" % notes)
    check(cli.returncode == 0 and "Balance: 12.50 EUR." in out,
          "parlowen-cli's dialogue did not end well (%d): %r %r" % (cli.returncode, out, err))
    steps["parlowen-cli's dialogue, ModemManager refused"] = time.monotonic() - t
    # ModemManager marks its session active before it asks and leaves it so when the device
    # refuses: until a cancel it refuses its own next request ("a session is already active").
    # The cancel only once parlowen-cli's dialogue is over: it would end that one too.
    left = ussd_state(rig)
    check(left in ("idle", "active"), "ModemManager's USSD state %s after its refused request" % left)
    stuck = rig.mmcli("-m", rig.modem_path, "--3gpp-ussd-initiate=*100#", json_out=False, check=False)
    if left == "active":
        check(stuck is None, "ModemManager in its active state answered %r" % stuck)
        rig.mmcli("-m", rig.modem_path, "--3gpp-ussd-cancel", json_out=False)
        stuck = rig.mmcli("-m", rig.modem_path, "--3gpp-ussd-initiate=*100#", json_out=False, check=False)
    check(stuck is not None and "Balance: 12.50 EUR." in stuck, "ModemManager's *100# afterwards answered %r" % stuck)
    return ("each side refused while the other's menu waited, both menus answered to their end; ModemManager's "
            "USSD state after its refusal: %s%s" % (left, ", cancelled" if left == "active" else ""))


def case_replug_both(rig, steps):
    """The modem is unplugged and plugged in again while the program and ModemManager both use
    it: both take it up again and the program still deletes through ModemManager."""
    bring_up(rig, steps)
    # A given path: the program polls it, the fake sysfs sends no udev events.
    database = rig.start_program("--device", rig.control_node)
    take_stored(rig, database, steps, "program took the stored parts")
    first = rig.modem_path
    t = time.monotonic()
    rig.unplug()
    rig.wait_no_modem()
    mmrig.wait_for(lambda: "no longer shares this modem" in rig.program_log(), 10,
                   "the program to see ModemManager drop the modem", 0.3)
    steps["unplugged"] = time.monotonic() - t
    t = time.monotonic()
    rig.replug()
    second = rig.wait_modem()
    check(second != first, "the replugged modem kept its object path %s" % second)
    rig.enable()
    rig.wait_registered()
    mmrig.wait_for(lambda: "shares this modem (%s of %s)" % (rig.control[1], second) in rig.program_log(), 15,
                   "the program to see ModemManager share the replugged modem", 0.3)
    steps["replugged, registered and shared"] = time.monotonic() - t
    t = time.monotonic()
    text = "After the replug, for both"
    before = database_rows(database)
    rig.deliver("+15550100904", text)
    wait_settled(rig, database, [("+15550100904", text)], 20)
    steps["message after the replug settled"] = time.monotonic() - t
    check_stored_once(database, before, 1)
    check("+15550100904" in rig.mm_log(), "ModemManager never read the message after the replug")
    check_no_refusal(rig)
    check(rig.state() == "registered", "ModemManager's modem is %s" % rig.state())
    program_alive(rig)
    return "modem %s -> %s, registered again; %d rows in the database, ModemManager's list true" % (
        first, second, database_rows(database))


CASES = {"program_messages": case_program_messages, "program_first": case_program_first,
         "send_both": case_send_both, "ussd_both": case_ussd_both, "replug_both": case_replug_both}
