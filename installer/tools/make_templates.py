#!/usr/bin/env python3
"""Writes the shipped expert-system templates resources/templates/0.exp ..
9.exp and a picture for each (0.png .. 9.png).

The templates run from a careful system of few rows (the clearest favourites
played as singles, few full guards) to an aggressive one (few singles, many
full guards, source rows that ask for surprises). Positions are ranks in the
round's favourite list: 1 is the clearest favourite.

A template is an INI file in Windows-1252 with CR LF. The picture shows the
template's frame down the ranking (one line per rank: a single, a half or a
full guard) in a colour from green (careful) to red (aggressive). Each is an
SVG drawn here and rendered to PNG with rsvg-convert (Debian package
librsvg2-bin).

Run from anywhere: python3 installer/tools/make_templates.py
"""
import pathlib
import subprocess
import tempfile

OUT = pathlib.Path(__file__).resolve().parents[2] / "resources" / "templates"
FONT = "DejaVu Sans"
LANGS = ["0", "10000", "20000", "30000", "40000"]  # sv, en, da, no, fi


def rng(a, b):
    return list(range(a, b + 1))


# Each template: names and descriptions (sv, en, da, no, fi), row difference,
# the rank lists, the sign-count tightening and the source rows
# (kind, positions, min, max).
TEMPLATES = [
    dict(
        names=["Försiktig", "Careful", "Forsigtig", "Forsiktig", "Varovainen"],
        descs=[
            "Spikar de sju klaraste favoriterna och garderar resten försiktigt. Få rader, för den som tror på en normal omgång.",
            "Fixes the seven clearest favourites and guards the rest carefully. Few rows, for a player who expects a normal round.",
            "Fastlåser de syv klareste favoritter og garderer resten forsigtigt. Få rækker, til den der tror på en normal runde.",
            "Spikrer de sju klareste favorittene og garderer resten forsiktig. Få rekker, for den som tror på en normal runde.",
            "Lukitsee seitsemän selvintä suosikkia ja varmistaa loput varovasti. Vähän rivejä niille, jotka odottavat tavallista kierrosta.",
        ],
        rowdiff=0, safe=rng(1, 7), halfx=rng(8, 10), half2=[11],
        sources=[(0, rng(8, 11), 2, 4)],
    ),
    dict(
        names=["Favoriter", "Favourites", "Favoritter", "Favoritter", "Suosikit"],
        descs=[
            "Fem spikar på de klaraste favoriterna. Systemet kräver att de flesta övriga favoriter också vinner.",
            "Five singles on the clearest favourites. The system asks that most of the other favourites win as well.",
            "Fem sikre kampe på de klareste favoritter. Systemet kræver, at de fleste andre favoritter også vinder.",
            "Fem spiker på de klareste favorittene. Systemet krever at de fleste andre favorittene også vinner.",
            "Viisi pitävää selvimmille suosikeille. Järjestelmä vaatii, että useimmat muutkin suosikit voittavat.",
        ],
        rowdiff=1, safe=rng(1, 5), halfx=rng(6, 9), half2=[10],
        sources=[(0, rng(6, 13), 4, 8)],
    ),
    dict(
        names=["Trygg", "Safe bet", "Tryg", "Trygg", "Turvallinen"],
        descs=[
            "Fyra spikar och flera halvgarderingar. Favoriterna får bära systemet men en eller två skrällar är med.",
            "Four singles and several half guards. The favourites carry the system, but one or two surprises are covered.",
            "Fire sikre kampe og flere halvgarderinger. Favoritterne bærer systemet, men en eller to overraskelser er med.",
            "Fire spiker og flere halvgarderinger. Favorittene bærer systemet, men en eller to overraskelser er med.",
            "Neljä pitävää ja useita osavarmistuksia. Suosikit kantavat järjestelmää, mutta yksi tai kaksi yllätystä on mukana.",
        ],
        rowdiff=1, safe=rng(1, 4), halfx=rng(5, 8), half2=[9, 10],
        sources=[(0, rng(5, 13), 4, 8)],
    ),
    dict(
        names=["Balanserad", "Balanced", "Balanceret", "Balansert", "Tasapainoinen"],
        descs=[
            "Ett jämnt system: fyra spikar, fyra helgarderingar och högst två skrällar bland de övriga matcherna.",
            "An even system: four singles, four full guards and at most two surprises among the other matches.",
            "Et jævnt system: fire sikre kampe, fire helgarderinger og højst to overraskelser blandt de øvrige kampe.",
            "Et jevnt system: fire spiker, fire helgarderinger og høyst to overraskelser blant de andre kampene.",
            "Tasainen järjestelmä: neljä pitävää, neljä täysvarmistusta ja enintään kaksi yllätystä muissa kohteissa.",
        ],
        rowdiff=1, safe=rng(1, 4), halfx=rng(5, 7), half2=[8, 9],
        sources=[(0, rng(1, 13), 8, 13), (3, rng(5, 13), 0, 2)],
    ),
    dict(
        names=["Oavgjort", "Draws", "Uafgjort", "Uavgjort", "Tasapelit"],
        descs=[
            "För omgångar med jämna matcher: många garderingar med kryss och minst två oavgjorda i varje rad.",
            "For rounds of even matches: many guards with the draw, and at least two draws in every row.",
            "Til runder med jævne kampe: mange garderinger med uafgjort og mindst to uafgjorte i hver række.",
            "For runder med jevne kamper: mange garderinger med uavgjort og minst to uavgjorte i hver rekke.",
            "Tasaisille kierroksille: paljon tasapelivarmistuksia ja vähintään kaksi tasapeliä joka rivillä.",
        ],
        rowdiff=1, safe=rng(1, 3), halfx=rng(4, 9), half2=[10], min_=(0, 1, 0),
        sources=[(5, rng(4, 13), 2, 6)],
    ),
    dict(
        names=["Några skrällar", "Some surprises", "Nogle overraskelser", "Noen overraskelser", "Muutama yllätys"],
        descs=[
            "Tre spikar och ett system som kräver minst en och högst tre skrällar bland de nio klaraste favoriterna.",
            "Three singles, and a system that asks for at least one and at most three surprises among the nine clearest favourites.",
            "Tre sikre kampe og et system, der kræver mindst én og højst tre overraskelser blandt de ni klareste favoritter.",
            "Tre spiker og et system som krever minst én og høyst tre overraskelser blant de ni klareste favorittene.",
            "Kolme pitävää ja järjestelmä, joka vaatii yhdestä kolmeen yllätystä yhdeksän selvimmän suosikin joukossa.",
        ],
        rowdiff=1, safe=rng(1, 3), halfx=rng(4, 6), half2=rng(7, 9),
        sources=[(3, rng(1, 9), 1, 3)],
    ),
    dict(
        names=["Öppen", "Open", "Åben", "Åpen", "Avoin"],
        descs=[
            "Två spikar och fem helgarderingar. Radskillnad två ger ett brett system som ändå håller sig till favoriterna.",
            "Two singles and five full guards. A row difference of two gives a wide system that still keeps to the favourites.",
            "To sikre kampe og fem helgarderinger. Rækkeforskel to giver et bredt system, der stadig holder sig til favoritterne.",
            "To spiker og fem helgarderinger. Rekkeforskjell to gir et bredt system som likevel holder seg til favorittene.",
            "Kaksi pitävää ja viisi täysvarmistusta. Rivieroa kaksi antaa laajan järjestelmän, joka pysyy silti suosikeissa.",
        ],
        rowdiff=2, safe=[1, 2], halfx=rng(3, 6), half2=[7, 8],
        sources=[(0, rng(1, 8), 5, 8)],
    ),
    dict(
        names=["Skrällar", "Underdogs", "Overraskelser", "Overraskelser", "Altavastaajat"],
        descs=[
            "För den som tror på en skrällomgång: två till fem av favoriterna förlorar i varje rad.",
            "For a player who expects upsets: two to five of the favourites lose in every row.",
            "Til den der tror på en runde med overraskelser: to til fem af favoritterne taber i hver række.",
            "For den som tror på en runde med overraskelser: to til fem av favorittene taper i hver rekke.",
            "Niille, jotka odottavat yllätyksiä: kahdesta viiteen suosikkia häviää joka rivillä.",
        ],
        rowdiff=2, safe=[1, 2], halfx=rng(3, 5), half2=rng(6, 8),
        sources=[(3, rng(3, 13), 2, 5)],
    ),
    dict(
        names=["Många skrällar", "Many surprises", "Mange overraskelser", "Mange overraskelser", "Paljon yllätyksiä"],
        descs=[
            "En spik och sju helgarderingar. Favoriterna vinner högst hälften av matcherna i varje rad.",
            "One single and seven full guards. The favourites win at most half of the matches in every row.",
            "Én sikker kamp og syv helgarderinger. Favoritterne vinder højst halvdelen af kampene i hver række.",
            "Én spik og sju helgarderinger. Favorittene vinner høyst halvparten av kampene i hver rekke.",
            "Yksi pitävä ja seitsemän täysvarmistusta. Suosikit voittavat enintään puolet kohteista joka rivillä.",
        ],
        rowdiff=2, safe=[1], halfx=rng(2, 4), half2=[5, 6],
        sources=[(4, rng(1, 13), 4, 8)],
    ),
    dict(
        names=["Aggressiv", "Aggressive", "Aggressiv", "Aggressiv", "Hyökkäävä"],
        descs=[
            "Inga spikar och åtta helgarderingar, med tre till sju skrällar i varje rad. För den stora vinsten.",
            "No singles and eight full guards, with three to seven surprises in every row. For the big win.",
            "Ingen sikre kampe og otte helgarderinger, med tre til syv overraskelser i hver række. Til den store gevinst.",
            "Ingen spiker og åtte helgarderinger, med tre til sju overraskelser i hver rekke. For den store gevinsten.",
            "Ei pitäviä ja kahdeksan täysvarmistusta, joka rivillä kolmesta seitsemään yllätystä. Isoa voittoa tavoitteleville.",
        ],
        rowdiff=3, safe=[], halfx=rng(1, 3), half2=[4, 5],
        sources=[(3, rng(1, 13), 3, 7)],
    ),
]


def ini_text(t):
    lines = ["[Default]", f"Rowdiff={t['rowdiff']}"]
    for key, lst in (("Safe", t["safe"]), ("HalfX", t["halfx"]), ("Half2", t["half2"])):
        lines.append(f"{key}={','.join(str(p) for p in lst)}")
    mins = t.get("min_", (0, 0, 0))
    for s in range(3):
        lines.append(f"Min{s}={mins[s]}")
        lines.append(f"Max{s}=0")
    for i, (kind, pos, lo, hi) in enumerate(t["sources"]):
        lines += [f"U{i}_Char={kind}", f"U{i}_Row={','.join(str(p) for p in pos)}", f"U{i}_Min={lo}", f"U{i}_Max={hi}"]
    lines.append("")
    lines.append("[Name]")
    lines += [f"{k}={v}" for k, v in zip(LANGS, t["names"])]
    lines.append("")
    lines.append("[Desc]")
    lines += [f"{k}={v}" for k, v in zip(LANGS, t["descs"])]
    return "\r\n".join(lines) + "\r\n"


def colour(i, count):
    # Green (careful) to red (aggressive) through yellow.
    x = i / (count - 1)
    r = int(40 + 200 * min(1.0, 2 * x))
    g = int(170 - 120 * max(0.0, 2 * x - 1))
    return f"#{r:02x}{g:02x}40"


def picture_svg(i, t, count):
    width, height = 160, 212
    fill = colour(i, count)
    cells = []
    cell_w, cell_h, left, top = 22, 12, 62, 22
    for rank in range(1, 14):
        if rank in t["safe"]:
            marks = [0]
        elif rank in t["halfx"]:
            marks = [0, 1]
        elif rank in t["half2"]:
            marks = [0, 2]
        else:
            marks = [0, 1, 2]
        y = top + (rank - 1) * (cell_h + 1)
        cells.append(f'<text x="{left - 8}" y="{y + 10}" font-family="{FONT}" font-size="9" '
                     f'text-anchor="end" fill="#333333">{rank}</text>')
        for s in range(3):
            x = left + s * (cell_w + 2)
            colour_s = fill if s in marks else "#e8e8e8"
            cells.append(f'<rect x="{x}" y="{y}" width="{cell_w}" height="{cell_h}" rx="2" fill="{colour_s}"/>')
    heads = "".join(
        f'<text x="{left + s * (cell_w + 2) + cell_w / 2}" y="16" font-family="{FONT}" font-size="10" '
        f'font-weight="bold" text-anchor="middle" fill="#333333">{c}</text>'
        for s, c in enumerate("1X2"))
    bar = int((i + 1) / count * (width - 20))
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}">'
            f'<rect width="{width}" height="{height}" fill="#fbfbf7" stroke="#bbbbbb"/>'
            f'{heads}{"".join(cells)}'
            f'<rect x="10" y="{height - 12}" width="{width - 20}" height="6" rx="3" fill="#e0e0e0"/>'
            f'<rect x="10" y="{height - 12}" width="{bar}" height="6" rx="3" fill="{fill}"/>'
            f'</svg>')


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    count = len(TEMPLATES)
    with tempfile.TemporaryDirectory() as tmp:
        for i, t in enumerate(TEMPLATES):
            (OUT / f"{i}.exp").write_bytes(ini_text(t).encode("cp1252"))
            svg = pathlib.Path(tmp) / f"{i}.svg"
            svg.write_text(picture_svg(i, t, count), encoding="utf-8")
            subprocess.run(["rsvg-convert", "-o", str(OUT / f"{i}.png"), str(svg)], check=True)
    print(f"wrote {count} templates and pictures to {OUT}")


if __name__ == "__main__":
    main()
