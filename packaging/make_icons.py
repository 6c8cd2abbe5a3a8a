#!/usr/bin/env python3
"""Draws the program's icon for the desktop (hicolor theme): an SVG for the
scalable size and PNG files for the fixed sizes, rendered with rsvg-convert
(Debian package librsvg2-bin). The small sizes get a simpler drawing of their
own, as a coupon of seven rows is a grey blur at 16 pixels.

The results are kept in packaging/icons/ so that a build needs neither this
script nor rsvg-convert. Run from anywhere after changing the drawing:
    python3 packaging/make_icons.py
"""
import pathlib
import subprocess
import tempfile

OUT = pathlib.Path(__file__).resolve().parent / "icons"
NAME = "org.vinra2000.Vinra2000"  # the desktop id: icons, desktop entry and metadata share it
SIZES = [16, 22, 24, 32, 48, 64, 128, 256, 512]
SMALL = 24  # this size and below use the simple drawing

# The colours of the program logo (installer/tools/make_pictures.py).
BG_TOP, BG_BOTTOM = "#0f2d5c", "#11707a"
GOLD, RED = "#ffd23f", "#d7263d"
FONT = "DejaVu Sans"


def cross(x, y, w, h, width):
    px, py = w * 0.25, h * 0.22
    return (f'<path d="M{x + px:.1f} {y + py:.1f} L{x + w - px:.1f} {y + h - py:.1f} '
            f'M{x + w - px:.1f} {y + py:.1f} L{x + px:.1f} {y + h - py:.1f}" '
            f'stroke="{RED}" stroke-width="{width}" stroke-linecap="round"/>')


def background(size, radius):
    return (f'<defs><linearGradient id="bg" x1="0" y1="0" x2="1" y2="1">'
            f'<stop offset="0" stop-color="{BG_TOP}"/><stop offset="1" stop-color="{BG_BOTTOM}"/>'
            f'</linearGradient></defs>'
            f'<rect x="0.5" y="0.5" width="{size - 1}" height="{size - 1}" rx="{radius}" fill="url(#bg)"/>')


def full_svg():
    # A coupon: the 1-X-2 heading in gold and five rows of boxes, some marked.
    s = 128
    parts = [background(s, 22)]
    heads = "1X2"
    x0, w, gap = 22, 24, 6
    for c in range(3):
        parts.append(f'<text x="{x0 + c * (w + gap) + w / 2}" y="30" text-anchor="middle" font-family="{FONT}" '
                     f'font-weight="bold" font-size="20" fill="{GOLD}">{heads[c]}</text>')
    marks = ["100", "011", "001", "110", "010"]
    for r, m in enumerate(marks):
        for c in range(3):
            x, y = x0 + c * (w + gap), 38 + r * 17
            parts.append(f'<rect x="{x}" y="{y}" width="{w}" height="13" rx="3" fill="#ffffff" fill-opacity="0.93"/>')
            if m[c] == "1":
                parts.append(cross(x, y, w, 13, 2.6))
    # A gold edge on the right: the program's colour, and a hint of the paper coupon.
    parts.append(f'<rect x="{x0 + 3 * (w + gap) + 2}" y="14" width="6" height="100" rx="3" fill="{GOLD}"/>')
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{s}" height="{s}" viewBox="0 0 {s} {s}">'
            + "".join(parts) + "</svg>\n")


def small_svg():
    # Three by three boxes on whole pixels, three of them filled red: still a
    # coupon at 16 pixels, where a drawn cross would be a smudge.
    s = 16
    parts = [background(s, 3)]
    marks = ["100", "010", "001"]
    for r, m in enumerate(marks):
        for c in range(3):
            colour = RED if m[c] == "1" else "#ffffff"
            parts.append(f'<rect x="{2 + c * 4}" y="{2 + r * 4}" width="3" height="3" fill="{colour}"/>')
    parts.append(f'<rect x="14" y="2" width="1" height="11" fill="{GOLD}"/>')
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{s}" height="{s}" viewBox="0 0 {s} {s}">'
            + "".join(parts) + "</svg>\n")


def render(svg, size, target):
    with tempfile.NamedTemporaryFile("w", suffix=".svg", delete=False, encoding="utf-8") as f:
        f.write(svg)
        name = f.name
    try:
        target.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), "-o", str(target), name], check=True)
    finally:
        pathlib.Path(name).unlink()
    print(f"{target.relative_to(OUT)}: {target.stat().st_size} bytes")


def main():
    scalable = OUT / "scalable" / "apps" / f"{NAME}.svg"
    scalable.parent.mkdir(parents=True, exist_ok=True)
    scalable.write_text(full_svg(), encoding="utf-8")
    print(f"{scalable.relative_to(OUT)}: {scalable.stat().st_size} bytes")
    for size in SIZES:
        svg = small_svg() if size <= SMALL else full_svg()
        render(svg, size, OUT / f"{size}x{size}" / "apps" / f"{NAME}.png")


if __name__ == "__main__":
    main()
