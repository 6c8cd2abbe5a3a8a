#!/usr/bin/env python3
"""Draws the shipped pictures of resources/pictures/: the program logo (splash
and about box) and one logo per pool. Each picture is an SVG drawn here and
rendered to PNG with rsvg-convert (Debian package librsvg2-bin); only the PNG
files are shipped.

Run from anywhere: python3 installer/tools/make_pictures.py
"""
import pathlib
import subprocess
import tempfile

OUT = pathlib.Path(__file__).resolve().parents[2] / "resources" / "pictures"

FONT = "DejaVu Sans"

# Operator colours: background, accent.
COLOURS = {
    "Svenska Spel": ("#1b4f9c", "#ffd23f"),
    "Norsk Tipping": ("#126b45", "#f2f2f2"),
    "Dansk Tipstjeneste": ("#b3152f", "#ffffff"),
    "Veikkaus": ("#0b5d7a", "#9fe3ff"),
    "Unibet": ("#4b2a80", "#7be08a"),
}

POOLS = [
    ("stryktipset", "Stryktipset", "Svenska Spel", "13"),
    ("europatipset", "Europatipset", "Svenska Spel", "13"),
    ("tipping_midtuke", "Tipping Midtuke", "Norsk Tipping", "12"),
    ("tipping_midtuke_pause", "Tipping Midtuke Pause", "Norsk Tipping", "P"),
    ("tipping_lordag", "Tipping L\u00f8rdag", "Norsk Tipping", "12"),
    ("tipping_lordag_pause", "Tipping L\u00f8rdag Pause", "Norsk Tipping", "P"),
    ("tipping_sondag", "Tipping S\u00f8ndag", "Norsk Tipping", "12"),
    ("tipping_sondag_pause", "Tipping S\u00f8ndag Pause", "Norsk Tipping", "P"),
    ("tips12", "Tips 12", "Dansk Tipstjeneste", "12"),
    ("tips13", "Tips 13", "Dansk Tipstjeneste", "13"),
    ("vakioveikkaus", "Vakioveikkaus", "Veikkaus", "13"),
    ("supertoto", "SuperToto", "Unibet", "13"),
    ("supertoto_extra", "SuperToto Extra", "Unibet", "13"),
]


def esc(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def pool_svg(name, operator, badge):
    bg, accent = COLOURS[operator]
    words = name.split(" ")
    # One line when it fits, else the last word on a second line.
    lines = [name] if len(name) <= 13 else [" ".join(words[:-1]), words[-1]]
    size = 22 if len(lines) == 1 else 17
    longest = max(len(l) for l in lines)
    if longest * size * 0.62 > 150:
        size = int(150 / (longest * 0.62))
    text = []
    y0 = 46 if len(lines) == 1 else 36
    for i, line in enumerate(lines):
        text.append(f'<text x="76" y="{y0 + i * (size + 3)}" font-family="{FONT}" font-weight="bold" '
                    f'font-size="{size}" fill="#ffffff">{esc(line)}</text>')
    text.append(f'<text x="76" y="72" font-family="{FONT}" font-size="10" fill="{accent}">{esc(operator)}</text>')
    return f'''<svg xmlns="http://www.w3.org/2000/svg" width="240" height="80" viewBox="0 0 240 80">
<defs><linearGradient id="g" x1="0" y1="0" x2="0" y2="1">
<stop offset="0" stop-color="{bg}" stop-opacity="0.85"/><stop offset="1" stop-color="{bg}"/></linearGradient></defs>
<rect x="1" y="1" width="238" height="78" rx="12" fill="url(#g)" stroke="#00000030"/>
<circle cx="38" cy="40" r="28" fill="{accent}"/>
<circle cx="38" cy="40" r="22" fill="none" stroke="{bg}" stroke-width="2" stroke-dasharray="4 3"/>
<text x="38" y="48" text-anchor="middle" font-family="{FONT}" font-weight="bold" font-size="22" fill="{bg}">{esc(badge)}</text>
{"".join(text)}
</svg>'''


def logo_svg():
    # A coupon of 1-X-2 boxes, a few of them marked, beside the program name.
    cells = []
    marks = ["100", "011", "001", "110", "010", "111", "100"]
    for r, m in enumerate(marks):
        for c in range(3):
            x, y = 40 + c * 26, 44 + r * 22
            cells.append(f'<rect x="{x}" y="{y}" width="20" height="16" rx="3" fill="#ffffff" fill-opacity="0.92"/>')
            if m[c] == "1":
                cells.append(f'<path d="M{x+5} {y+4} L{x+15} {y+12} M{x+15} {y+4} L{x+5} {y+12}" '
                             'stroke="#d7263d" stroke-width="2.6" stroke-linecap="round"/>')
    heads = "".join(f'<text x="{50 + c * 26}" y="36" text-anchor="middle" font-family="{FONT}" font-weight="bold" '
                    f'font-size="13" fill="#ffd23f">{s}</text>' for c, s in enumerate("1X2"))
    return f'''<svg xmlns="http://www.w3.org/2000/svg" width="480" height="240" viewBox="0 0 480 240">
<defs><linearGradient id="bg" x1="0" y1="0" x2="1" y2="1">
<stop offset="0" stop-color="#0f2d5c"/><stop offset="1" stop-color="#11707a"/></linearGradient></defs>
<rect width="480" height="240" fill="url(#bg)"/>
<rect x="26" y="18" width="106" height="204" rx="10" fill="#ffffff" fill-opacity="0.10" stroke="#ffffff" stroke-opacity="0.35"/>
{heads}{"".join(cells)}
<text x="160" y="122" font-family="{FONT}" font-weight="bold" font-size="58" fill="#ffffff">Vinra</text>
<text x="162" y="178" font-family="{FONT}" font-weight="bold" font-size="48" fill="#ffd23f" letter-spacing="6">2000</text>
<rect x="162" y="192" width="280" height="3" rx="1.5" fill="#ffffff" fill-opacity="0.5"/>
</svg>'''


def render(svg, target):
    with tempfile.NamedTemporaryFile("w", suffix=".svg", delete=False, encoding="utf-8") as f:
        f.write(svg)
        name = f.name
    try:
        subprocess.run(["rsvg-convert", "-o", str(target), name], check=True)
    finally:
        pathlib.Path(name).unlink()
    print(f"{target.name}: {target.stat().st_size} bytes")


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    render(logo_svg(), OUT / "logo.png")
    for file, name, operator, badge in POOLS:
        render(pool_svg(name, operator, badge), OUT / f"{file}.png")


if __name__ == "__main__":
    main()
