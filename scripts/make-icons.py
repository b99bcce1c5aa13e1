#!/usr/bin/env python3
"""Draws the program's pictures as SVG and renders their PNG sizes (rsvg-convert, librsvg2-bin).

data/icons/app-N.svg    the six application icons, N = 0 to 5 (0 is the installed `parlowen` icon)
data/icons/tray-N.svg   the ten tray images, N = 0 to 9: 0 normal, 1 something waits,
                        2 no known data class, 3 GPRS, 4 EDGE, 5 UMTS, 6 HSPA, 7 LTE, 8 custom, 9 5G
data/icons/png/         their PNG renderings, which the program compiles in and installs
data/icons/drawn/NAME.svg   the tool bar, folder, header and list pictures for a desktop without an
                        icon theme or without one of its names: NAME is the theme's icon name, or
                        state-WHAT for the state images of the lists
data/icons/drawn/png/   their PNG renderings, compiled into the program

Run it after changing a drawing and commit what it writes.
"""
import pathlib
import subprocess

TOP = pathlib.Path(__file__).resolve().parent.parent
ICONS = TOP / "data" / "icons"
APP_SIZES = (16, 32, 48, 64, 128, 256)
TRAY_SIZES = (16, 22, 32, 48, 64)
FONT = "Liberation Sans, DejaVu Sans, Arial, sans-serif"

# (light, dark) gradient ends of each application icon's tile.
APP_COLOURS = (
    ("#4f9be8", "#1f5fa8"),  # blue
    ("#5cc46a", "#2a7d3a"),  # green
    ("#f5a742", "#c5661a"),  # orange
    ("#ef6a6a", "#b02a2a"),  # red
    ("#a678e0", "#6439a8"),  # violet
    ("#8f9aa6", "#4a5561"),  # slate
)


def tile(light, dark, gid):
    return (f'<defs><linearGradient id="{gid}" x1="0" y1="0" x2="0" y2="1">'
            f'<stop offset="0" stop-color="{light}"/><stop offset="1" stop-color="{dark}"/>'
            f'</linearGradient></defs>'
            f'<rect x="12" y="12" width="232" height="232" rx="52" fill="url(#{gid})"/>')


def app_body(light, dark):
    """A speech bubble with three dots over a tile, and signal bars for the modem."""
    return (tile(light, dark, "tile") +
            '<path d="M76 60h104a32 32 0 0 1 32 32v56a32 32 0 0 1-32 32h-62l-42 36 6-36h-6'
            'a32 32 0 0 1-32-32v-56a32 32 0 0 1 32-32z" fill="#ffffff"/>'
            f'<circle cx="92" cy="120" r="14" fill="{dark}"/>'
            f'<circle cx="128" cy="120" r="14" fill="{dark}"/>'
            f'<circle cx="164" cy="120" r="14" fill="{dark}"/>'
            '<rect x="150" y="204" width="16" height="20" rx="3" fill="#ffffff"/>'
            '<rect x="174" y="190" width="16" height="34" rx="3" fill="#ffffff"/>'
            '<rect x="198" y="174" width="16" height="50" rx="3" fill="#ffffff"/>')


def svg(body, title):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">\n'
            f'<title>{title}</title>\n{body}\n</svg>\n')


def waiting_body():
    light, dark = APP_COLOURS[0]
    return (app_body(light, dark) +
            '<circle cx="204" cy="52" r="46" fill="#e53935" stroke="#ffffff" stroke-width="12"/>')


def label_body(colour, text):
    size = 150 if len(text) == 1 else 118
    return (f'<rect x="12" y="12" width="232" height="232" rx="44" fill="{colour}"/>'
            f'<text x="128" y="{128 + size * 0.36:.0f}" text-anchor="middle" font-family="{FONT}" '
            f'font-weight="bold" font-size="{size}" fill="#ffffff">{text}</text>')


def bars_body(colour):
    """No known data class: the modem's signal bars alone."""
    return (f'<rect x="12" y="12" width="232" height="232" rx="44" fill="{colour}"/>'
            '<rect x="52" y="150" width="36" height="52" rx="6" fill="#ffffff"/>'
            '<rect x="110" y="110" width="36" height="92" rx="6" fill="#ffffff"/>'
            '<rect x="168" y="62" width="36" height="140" rx="6" fill="#ffffff"/>')


# ---------------------------------------------------------------------------------------------
# The drawn pictures: flat shapes in the application icon's colours (its blue tile gradient, white
# inner shapes, round corners), on a 32-unit grid so that 16 and 32 pixels land on whole pixels.

DRAWN = ICONS / "drawn"
DRAWN_SIZES = (16, 22, 24, 32, 48, 64)

# (light, dark) ends of each colour's gradient; blue is the application icon's own.
PALETTE = {
    "blue": ("#4f9be8", "#1f5fa8"),
    "green": ("#5cc46a", "#2a7d3a"),
    "orange": ("#f5a742", "#c5661a"),
    "red": ("#ef6a6a", "#b02a2a"),
    "slate": ("#8f9aa6", "#4a5561"),
    "paper": ("#ffffff", "#e3e8ee"),
    "gold": ("#f7d774", "#c99a2e"),
}
LINE = "#4a5561"


def fill(colour):
    return f"url(#g-{colour})"


def dark(colour):
    return PALETTE[colour][1]


def drawn_svg(body, title):
    stops = "".join(
        f'<linearGradient id="g-{name}" x1="0" y1="0" x2="0" y2="1">'
        f'<stop offset="0" stop-color="{light}"/><stop offset="1" stop-color="{deep}"/></linearGradient>'
        for name, (light, deep) in PALETTE.items())
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">\n'
            f'<title>{title}</title>\n<defs>{stops}</defs>\n{body}\n</svg>\n')


def envelope(x, y, w, h, colour="blue"):
    """A closed envelope: the gradient body and the white fold of its flap."""
    return (f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="2.5" fill="{fill(colour)}" '
            f'stroke="{dark(colour)}" stroke-width="1.5"/>'
            f'<path d="M{x + 3} {y + 3}L{x + w / 2} {y + h * 0.58}L{x + w - 3} {y + 3}" fill="none" '
            f'stroke="#ffffff" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/>')


def open_envelope(x, y, w, h, colour="blue"):
    """An opened envelope with its letter showing."""
    top = y + h * 0.38
    return (f'<path d="M{x} {top}L{x + w / 2} {y}L{x + w} {top}z" fill="{dark(colour)}"/>'
            f'<rect x="{x + 4}" y="{y + 3}" width="{w - 8}" height="{h - 6}" rx="1" fill="#ffffff" '
            f'stroke="{LINE}" stroke-width="1"/>'
            f'<path d="M{x + 7} {y + 7.5}h{w - 14}M{x + 7} {y + 10.5}h{w - 16}" stroke="{LINE}" stroke-width="1.2"/>'
            f'<path d="M{x} {top}L{x + w / 2} {y + h * 0.72}L{x + w} {top}V{y + h - 2}a2 2 0 0 1-2 2'
            f'H{x + 2}a2 2 0 0 1-2-2z" fill="{fill(colour)}" stroke="{dark(colour)}" stroke-width="1.5" '
            f'stroke-linejoin="round"/>')


def page(x, y, w, h, lines=3):
    """A sheet of paper with a folded corner and lines of text."""
    fold = min(w, h) * 0.3
    body = (f'<path d="M{x + 1.5} {y}H{x + w - fold}L{x + w} {y + fold}V{y + h - 1.5}a1.5 1.5 0 0 1-1.5 1.5'
            f'H{x + 1.5}a1.5 1.5 0 0 1-1.5-1.5V{y + 1.5}a1.5 1.5 0 0 1 1.5-1.5z" fill="{fill("paper")}" '
            f'stroke="{LINE}" stroke-width="1.5" stroke-linejoin="round"/>'
            f'<path d="M{x + w - fold} {y}V{y + fold}H{x + w}" fill="#d5dbe2" stroke="{LINE}" stroke-width="1.2" '
            f'stroke-linejoin="round"/>')
    for i in range(lines):
        ly = y + fold + 3 + i * 4
        if ly > y + h - 3:
            break
        length = (w - 7) if i % 2 == 0 else (w - 10)
        body += f'<path d="M{x + 3.5} {ly}h{length}" stroke="{PALETTE["blue"][1]}" stroke-width="1.6" stroke-linecap="round"/>'
    return body


def disc(cx, cy, r, colour):
    return (f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="{fill(colour)}" stroke="{dark(colour)}" '
            f'stroke-width="1.2"/>')


def badge(cx, cy, r, colour, mark):
    """A small round sign over the corner of a picture: plus, check, cross, down, right, clock, bang."""
    s = r * 0.55
    w = max(1.6, r * 0.38)
    pen = f'fill="none" stroke="#ffffff" stroke-width="{w:.2f}" stroke-linecap="round" stroke-linejoin="round"'
    marks = {
        "plus": f'<path d="M{cx - s} {cy}H{cx + s}M{cx} {cy - s}V{cy + s}" {pen}/>',
        "check": f'<path d="M{cx - s} {cy + 0.1 * s}L{cx - 0.25 * s} {cy + 0.8 * s}L{cx + s} {cy - 0.7 * s}" {pen}/>',
        "cross": f'<path d="M{cx - 0.8 * s} {cy - 0.8 * s}L{cx + 0.8 * s} {cy + 0.8 * s}M{cx + 0.8 * s} {cy - 0.8 * s}'
                 f'L{cx - 0.8 * s} {cy + 0.8 * s}" {pen}/>',
        "down": f'<path d="M{cx} {cy - s}V{cy + s}M{cx - 0.8 * s} {cy + 0.2 * s}L{cx} {cy + s}L{cx + 0.8 * s} {cy + 0.2 * s}" {pen}/>',
        "right": f'<path d="M{cx - s} {cy}H{cx + s}M{cx + 0.2 * s} {cy - 0.8 * s}L{cx + s} {cy}L{cx + 0.2 * s} {cy + 0.8 * s}" {pen}/>',
        "clock": f'<path d="M{cx} {cy - s}V{cy}L{cx + 0.7 * s} {cy + 0.5 * s}" {pen}/>',
        "bang": f'<path d="M{cx} {cy - s}V{cy + 0.2 * s}" {pen}/><circle cx="{cx}" cy="{cy + 0.85 * s}" r="{w * 0.6:.2f}" fill="#ffffff"/>',
    }
    return (f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="{fill(colour)}" stroke="#ffffff" stroke-width="1.5"/>'
            + marks[mark])


def person(cx, top, size, colour="blue"):
    """Head and shoulders."""
    r = size * 0.24
    return (f'<circle cx="{cx}" cy="{top + r}" r="{r}" fill="{fill(colour)}" stroke="{dark(colour)}" stroke-width="1.2"/>'
            f'<path d="M{cx - size * 0.45} {top + size}a{size * 0.45} {size * 0.42} 0 0 1 {size * 0.9} 0z" '
            f'fill="{fill(colour)}" stroke="{dark(colour)}" stroke-width="1.2" stroke-linejoin="round"/>')


def bars(x, bottom, colour="blue", count=3, width=4, gap=2, step=5):
    """The signal bars of the application icon."""
    out = ""
    for i in range(count):
        height = 5 + i * step
        out += (f'<rect x="{x + i * (width + gap)}" y="{bottom - height}" width="{width}" height="{height}" '
                f'rx="1" fill="{fill(colour)}" stroke="{dark(colour)}" stroke-width="1"/>')
    return out


def bubble(x, y, w, h, colour="blue"):
    """The speech bubble of the application icon, with its three dots."""
    r = 4
    tail = (f'M{x + w * 0.3} {y + h}l-3 5 8-5')
    dots = "".join(f'<circle cx="{x + w * f}" cy="{y + h / 2}" r="1.8" fill="{dark(colour)}"/>'
                   for f in (0.28, 0.5, 0.72))
    return (f'<path d="{tail}" fill="#ffffff" stroke="{dark(colour)}" stroke-width="1.5" stroke-linejoin="round"/>'
            f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="{r}" fill="#ffffff" stroke="{dark(colour)}" stroke-width="1.5"/>'
            f'<path d="M{x + w * 0.3 - 0.2} {y + h - 0.8}h6.5" stroke="#ffffff" stroke-width="1.6"/>' + dots)


def small_tile(x, y, size, colour="blue"):
    return (f'<rect x="{x}" y="{y}" width="{size}" height="{size}" rx="{size * 0.22:.1f}" fill="{fill(colour)}" '
            f'stroke="{dark(colour)}" stroke-width="1"/>')


def arrow_curve(direction, colour="blue"):
    """A bent arrow for reply (left) and forward (right)."""
    shape = ('<path d="M13 5L3 13.5L13 22V17c7 0 12 2 16 9c-1-10-6-16-16-17z" fill="{f}" stroke="{d}" '
             'stroke-width="1.5" stroke-linejoin="round"/>').format(f=fill(colour), d=dark(colour))
    if direction == "right":
        return f'<g transform="matrix(-1 0 0 1 32 0)">{shape}</g>'
    return shape


def handset(colour="green", transform=""):
    return (f'<path d="M8.5 4.5c1.2-0.8 2.6-0.6 3.4 0.6l2.6 3.9c0.7 1.1 0.5 2.5-0.5 3.3l-1.8 1.4c1.2 2.6 3.4 4.9 6 6.1'
            f'l1.4-1.8c0.8-1 2.2-1.2 3.3-0.5l3.9 2.6c1.2 0.8 1.4 2.3 0.6 3.4l-1.6 2.2c-1.1 1.5-3 2.1-4.8 1.5'
            f'C12.8 24.8 7.2 19.2 4.8 11.6c-0.6-1.8 0-3.7 1.5-4.8z" fill="{fill(colour)}" stroke="{dark(colour)}" '
            f'stroke-width="1.5" stroke-linejoin="round" {transform}/>')


def mobile(x, y, w, h, colour="slate"):
    return (f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="3" fill="{fill(colour)}" stroke="{dark(colour)}" stroke-width="1.5"/>'
            f'<rect x="{x + 2.5}" y="{y + 4}" width="{w - 5}" height="{h - 9}" rx="1" fill="{fill("blue")}"/>'
            f'<circle cx="{x + w / 2}" cy="{y + h - 2.6}" r="1.2" fill="#ffffff"/>')


def gear(cx, cy, r, colour="slate"):
    import math
    points = []
    teeth = 8
    for i in range(teeth * 2):
        a0 = math.pi * 2 * i / (teeth * 2)
        radius = r if i % 2 == 0 else r * 0.78
        for da in (-0.17, 0.17):
            a = a0 + da
            points.append(f"{cx + radius * math.cos(a):.2f} {cy + radius * math.sin(a):.2f}")
    return (f'<path d="M{"L".join(points)}z" fill="{fill(colour)}" stroke="{dark(colour)}" stroke-width="1.3" '
            f'stroke-linejoin="round"/><circle cx="{cx}" cy="{cy}" r="{r * 0.32:.2f}" fill="#ffffff" '
            f'stroke="{dark(colour)}" stroke-width="1.2"/>')


def magnifier(cx, cy, r, colour="blue"):
    return (f'<path d="M{cx + r * 0.7} {cy + r * 0.7}L{cx + r * 1.75} {cy + r * 1.75}" stroke="{LINE}" '
            f'stroke-width="{r * 0.55:.1f}" stroke-linecap="round"/>'
            f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="#ffffff" fill-opacity="0.85" stroke="{fill(colour)}" stroke-width="{r * 0.4:.1f}"/>'
            f'<circle cx="{cx}" cy="{cy}" r="{r * 1.2:.2f}" fill="none" stroke="{dark(colour)}" stroke-width="1"/>')


def pencil(x, y, length, colour="orange"):
    """A pencil lying from bottom left (x, y) up to the right."""
    return (f'<g transform="translate({x} {y}) rotate(-45)">'
            f'<path d="M0 0l4-2.5h{length - 4}v5H4z" fill="{fill(colour)}" stroke="{dark(colour)}" stroke-width="1.2" '
            f'stroke-linejoin="round"/><path d="M0 0l4-2.5v5z" fill="#f3d9b1" stroke="{dark(colour)}" stroke-width="1"/>'
            f'<path d="M0 0l1.6-1v2z" fill="{LINE}"/>'
            f'<rect x="{length - 3}" y="-2.5" width="3" height="5" fill="{fill("slate")}"/></g>')


def padlock(x, y, w, h, colour="gold"):
    return (f'<path d="M{x + w * 0.22} {y + h * 0.45}V{y + h * 0.3}a{w * 0.28} {w * 0.28} 0 0 1 {w * 0.56} 0'
            f'V{y + h * 0.45}" fill="none" stroke="{LINE}" stroke-width="2.4"/>'
            f'<rect x="{x}" y="{y + h * 0.42}" width="{w}" height="{h * 0.58}" rx="2" fill="{fill(colour)}" '
            f'stroke="{dark(colour)}" stroke-width="1.5"/>'
            f'<circle cx="{x + w / 2}" cy="{y + h * 0.66}" r="1.8" fill="{LINE}"/>'
            f'<path d="M{x + w / 2} {y + h * 0.7}v3" stroke="{LINE}" stroke-width="1.6" stroke-linecap="round"/>')


def globe(cx, cy, r, colour="blue"):
    return (f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="{fill(colour)}" stroke="{dark(colour)}" stroke-width="1.5"/>'
            f'<ellipse cx="{cx}" cy="{cy}" rx="{r * 0.45:.2f}" ry="{r}" fill="none" stroke="#ffffff" stroke-width="1.3"/>'
            f'<path d="M{cx - r} {cy}h{2 * r}M{cx - r * 0.85:.2f} {cy - r * 0.5:.2f}h{1.7 * r:.2f}'
            f'M{cx - r * 0.85:.2f} {cy + r * 0.5:.2f}h{1.7 * r:.2f}M{cx} {cy - r}v{2 * r}" '
            f'stroke="#ffffff" stroke-width="1.3"/>')


def calendar(x, y, w, h):
    dots = ""
    for row in range(2):
        for col in range(3):
            dots += (f'<rect x="{x + 4 + col * (w - 8) / 3:.2f}" y="{y + 11 + row * 5}" width="{(w - 8) / 3 - 1.5:.2f}" '
                     f'height="3" rx="0.6" fill="{PALETTE["blue"][1] if (row, col) != (1, 2) else PALETTE["red"][1]}"/>')
    return (f'<rect x="{x}" y="{y + 2}" width="{w}" height="{h - 2}" rx="2.5" fill="{fill("paper")}" stroke="{LINE}" stroke-width="1.5"/>'
            f'<path d="M{x} {y + 9}V{y + 4.5}a2.5 2.5 0 0 1 2.5-2.5h{w - 5}a2.5 2.5 0 0 1 2.5 2.5V{y + 9}z" '
            f'fill="{fill("red")}" stroke="{dark("red")}" stroke-width="1.5"/>'
            f'<path d="M{x + 6} {y}v5M{x + w - 6} {y}v5" stroke="{LINE}" stroke-width="2" stroke-linecap="round"/>' + dots)


def card(x, y, w, h):
    """A SIM card: the cut corner and the gold contact plate."""
    cut = w * 0.3
    return (f'<path d="M{x + 2} {y}H{x + w - cut}L{x + w} {y + cut}V{y + h - 2}a2 2 0 0 1-2 2H{x + 2}a2 2 0 0 1-2-2'
            f'V{y + 2}a2 2 0 0 1 2-2z" fill="{fill("blue")}" stroke="{dark("blue")}" stroke-width="1.5" stroke-linejoin="round"/>'
            f'<rect x="{x + w * 0.22}" y="{y + h * 0.45}" width="{w * 0.56}" height="{h * 0.38}" rx="1.5" '
            f'fill="{fill("gold")}" stroke="{dark("gold")}" stroke-width="1"/>'
            f'<path d="M{x + w * 0.5} {y + h * 0.45}v{h * 0.38}M{x + w * 0.22} {y + h * 0.64}h{w * 0.56}" '
            f'stroke="{dark("gold")}" stroke-width="0.9"/>')


def drawn_pictures():
    """Every drawn picture by the name the program asks for."""
    B, G = "blue", "green"
    p = {}
    # Views of the tool bar.
    p["mail-read"] = open_envelope(3, 5, 26, 22)
    p["x-office-address-book"] = (
        f'<rect x="6" y="3" width="22" height="26" rx="2.5" fill="{fill(B)}" stroke="{dark(B)}" stroke-width="1.5"/>'
        f'<rect x="9" y="6" width="16" height="20" rx="1.5" fill="#ffffff"/>' + person(17, 8.5, 13) +
        f'<path d="M4 8h4M4 13h4M4 18h4M4 23h4" stroke="{LINE}" stroke-width="2" stroke-linecap="round"/>')
    p["preferences-system-network"] = (globe(13, 15, 10) + bars(19, 29, G, 3, 3, 1.5, 3.5))
    p["computer"] = (
        f'<rect x="3" y="4" width="26" height="18" rx="2.5" fill="{fill("slate")}" stroke="{dark("slate")}" stroke-width="1.5"/>'
        f'<rect x="5.5" y="6.5" width="21" height="13" rx="1" fill="{fill(B)}"/>'
        f'<path d="M13 22l-1 4h8l-1-4z" fill="{fill("slate")}"/><rect x="8" y="25.5" width="16" height="3" rx="1.5" '
        f'fill="{fill("slate")}" stroke="{dark("slate")}" stroke-width="1"/>')
    p["text-x-generic"] = page(6, 3, 20, 26, lines=4)
    # Message actions.
    p["mail-message-new"] = envelope(2, 7, 24, 18) + badge(24.5, 22.5, 6.5, G, "plus")
    p["mail-reply-sender"] = arrow_curve("left")
    p["mail-forward"] = arrow_curve("right")
    p["document-open"] = (
        f'<path d="M3 8.5a2 2 0 0 1 2-2h7l2.5 2.5H25a2 2 0 0 1 2 2V26H3z" fill="{fill("gold")}" stroke="{dark("gold")}" stroke-width="1.5" stroke-linejoin="round"/>'
        f'<rect x="7" y="11" width="17" height="10" rx="1" fill="#ffffff" stroke="{LINE}" stroke-width="1"/>'
        f'<path d="M3 26l3.5-11.5a2 2 0 0 1 1.9-1.5H29a1.2 1.2 0 0 1 1.2 1.5L27 26z" fill="{fill("orange")}" '
        f'stroke="{dark("orange")}" stroke-width="1.5" stroke-linejoin="round"/>')
    p["edit-delete"] = (
        f'<path d="M7 9l1.6 18a2 2 0 0 0 2 1.8h10.8a2 2 0 0 0 2-1.8L25 9z" fill="{fill("slate")}" stroke="{dark("slate")}" stroke-width="1.5" stroke-linejoin="round"/>'
        f'<path d="M12 13v12M16 13v12M20 13v12" stroke="#ffffff" stroke-width="1.6" stroke-linecap="round"/>'
        f'<rect x="5" y="5.5" width="22" height="4" rx="1.5" fill="{fill("red")}" stroke="{dark("red")}" stroke-width="1.3"/>'
        f'<path d="M12.5 5.5V4a1.5 1.5 0 0 1 1.5-1.5h4A1.5 1.5 0 0 1 19.5 4v1.5" fill="none" stroke="{dark("red")}" stroke-width="1.5"/>')
    p["mail-mark-unread"] = envelope(2, 7, 24, 18) + badge(24.5, 8.5, 5.5, "orange", "bang")
    p["view-refresh"] = (
        f'<path d="M25.5 13A10 10 0 1 0 26 19" fill="none" stroke="{dark(G)}" stroke-width="5.5" stroke-linecap="round"/>'
        f'<path d="M25.5 13A10 10 0 1 0 26 19" fill="none" stroke="{fill(G)}" stroke-width="3" stroke-linecap="round"/>'
        f'<path d="M29.5 4.5V15H19z" fill="{fill(G)}" stroke="{dark(G)}" stroke-width="1.5" stroke-linejoin="round"/>')
    floppy = (
        f'<path d="M4 6a2 2 0 0 1 2-2h16l6 6v16a2 2 0 0 1-2 2H6a2 2 0 0 1-2-2z" fill="{fill(B)}" stroke="{dark(B)}" stroke-width="1.5" stroke-linejoin="round"/>'
        f'<rect x="9" y="4" width="12" height="8" rx="1" fill="#ffffff"/><rect x="17" y="5.5" width="2.5" height="5" fill="{dark(B)}"/>'
        f'<rect x="8" y="17" width="16" height="11" rx="1" fill="{fill("paper")}"/>')
    p["document-save"] = floppy
    p["document-save-as"] = floppy + pencil(15, 30, 16)
    p["document-print"] = (
        f'<rect x="9" y="3" width="14" height="10" fill="#ffffff" stroke="{LINE}" stroke-width="1.3"/>'
        f'<rect x="3" y="11" width="26" height="12" rx="2.5" fill="{fill("slate")}" stroke="{dark("slate")}" stroke-width="1.5"/>'
        f'<circle cx="24.5" cy="15.5" r="1.4" fill="{PALETTE[G][0]}"/>'
        f'<path d="M9 19h14v10H9z" fill="#ffffff" stroke="{LINE}" stroke-width="1.3"/>'
        f'<path d="M11.5 23h9M11.5 26h6" stroke="{dark(B)}" stroke-width="1.4" stroke-linecap="round"/>')
    p["media-playback-start"] = (f'<path d="M9 4.5a1.5 1.5 0 0 1 2.3-1.3l16.2 11.5a1.6 1.6 0 0 1 0 2.6L11.3 28.8'
                                 f'A1.5 1.5 0 0 1 9 27.5z" fill="{fill(G)}" stroke="{dark(G)}" stroke-width="1.5" stroke-linejoin="round"/>')
    p["media-playback-stop"] = (f'<rect x="6" y="6" width="20" height="20" rx="3.5" fill="{fill("red")}" '
                                f'stroke="{dark("red")}" stroke-width="1.5"/>')
    p["dialog-password"] = padlock(7, 3, 18, 26)
    p["application-exit"] = (
        f'<path d="M10.5 8.2A11 11 0 1 0 21.5 8.2" fill="none" stroke="{dark("red")}" stroke-width="5.5" stroke-linecap="round"/>'
        f'<path d="M16 3.5V15" stroke="{dark("red")}" stroke-width="5.5" stroke-linecap="round"/>'
        f'<path d="M10.5 8.2A11 11 0 1 0 21.5 8.2M16 3.5V15" fill="none" stroke="{fill("red")}" stroke-width="3" stroke-linecap="round"/>')
    p["edit-clear"] = (
        f'<g transform="rotate(-40 16 16)"><rect x="4" y="10" width="24" height="12" rx="2.5" fill="{fill("slate")}" '
        f'stroke="{dark("slate")}" stroke-width="1.5"/><path d="M6.5 10h7v12h-7a2.5 2.5 0 0 1-2.5-2.5v-7A2.5 2.5 0 0 1 6.5 10z" '
        f'fill="{fill("red")}" stroke="{dark("red")}" stroke-width="1.5"/></g>'
        f'<path d="M4 29h24" stroke="{LINE}" stroke-width="1.5" stroke-linecap="round"/>')
    p["dialog-information"] = (disc(16, 16, 13, B) + '<circle cx="16" cy="9.5" r="2.2" fill="#ffffff"/>'
                               '<path d="M16 14v9.5" stroke="#ffffff" stroke-width="3.6" stroke-linecap="round"/>')
    p["dialog-question"] = (disc(16, 16, 13, B) +
                            '<path d="M11.5 12.2a4.5 4.5 0 1 1 6.5 4c-1.3 0.7-2 1.5-2 3v0.6" fill="none" stroke="#ffffff" '
                            'stroke-width="3.2" stroke-linecap="round" stroke-linejoin="round"/><circle cx="16" cy="24.3" r="2" fill="#ffffff"/>')
    p["utilities-terminal"] = (
        f'<rect x="3" y="5" width="26" height="22" rx="3" fill="{fill("slate")}" stroke="{dark("slate")}" stroke-width="1.5"/>'
        f'<rect x="5" y="9" width="22" height="16" rx="1" fill="#26313d"/>'
        f'<path d="M8 13l4 3-4 3M14 21h7" fill="none" stroke="{PALETTE[G][0]}" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/>')
    p["contact-new"] = person(13, 4, 22) + badge(24.5, 23, 6.5, G, "plus")
    p["media-flash"] = card(7, 3, 18, 26)
    p["preferences-system"] = gear(16, 16, 13.5)
    p["phone"] = mobile(9, 2.5, 14, 27) + '<path d="M14 13h4" stroke="#ffffff" stroke-width="1.5" stroke-linecap="round"/>'
    p["help-about"] = small_tile(2.5, 2.5, 27) + bubble(7, 7.5, 18, 12)
    p["edit-find"] = magnifier(13, 13, 8.5)
    p["edit-copy"] = page(3, 2, 17, 22, lines=2) + page(12, 8, 17, 22, lines=3)
    # Conversations: two bubbles, one answering the other.
    p["mail-reply-all"] = bubble(2, 3, 19, 12) + bubble(11, 14, 19, 11, G)
    # Folders.
    p["mail-unread"] = envelope(2, 6, 26, 19) + badge(24, 23, 6.5, G, "down")
    p["mail-send"] = (f'<path d="M3 15L29 4L23 28L15.5 20.5z" fill="{fill(B)}" stroke="{dark(B)}" stroke-width="1.5" stroke-linejoin="round"/>'
                      f'<path d="M29 4L15.5 20.5L14 27.5L19 23" fill="{dark(B)}" stroke="{dark(B)}" stroke-width="1.3" stroke-linejoin="round"/>')
    p["document-send"] = envelope(2, 6, 26, 19) + badge(24, 23, 6.5, "orange", "right")
    p["accessories-text-editor"] = page(4, 3, 20, 26, lines=3) + pencil(14, 28, 18)
    p["document-new"] = page(4, 3, 22, 26, lines=3) + badge(24.5, 23.5, 6.5, G, "plus")
    p["mail-mark-important"] = page(5, 3, 20, 26, lines=3) + badge(23.5, 23, 7, G, "check")
    # The message header.
    p["call-start"] = handset()
    p["appointment-new"] = calendar(3, 3, 22, 22) + badge(24.5, 24, 6.5, G, "plus")
    p["x-office-calendar"] = calendar(4, 3, 24, 26)
    # Network registration.
    p["network-wireless"] = bars(4, 28, B, 4, 4.5, 2.2, 6)
    # Looking for the networks around: the signal bars under a lens.
    p["system-search"] = bars(3, 29, "slate", 4, 4, 2, 5.5) + magnifier(17, 10.5, 7)
    p["applications-internet"] = (
        f'<path d="M10 27V8M4.5 13.5L10 5.5l5.5 8" fill="none" stroke="{dark(G)}" stroke-width="4" stroke-linecap="round" stroke-linejoin="round"/>'
        f'<path d="M10 27V8M4.5 13.5L10 5.5l5.5 8" fill="none" stroke="{PALETTE[G][0]}" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/>'
        f'<path d="M22 5v19M16.5 18.5l5.5 8 5.5-8" fill="none" stroke="{dark(B)}" stroke-width="4" stroke-linecap="round" stroke-linejoin="round"/>'
        f'<path d="M22 5v19M16.5 18.5l5.5 8 5.5-8" fill="none" stroke="{PALETTE[B][0]}" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/>')
    p["go-home"] = (f'<path d="M6 15V27a1.5 1.5 0 0 0 1.5 1.5H13V20h6v8.5h5.5A1.5 1.5 0 0 0 26 27V15L16 6z" fill="{fill("paper")}" '
                    f'stroke="{LINE}" stroke-width="1.5" stroke-linejoin="round"/>'
                    f'<path d="M3 16.5L16 4.5l13 12" fill="none" stroke="{dark("red")}" stroke-width="4" stroke-linecap="round" stroke-linejoin="round"/>'
                    f'<path d="M3 16.5L16 4.5l13 12" fill="none" stroke="{PALETTE["red"][0]}" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/>')
    # The pages of the settings window.
    p["audio-volume-high"] = (
        f'<path d="M3 12a1.5 1.5 0 0 1 1.5-1.5H9l7-6v23l-7-6H4.5A1.5 1.5 0 0 1 3 20z" fill="{fill("slate")}" '
        f'stroke="{dark("slate")}" stroke-width="1.5" stroke-linejoin="round"/>'
        f'<path d="M20 11.5a6 6 0 0 1 0 9M23.5 7.5a11.5 11.5 0 0 1 0 17" fill="none" stroke="{dark(B)}" '
        f'stroke-width="2.4" stroke-linecap="round"/>')
    p["preferences-desktop-theme"] = (
        f'<path d="M16 3C8.5 3 3 8.5 3 15.5 3 23 9 29 15 29c2.5 0 3.5-1.5 3-3.5-0.5-2 0.5-3.5 2.5-3.5H24'
        f'c3 0 5-2 5-5.5C29 9 23.5 3 16 3z" fill="{fill("paper")}" stroke="{LINE}" stroke-width="1.5" stroke-linejoin="round"/>'
        + disc(9.5, 14, 2.6, "red") + disc(13, 8.5, 2.6, "gold") + disc(20, 8.5, 2.6, G) + disc(24, 14, 2.6, B)
        + disc(10.5, 21.5, 2.6, "slate"))
    p["applications-other"] = "".join(
        small_tile(x, y, 11.5, colour) for x, y, colour in ((3.5, 3.5, B), (17, 3.5, G), (3.5, 17, "orange"), (17, 17, "slate")))
    # What a name with no drawing shows: a framed picture, crossed out.
    p["image-missing"] = (
        f'<rect x="3" y="5" width="24" height="20" rx="2" fill="{fill("paper")}" stroke="{LINE}" stroke-width="1.5"/>'
        f'<path d="M5.5 21.5l6-7 4 4.5 3-3 6 5.5z" fill="{fill("slate")}"/><circle cx="20" cy="10.5" r="2.2" fill="{fill("gold")}"/>'
        + badge(24.5, 24.5, 6.5, "red", "cross"))
    # The state images of the lists.
    p["state-read"] = open_envelope(3, 5, 26, 22, "slate")
    p["state-unread"] = envelope(3, 7, 26, 19, B) + f'<circle cx="26" cy="8" r="5" fill="{fill("orange")}" stroke="#ffffff" stroke-width="1.5"/>'
    p["state-queued"] = envelope(2, 6, 26, 19, "slate") + badge(24, 23, 7, "orange", "clock")
    p["state-template"] = page(5, 3, 22, 26, lines=4)
    p["state-report"] = page(5, 3, 20, 26, lines=3) + badge(23.5, 23, 7, G, "check")
    p["state-error"] = envelope(2, 6, 26, 19, "slate") + badge(24, 23, 7, "red", "bang")
    p["state-draft"] = page(4, 3, 20, 26, lines=3) + pencil(14, 28, 18)
    p["state-delivered"] = disc(16, 16, 12, G) + badge(16, 16, 12, G, "check")
    p["state-delivery-pending"] = badge(16, 16, 12.5, "orange", "clock")
    p["state-delivery-failed"] = badge(16, 16, 12.5, "red", "cross")
    # On a pale round ground so that it stays visible on a selected row's highlight.
    p["state-contact"] = (f'<circle cx="16" cy="16" r="14" fill="{fill("paper")}" stroke="{LINE}" stroke-width="1.2"/>'
                          f'<clipPath id="round"><circle cx="16" cy="16" r="13.4"/></clipPath>'
                          f'<g clip-path="url(#round)">{person(16, 6.5, 24)}</g>')
    p["state-none"] = envelope(3, 7, 26, 19, "paper")
    return p


def write_drawn():
    png = DRAWN / "png"
    png.mkdir(parents=True, exist_ok=True)
    for old in list(DRAWN.glob("*.svg")) + list(png.glob("*.png")):
        old.unlink()
    for name, body in drawn_pictures().items():
        source = DRAWN / f"{name}.svg"
        source.write_text(drawn_svg(body, name))
        for size in DRAWN_SIZES:
            subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), "-o",
                            str(png / f"{name}-{size}.png"), str(source)], check=True)
    # The resource list, so that the build names every picture it compiles in.
    names = sorted(f"{name}-{size}.png" for name in drawn_pictures() for size in DRAWN_SIZES)
    (DRAWN / "pictures.cmake").write_text(
        "# Written by scripts/make-icons.py: the drawn pictures compiled into the program.\n"
        "set(parlowen_drawn_names\n" + "".join(f"  {n}\n" for n in names) + ")\n")



def main():
    pictures = {}
    for n, (light, dark) in enumerate(APP_COLOURS):
        pictures[f"app-{n}"] = (svg(app_body(light, dark), "Parlowen"), APP_SIZES)
    tray = [
        svg(app_body(*APP_COLOURS[0]), "Parlowen"),
        svg(waiting_body(), "Parlowen: something waits"),
        svg(bars_body("#757575"), "No data class"),
        svg(label_body("#607d8b", "G"), "GPRS"),
        svg(label_body("#5c6bc0", "E"), "EDGE"),
        svg(label_body("#1e88e5", "3G"), "UMTS"),
        svg(label_body("#00897b", "H"), "HSPA"),
        svg(label_body("#2e7d32", "4G"), "LTE"),
        svg(label_body("#8e24aa", "C"), "Custom data class"),
        svg(label_body("#c62828", "5G"), "5G"),
    ]
    for n, text in enumerate(tray):
        pictures[f"tray-{n}"] = (text, TRAY_SIZES)
    (ICONS / "png").mkdir(parents=True, exist_ok=True)
    for name, (text, sizes) in pictures.items():
        source = ICONS / f"{name}.svg"
        source.write_text(text)
        for size in sizes:
            subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), "-o",
                            str(ICONS / "png" / f"{name}-{size}.png"), str(source)], check=True)
    write_drawn()


if __name__ == "__main__":
    main()
