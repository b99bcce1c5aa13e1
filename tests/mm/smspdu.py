"""Decoding the SIM's stored PDUs (as the simulator's `storage` and the program's database hold
them) far enough to compare messages by sender and text: SMS-DELIVER in the GSM 7-bit, 8-bit and
UCS2 alphabets, with concatenation headers. Written apart from the program's decoder, so that a
fault there shows here."""

GSM7 = ("@£$¥èéùìòÇ\nØø\rÅåΔ_ΦΓΛΩΠΨΣΘΞ\x1bÆæßÉ !\"#¤%&'()*+,-./0123456789:;<=>?"
        "¡ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÑÜ§¿abcdefghijklmnopqrstuvwxyzäöñüà")
GSM7_EXT = {0x0A: "\f", 0x14: "^", 0x28: "{", 0x29: "}", 0x2F: "\\", 0x3C: "[", 0x3D: "~", 0x3E: "]", 0x40: "|",
            0x65: "€"}
assert len(GSM7) == 128


def septets(data, count, skip_bits=0):
    """`count` 7-bit values packed in data, after skip_bits fill bits."""
    out = []
    for i in range(count):
        bit = skip_bits + 7 * i
        byte, shift = divmod(bit, 8)
        value = data[byte] >> shift
        if shift > 1:
            value |= data[byte + 1] << (8 - shift)
        out.append(value & 0x7F)
    return out


def gsm7_text(values):
    text, escape = [], False
    for v in values:
        if escape:
            text.append(GSM7_EXT.get(v, " "))
            escape = False
        elif v == 0x1B:
            escape = True
        else:
            text.append(GSM7[v])
    return "".join(text)


def semi_octets(data, digits):
    out = []
    for b in data:
        out += ["%X" % (b & 0x0F), "%X" % (b >> 4)]
    return "".join(out)[:digits].replace("A", "*").replace("B", "#")


def alphabet(dcs):
    """0: GSM 7-bit, 1: 8-bit, 2: UCS2."""
    group = dcs >> 4
    if group <= 7:
        return (dcs >> 2) & 3 if (dcs >> 2) & 3 != 3 else 0
    if group == 0x0E:
        return 2
    if group == 0x0F:
        return 1 if dcs & 0x04 else 0
    return 0


def decode(hex_pdu):
    """A stored DELIVER: dict(number, text, reference, part, total); None for anything else
    (a status report, a submit, garbage)."""
    try:
        b = bytes.fromhex(hex_pdu)
        pos = 1 + b[0]  # the service centre
        first = b[pos]
        pos += 1
        if first & 0x03 != 0:
            return None
        digits, toa = b[pos], b[pos + 1]
        address = b[pos + 2:pos + 2 + (digits + 1) // 2]
        if toa & 0x70 == 0x50:
            number = gsm7_text(septets(address, digits * 4 // 7))
        else:
            number = ("+" if toa & 0x70 == 0x10 else "") + semi_octets(address, digits)
        pos += 2 + (digits + 1) // 2
        dcs = b[pos + 1]
        pos += 2 + 7  # protocol identifier, coding scheme, centre's time stamp
        length = b[pos]
        ud = b[pos + 1:]
        reference, part, total, header = 0, 1, 1, 0
        if first & 0x40:
            header = ud[0] + 1
            i = 1
            while i < header:
                iei, size = ud[i], ud[i + 1]
                if iei == 0x00:
                    reference, total, part = ud[i + 2], ud[i + 3], ud[i + 4]
                elif iei == 0x08:
                    reference, total, part = (ud[i + 2] << 8) | ud[i + 3], ud[i + 4], ud[i + 5]
                i += 2 + size
        kind = alphabet(dcs)
        if kind == 0:
            skip = (header * 8 + 6) // 7  # septets the header takes, fill bits included
            text = gsm7_text(septets(ud, length - skip, skip * 7) if header else septets(ud, length))
        elif kind == 2:
            text = ud[header:length].decode("utf-16-be", errors="replace")
        else:
            text = ud[header:length].decode("latin-1")
        return {"number": number, "text": text, "reference": reference, "part": part, "total": total}
    except (IndexError, ValueError):
        return None


def messages(pdus):
    """Whole messages of stored parts: [(number, text, parts stored, parts total)], a multipart
    message's parts joined in their order (those missing left out)."""
    whole, groups = [], {}
    for pdu in pdus:
        d = decode(pdu)
        if d is None:
            continue
        if d["total"] <= 1:
            whole.append((d["number"], d["text"], 1, 1))
        else:
            groups.setdefault((d["number"], d["reference"], d["total"]), {})[d["part"]] = d["text"]
    for (number, _, total), parts in groups.items():
        whole.append((number, "".join(parts[k] for k in sorted(parts)), len(parts), total))
    return whole
