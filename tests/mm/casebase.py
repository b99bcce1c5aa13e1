"""What the cases of mm_smoke.py share: the failure they raise, bringing ModemManager up, and
the three views of the messages that the cases compare from the outside (the program's
database, the SIM as the simulator holds it, ModemManager's list)."""

import re
import sqlite3
import time

import mmrig
import smspdu

SENDER = "+15550100999"
RECIPIENT = "+15550100444"
# The simulator's demonstration SIM: three messages in four parts (one in two parts).
STORED = {"+15550100777", "+15550100555", "+79001234567"}
STORED_PARTS = 4
MBIM_PORT = 7  # MMModemPortType: MM_MODEM_PORT_TYPE_MBIM
NET_PORT = 2  # MM_MODEM_PORT_TYPE_NET


class Failure(Exception):
    pass


def check(condition, text):
    if not condition:
        raise Failure(text)


def bring_up(rig, steps):
    t = time.monotonic()
    rig.start_modemmanager()
    rig.report_ports()
    rig.wait_modem()
    steps["modem found"] = time.monotonic() - t
    t = time.monotonic()
    rig.enable()
    modem = rig.wait_registered()
    steps["enabled and registered"] = time.monotonic() - t
    check(modem["3gpp"]["registration-state"] == "home", "registration state %s" % modem["3gpp"]["registration-state"])


# --- the program's database ----------------------------------------------------------------


def database_pdus(database):
    """The stored PDUs of the program's [Messages]; [] while it is not made yet or being written.
    Read without locks (immutable): a reader's lock at the moment the program stores a message
    makes its insert fail at once, and the message then stays on the SIM until the next read."""
    try:
        con = sqlite3.connect("file:%s?mode=ro&immutable=1" % database, uri=True, timeout=2)
        try:
            return [row[0] for row in con.execute("SELECT [Message] FROM [Messages] ORDER BY [ID]")]
        finally:
            con.close()
    except sqlite3.Error:
        return []


def database_rows(database):
    return len(database_pdus(database))


def database_messages(database):
    """Whole messages in the database: {(number, text)} of those with every part stored."""
    return {(number, text) for number, text, have, total in smspdu.messages(database_pdus(database)) if have == total}


# --- the SIM and ModemManager's list -------------------------------------------------------


def digits(number):
    return re.sub(r"\D", "", number or "")


def sim_messages(rig):
    """The SIM's messages, whole or not: [(number, text, parts stored, parts total)]."""
    return smspdu.messages(pdu for _, _, pdu in rig.sim_storage())


def received_in_mm(rig):
    """ModemManager's received messages (what it read from the SIM or was told of), flattened."""
    return [sms for sms in rig.list_sms() if sms.get("pdu-type") == "deliver"]


def stale_in_mm(rig):
    """What ModemManager lists as received that the SIM no longer holds: [(number, text)]."""
    on_sim = {(digits(number), text) for number, text, _, _ in sim_messages(rig)}
    # A multipart message ModemManager lists once whole; the SIM may hold its parts only.
    partial = [(digits(number), text) for number, text, have, total in sim_messages(rig) if have < total]
    stale = []
    for sms in received_in_mm(rig):
        key = (digits(sms["number"]), sms["text"])
        if key in on_sim or any(key[0] == n and t in key[1] for n, t in partial):
            continue
        stale.append((sms["number"], (sms["text"] or "")[:40]))
    return stale


def wait_settled(rig, database, expected, timeout, steps=None, name=None):
    """Waits until every (number, text) of `expected` is whole in the database, the SIM holds
    none of them and ModemManager lists nothing the SIM does not hold; Failure says which of the
    three did not come true."""
    t = time.monotonic()
    wanted = {(digits(n), text) for n, text in expected}
    state = {}

    def settled():
        stored = {(digits(n), text) for n, text in database_messages(database)}
        state["missing"] = sorted(wanted - stored)
        state["on_sim"] = [(n, text[:40]) for n, text, _, _ in sim_messages(rig) if (digits(n), text) in wanted or
                           any(digits(n) == w[0] and text in w[1] for w in wanted)]
        if state["missing"] or state["on_sim"]:
            return False
        state["stale"] = stale_in_mm(rig)
        return not state["stale"]

    try:
        mmrig.wait_for(settled, timeout, "the messages settled", 0.3)
    except mmrig.RigError:
        if state.get("missing"):
            raise Failure("not in the program's database after %g s: %s" % (timeout, state["missing"]))
        if state.get("on_sim"):
            raise Failure("still on the SIM after %g s: %s" % (timeout, state["on_sim"]))
        raise Failure("ModemManager lists messages the SIM no longer holds: %s" % state.get("stale"))
    if steps is not None and name:
        steps[name] = time.monotonic() - t


def check_stored_once(database, before, parts):
    """The database holds `parts` more rows than `before`, no PDU twice: a part stored again
    (a read answered before its deletion, handled after it) would also keep its index pending,
    so that the next message there is never read. Looked at a moment after settling, when a
    second copy would have come."""
    time.sleep(1)
    pdus = database_pdus(database)
    twice = sorted({pdu[:40] for pdu in pdus if pdus.count(pdu) > 1})
    check(not twice, "the program stored parts twice: %s" % twice)
    check(len(pdus) == before + parts, "%d rows in the database, not %d" % (len(pdus), before + parts))


def check_no_refusal(rig):
    """ModemManager refuses a message stored at an index its list still holds ("already taken")."""
    refused = [line for line in rig.mm_log().splitlines() if "already taken" in line]
    check(not refused, "ModemManager refused messages: %s" % refused[:3])
