#!/usr/bin/env python3
"""Writes the sample season of vinra-service into service/data/: round files of
every pool of every operator (Svenska Spel, Norsk Tipping with the half-time
pools, Dansk Tipstjeneste, Veikkaus, Unibet), the club data files with their
logos, the help pages and a demo account. Every club is invented. A player of
any language finds an open round of his operator's pools on any day. The output is the same on every run (fixed random seed), so it can be
regenerated after a change and the diff reviewed.

The rounds repeat (Repeat=4): the service places them around the day it runs,
the latest weeks settled and the coming one open, so the season never goes
stale. Every round therefore has its scores and payouts; the service holds them
back while a round is open. The last week's scores come from a second random
stream so the earlier weeks and the clubs stay as they were.

Run from anywhere: python3 service/tools/make_season.py
"""
import math
import pathlib
import random
import struct
import zlib

DATA = pathlib.Path(__file__).resolve().parents[1] / "data"
rng = random.Random(2026)
later = random.Random(2027)  # scores and payouts of the last week
# The pools added later draw from streams of their own, so the first three
# pools' files and clubs stay as they were.
added = random.Random(2028)
added_later = random.Random(2029)
REPEAT = 4  # weeks until a round file comes back

LEAGUES = {
    "S": [
        ["Ashford Town", "Brookvale", "Carrow City", "Dunmere United", "Eastleigh Rovers", "Fernhill",
         "Glenford Athletic", "Harrowgate", "Ivybridge City", "Kingsmoor", "Lynwood United", "Marshfield",
         "Northam Albion", "Oakhurst"],
        ["Pembury", "Queensford", "Redcliff Town", "Saltmarsh", "Thornbury", "Upton Vale", "Westmoor",
         "Yarrow City", "Ambleside", "Bramford", "Colworth", "Dovercourt"],
    ],
    "I": [
        ["Real Montalvo", "Atletico Serrano", "Sporting Vale", "FC Rivoli", "AC Lombardo", "Inter Fiore",
         "Olympique Sable", "AS Marigny", "Racing Lumiere", "Borussia Tal", "Eintracht Berg", "Fortuna Hain",
         "Union Bruck", "Dynamo Kessel"],
        ["Noordveld", "Lindeker", "Costa Azul", "Alto Douro", "Verde Minho", "Glenmuir", "Kilbrack",
         "Bois Vert", "Brugelinde", "Sankt Ortis", "Zelena Gora", "Polana"],
    ],
    "C": [
        ["Bjørkelia", "Dalsfjord", "Eikeland", "Fjellstad", "Granvik", "Havøy", "Isdal", "Juvberg", "Kvernes",
         "Lyngmo", "Mosvik", "Nesbø", "Ormvik", "Ramstad", "Solheim", "Tindvik"],
        ["Ulvøy", "Vangsnes", "Åsbakken", "Brattli", "Elvheim", "Furuly", "Hallan", "Kroken"],
    ],
}
# Pools added later: their own clubs (leagues of their own operator) or, for
# Unibet's pools, the clubs of the pools they share them with.
ADDED_LEAGUES = {
    "A": [
        ["Aurdal", "Bergsvik", "Dyrnes", "Fagerli", "Gjerstad", "Holmvik", "Ilseng", "Jondal", "Kjelsvik",
         "Lensvik", "Myrvang", "Nordvik"],
        ["Ofstad", "Pollen", "Rognes", "Skarvik", "Torvik", "Ulsberg", "Vallø", "Ytterøy", "Aursnes",
         "Bøstad", "Eidsvåg", "Fosnes"],
    ],
    "G": [
        ["Aabro", "Bredsted", "Dalby", "Egebjerg", "Frederiksdal", "Gammelby", "Hesselø", "Ishøj Strand", "Jernved",
         "Kastrup Vig", "Lundskov", "Marstrup"],
        ["Nørreby", "Odsherred FC", "Præstø Boldklub", "Ribelund", "Skovby", "Tranekær", "Ulfborg", "Vestervig",
         "Østerhede", "Aggersund", "Bovrup", "Dybbøl IF"],
    ],
    "V": [
        ["Haukilahti", "Ilvesjärvi", "Jokela", "Kallio Palloseura", "Lahdenpää", "Metsälä", "Niittykumpu", "Oulunsalo",
         "Pihlajisto", "Rantakylä", "Saarijärvi", "Tammisto", "Uusikylä", "Vaskiluoto"],
        ["Ylämaa", "Aurajoki", "Honkanummi", "Kivistö", "Lauttasaari", "Mäntylä", "Närpiö", "Peltola", "Ruskeasuo",
         "Sammalkallio", "Toivola", "Vuorela"],
    ],
}
ADDED_LEAGUES["E"] = ADDED_LEAGUES["A"]
ADDED_LEAGUES["H"] = [ADDED_LEAGUES["G"][0] + ["Hjortshøj", "Kongsted"], ADDED_LEAGUES["G"][1]]
ADDED_LEAGUES["T"] = LEAGUES["S"]
ADDED_LEAGUES["O"] = [LEAGUES["I"][0][:10], LEAGUES["I"][1][:10]]
# (pool, first draw, draw step, deadlines of weeks 47 to 50, half-time pool of the same coupon);
# week 50 has the draw and deadline of the active pools the program ships, so a
# first start on that list finds its round here.
ADDED_POOLS = {
    "A": (2589, 4, ["2026-11-18 18:59", "2026-11-25 18:59", "2026-12-02 18:59", "2026-12-09 18:59"], "B"),
    "E": (2592, 4, ["2026-11-22 14:59", "2026-11-29 14:59", "2026-12-06 14:59", "2026-12-13 14:59"], "F"),
    "G": (1645, 1, ["2026-11-18 18:59", "2026-11-25 18:59", "2026-12-02 18:59", "2026-12-09 18:59"], None),
    "H": (1447, 1, ["2026-11-21 15:00", "2026-11-28 15:00", "2026-12-05 15:00", "2026-12-12 15:00"], None),
    "V": (5030, 1, ["2026-11-21 15:45", "2026-11-28 15:45", "2026-12-05 15:45", "2026-12-12 15:45"], None),
    "T": (809, 1, ["2026-11-21 15:30", "2026-11-28 15:30", "2026-12-05 15:30", "2026-12-12 15:30"], None),
    "O": (5121, 1, ["2026-11-22 15:29", "2026-11-29 15:29", "2026-12-06 15:29", "2026-12-13 15:29"], None),
}
# Pools that share clubs play other pairings in the same week.
SCHEDULE_OFFSET = {"E": 6, "H": 3, "T": 5, "O": 3}
# Where a pool's payouts stop (the program pays down to this many right).
FIRST_WIN_LEVEL = {"T": 11, "O": 7}
# (pool, first draw, draw step, deadlines of weeks 47 to 50)
POOLS = {
    "S": (4848, 1, ["2026-11-21 15:59", "2026-11-28 15:59", "2026-12-05 15:59", "2026-12-12 15:59"]),
    "I": (2309, 1, ["2026-11-22 15:59", "2026-11-29 15:59", "2026-12-06 15:59", "2026-12-13 15:59"]),
    "C": (2590, 4, ["2026-11-21 14:59", "2026-11-28 14:59", "2026-12-05 14:59", "2026-12-12 14:59"]),
}
WEEKS = ["2026-47", "2026-48", "2026-49", "2026-50"]
SIGNS = {"S": "1X2", "I": "1X2", "C": "HUB", "D": "HUB", "A": "HUB", "B": "HUB", "E": "HUB", "F": "HUB",
         "G": "1X2", "H": "1X2", "V": "1X2", "T": "1X2", "O": "1X2"}
COMMENTS = [
    "{h} har vunnit tre raka hemma.", "{a} saknar sin bäste målskytt.", "Jämnt möte, {h} har formen.",
    "{a} har inte förlorat på fem matcher.", "{h} tappar poäng mot lag på undre halvan.",
    "Derby med mycket prestige, {a} spelar för att inte förlora.", "{h} har ny tränare sedan förra veckan.",
]
STRENGTH = {}


def slug(name):
    table = str.maketrans({"ø": "o", "Ø": "O", "å": "a", "Å": "A", "æ": "ae", "é": "e", "è": "e", "ä": "a", "ö": "o"})
    return "".join(c if c.isalnum() else "_" for c in name.translate(table).lower()).strip("_")


def schedule(teams, k):
    """Pairings of round k by the circle method."""
    n = len(teams)
    order = [teams[0]] + teams[1:][k % (n - 1):] + teams[1:][: k % (n - 1)]
    pairs = [(order[i], order[n - 1 - i]) for i in range(n // 2)]
    return [(a, b) if (i + k) % 2 == 0 else (b, a) for i, (a, b) in enumerate(pairs)]


def poisson(lam, source):
    limit, k, p = math.exp(-lam), 0, 1.0
    while True:
        p *= source.random()
        if p < limit:
            return k
        k += 1


def probabilities(home, away):
    d = STRENGTH[home] - STRENGTH[away] + 0.25
    p1 = 1 / (1 + math.exp(-1.6 * d)) * 0.78
    px = 0.27 - 0.05 * abs(d)
    p2 = max(0.05, 1 - p1 - px)
    s = p1 + px + p2
    return [p1 / s, px / s, p2 / s]


def match_lines(code, home, away, scores, draws=None):
    draws = draws or rng
    p = probabilities(home, away)
    people = [max(1.0, 100 * q + draws.uniform(-6, 6)) for q in p]
    total = sum(people)
    people = [round(100 * x / total, 1) for x in people]
    odds = [round(1 / (q * 1.12), 2) for q in p]
    news = [round(10 * q) for q in p]
    news[news.index(max(news))] += 10 - sum(news)
    order = sorted(range(3), key=lambda s: -p[s])
    signs = SIGNS[code]
    tips = signs[order[0]] if p[order[0]] > 0.5 else "".join(sorted(signs[order[0]] + signs[order[1]], key=signs.index))
    lines = [f"Home={home}", f"Away={away}"]
    lam_h, lam_a = 0.6 + 1.6 * p[0], 0.5 + 1.5 * p[2]
    hg, ag = poisson(lam_h, scores), poisson(lam_a, scores)
    lines.append(f"Score={hg}-{ag}")
    half = (scores.randint(0, hg), scores.randint(0, ag))
    lines += [
        "People=" + ";".join(f"{x:.1f}" for x in people),
        "News=" + ";".join(str(x) for x in news),
        "Odds=" + ";".join(f"{x:.2f}" for x in odds),
        f"Tips={tips}",
        "Comment=" + draws.choice(COMMENTS).format(h=home, a=away),
    ]
    return lines, half


def payouts(n, top, source, first=10):
    out, winners = [], source.choice([0, 1, 2, 3, 5, 8, 14])
    pool = source.randint(4, 30) * 1_000_000 if top else source.randint(3, 9) * 100_000
    for level in range(n, max(first, n - 3) - 1, -1):
        share = pool * (0.35 if level == n else 0.12)
        payout = int(share / winners) if winners else 0
        if level < n and payout < 15:
            payout = 0  # too small to pay out
        out.append(f"{level}={winners};{payout}")
        winners = winners * source.randint(12, 22) + source.randint(1, 9)
    return out


def write(path, lines):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text("".join(line + "\n" for line in lines), encoding="utf-8")


def rounds():
    folder = DATA / "rounds"
    folder.mkdir(parents=True, exist_ok=True)
    for old in folder.glob("*.ini"):
        old.unlink()
    for code, (first, step, deadlines) in POOLS.items():
        for k, (week, deadline) in enumerate(zip(WEEKS, deadlines)):
            draw = first + k * step
            scores = rng if k < len(WEEKS) - 1 else later
            n = sum(len(t) // 2 for t in LEAGUES[code])
            repeat = [f"Repeat={REPEAT}", f"DrawStep={step}"]
            head = ["[Round]", f"Typ={code}", f"OmgID={draw}", f"Omg={week}", f"Deadline={deadline}"] + repeat
            body, halves = [], []
            m = 0
            for teams in LEAGUES[code]:
                for home, away in schedule(teams, k):
                    m += 1
                    lines, half = match_lines(code, home, away, scores)
                    body += ["", f"[Match{m}]"] + lines
                    halves.append((home, away, half))
            pay = ["", "[Payout]"] + payouts(n, code != "C", scores)
            write(folder / f"{code}-{draw}.ini", head + pay + body)
            if code == "C":
                # The half-time pool of the same draw: the scores at the break.
                body = []
                for i, (home, away, (hg, ag)) in enumerate(halves, 1):
                    body += ["", f"[Match{i}]", f"Home={home}", f"Away={away}", f"Score={hg}-{ag}"]
                head = ["[Round]", "Typ=D", f"OmgID={draw}", f"Omg={week}", f"Deadline={deadline}"] + repeat
                write(folder / f"D-{draw}.ini", head + ["", "[Payout]"] + payouts(n, False, scores) + body)


def added_rounds():
    """The pools added later, each with its half-time pool where it has one."""
    folder = DATA / "rounds"
    for code, (first, step, deadlines, half_code) in ADDED_POOLS.items():
        for k, (week, deadline) in enumerate(zip(WEEKS, deadlines)):
            draw = first + k * step
            scores = added if k < len(WEEKS) - 1 else added_later
            n = sum(len(t) // 2 for t in ADDED_LEAGUES[code])
            repeat = [f"Repeat={REPEAT}", f"DrawStep={step}"]
            head = ["[Round]", f"Typ={code}", f"OmgID={draw}", f"Omg={week}", f"Deadline={deadline}"] + repeat
            body, halves = [], []
            m = 0
            for teams in ADDED_LEAGUES[code]:
                for home, away in schedule(teams, k + SCHEDULE_OFFSET.get(code, 0)):
                    m += 1
                    lines, half = match_lines(code, home, away, scores, added)
                    body += ["", f"[Match{m}]"] + lines
                    halves.append((home, away, half))
            level = FIRST_WIN_LEVEL.get(code, 10)
            pay = ["", "[Payout]"] + payouts(n, code in "GHVT", scores, level)
            write(folder / f"{code}-{draw}.ini", head + pay + body)
            if half_code:
                body = []
                for i, (home, away, (hg, ag)) in enumerate(halves, 1):
                    body += ["", f"[Match{i}]", f"Home={home}", f"Away={away}", f"Score={hg}-{ag}"]
                head = ["[Round]", f"Typ={half_code}", f"OmgID={draw}", f"Omg={week}", f"Deadline={deadline}"] + repeat
                write(folder / f"{half_code}-{draw}.ini", head + ["", "[Payout]"] + payouts(n, False, scores) + body)


def png(path, colours):
    size = 32
    rows = []
    for y in range(size):
        row = b"\x00"
        for x in range(size):
            inside = x >= 3 and x < size - 3 and y >= 2 and (y < 20 or abs(x - size / 2) < (size - y) * 0.9)
            if not inside:
                row += b"\x00\x00\x00\x00"
            else:
                c = colours[0] if x + y < size else colours[1]
                row += bytes(c) + b"\xff"
        rows.append(row)
    raw = zlib.compress(b"".join(rows), 9)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
                     chunk(b"IDAT", raw) + chunk(b"IEND", b""))


def clubs():
    logos = DATA / "logos"
    logos.mkdir(parents=True, exist_ok=True)
    for old in logos.glob("*.png"):
        old.unlink()
    league_names = {"S": ["Premier League", "Championship"], "I": ["Liga Continental", "Liga Norte"],
                    "C": ["Eliteserien", "Førstedivisjon"]}
    stat = ["; Club names of the Vinra 2000 web service: [Alias] maps the operators' spellings",
            "; to a club's own name; [League] lists every known club.", "[Update]", "FileOK=1", "", "[Alias]"]
    logo = ["; Logo pictures of the clubs, on this web service.", "[Update]", "FileOK=1", "", "[Images]"]
    league = ["", "[League]"]
    for code, groups in LEAGUES.items():
        for teams, name in zip(groups, league_names[code]):
            for team in teams:
                short = team.split(" ")[0]
                if short != team and len(short) > 3:
                    stat.append(f"{short}={team}")
                league.append(f"{team}={name}")
                logo.append(f"{team}={{SERVICE}}/vinra2000/logos/{slug(team)}.png")
                palette = [(rng.randint(0, 255), rng.randint(0, 255), rng.randint(0, 255)) for _ in range(2)]
                png(logos / f"{slug(team)}.png", palette)
    added_names = {"A": ["Divisjon Nord", "Divisjon Sør"], "G": ["Superligaen", "1. division"],
                   "V": ["Veikkausliiga", "Ykkönen"]}
    for code, names in added_names.items():
        for teams, name in zip(ADDED_LEAGUES[code], names):
            for team in teams:
                short = team.split(" ")[0]
                if short != team and len(short) > 3:
                    stat.append(f"{short}={team}")
                league.append(f"{team}={name}")
                logo.append(f"{team}={{SERVICE}}/vinra2000/logos/{slug(team)}.png")
                palette = [(added.randint(0, 255), added.randint(0, 255), added.randint(0, 255)) for _ in range(2)]
                png(logos / f"{slug(team)}.png", palette)
    for team in ADDED_LEAGUES["H"][0][-2:]:
        league.append(f"{team}=Superligaen")
        logo.append(f"{team}={{SERVICE}}/vinra2000/logos/{slug(team)}.png")
        palette = [(added.randint(0, 255), added.randint(0, 255), added.randint(0, 255)) for _ in range(2)]
        png(logos / f"{slug(team)}.png", palette)
    write(DATA / "teamstat.ini", stat + league)
    write(DATA / "teamlogo.ini", logo)


def strengths():
    for groups in LEAGUES.values():
        for teams in groups:
            for team in teams:
                STRENGTH[team] = rng.gauss(0, 0.6)
    for code in ("A", "G", "V", "H"):
        for teams in ADDED_LEAGUES[code]:
            for team in teams:
                if team not in STRENGTH:
                    STRENGTH[team] = added.gauss(0, 0.6)


if __name__ == "__main__":
    strengths()
    rounds()
    added_rounds()
    clubs()
    print("sample season written to", DATA)
