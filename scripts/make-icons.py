#!/usr/bin/env python3
"""Draws the program's pictures as SVG and renders their PNG sizes (rsvg-convert, librsvg2-bin).

data/icons/app-N.svg    the six application icons, N = 0 to 5 (0 is the installed `parlowen` icon)
data/icons/tray-N.svg   the ten tray images, N = 0 to 9: 0 normal, 1 something waits,
                        2 no known data class, 3 GPRS, 4 EDGE, 5 UMTS, 6 HSPA, 7 LTE, 8 custom, 9 5G
data/icons/png/         their PNG renderings, which the program compiles in and installs

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


if __name__ == "__main__":
    main()
