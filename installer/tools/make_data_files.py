#!/usr/bin/env python3
"""Writes the shipped INI files of resources/: National.Ini, update.ini and the
first-start activepools.ini, as Windows-1252 text with CR LF line ends (the
form existing installations share these files in).

Run from anywhere: python3 installer/tools/make_data_files.py
"""
import pathlib

RES = pathlib.Path(__file__).resolve().parents[2] / "resources"

# The maker's web service: vinra-service, which ./run.sh starts on this address.
SERVICE = "http://127.0.0.1:8080"

# (code, pool name, operator, coupon columns, price per row in hundredths,
#  home/draw/away, pause tipping, xml, logo)
POOLS = [
    ("S", "Stryktipset", "Svenska Spel", 12, 100, ("1", "X", "2"), False, True, "stryktipset.png"),
    ("I", "Europatipset", "Svenska Spel", 12, 100, ("1", "X", "2"), False, True, "europatipset.png"),
    ("A", "Tipping Midtuke", "Norsk Tipping", 10, 100, ("H", "U", "B"), True, True, "tipping_midtuke.png"),
    ("B", "Tipping Midtuke Pause", "Norsk Tipping", 10, 100, ("H", "U", "B"), False, True, "tipping_midtuke_pause.png"),
    ("C", "Tipping L\u00f8rdag", "Norsk Tipping", 10, 100, ("H", "U", "B"), True, True, "tipping_lordag.png"),
    ("D", "Tipping L\u00f8rdag Pause", "Norsk Tipping", 10, 100, ("H", "U", "B"), False, True, "tipping_lordag_pause.png"),
    ("E", "Tipping S\u00f8ndag", "Norsk Tipping", 10, 100, ("H", "U", "B"), True, True, "tipping_sondag.png"),
    ("F", "Tipping S\u00f8ndag Pause", "Norsk Tipping", 10, 100, ("H", "U", "B"), False, True, "tipping_sondag_pause.png"),
    ("G", "Tips 12", "Dansk Tipstjeneste", 10, 100, ("1", "X", "2"), False, False, "tips12.png"),
    ("H", "Tips 13", "Dansk Tipstjeneste", 10, 100, ("1", "X", "2"), False, False, "tips13.png"),
    ("V", "Vakioveikkaus", "Veikkaus", 10, 10, ("1", "X", "2"), False, True, "vakioveikkaus.png"),
    ("T", "SuperToto", "Unibet", 10, 100, ("1", "X", "2"), False, True, "supertoto.png"),
    ("O", "SuperToto Extra", "Unibet", 10, 100, ("1", "X", "2"), False, True, "supertoto_extra.png"),
]

# Operators in the order the program lists them, with their public home pages.
OPERATORS = [
    ("Svenska Spel", [("Svenska Spel", "https://www.svenskaspel.se/")]),
    ("Norsk Tipping", [("Norsk Tipping", "https://www.norsk-tipping.no/")]),
    ("Dansk Tipstjeneste", [("Danske Spil", "https://danskespil.dk/")]),
    ("Veikkaus", [("Veikkaus", "https://www.veikkaus.fi/")]),
    ("Unibet", [("Unibet", "https://www.unibet.com/")]),
]


def write(name, lines):
    data = "".join(line + "\r\n" for line in lines).encode("cp1252")
    (RES / name).write_bytes(data)
    print(f"{name}: {len(data)} bytes")


# Coupon layouts: millimetres from the printable page's top-left corner, with a
# decimal comma. Keys in the order the program reads them. Each operator's coupon
# has a row of fixed boxes under the match grid: the one saying how the rows are
# played is crossed on every coupon, the others only show on the test page.
CHECK_BOXES = {
    "Svenska Spel": [("Enkelrader", 1), ("1 omg\u00e5ng", 1), ("Flera omg\u00e5ngar", 0)],
    "Norsk Tipping": [("Enkeltrekker", 1), ("1 uke", 1), ("Flere uker", 0)],
    "Dansk Tipstjeneste": [("Enkeltr\u00e6kker", 1), ("1 uge", 1), ("Flere uger", 0)],
    "Veikkaus": [("Yksitt\u00e4isrivit", 1), ("1 kierros", 1), ("Useita kierroksia", 0)],
    "Unibet": [("Single rows", 1), ("1 round", 1), ("Several rounds", 0)],
}


def mm(value):
    return f"{value:g}".replace(".", ",")


def layout(operator, cols):
    # Twelve row columns sit closer together than ten, so both fill the coupon's width.
    if cols >= 12:
        start, box, step, top, line = 38.0, 3.5, 13.0, 22.0, 5.0
    else:
        start, box, step, top, line = 40.0, 4.0, 15.5, 24.0, 5.5
    gap = box + 0.5
    grid_bottom = top + 13 * line
    out = [
        "Fontname=Arial",
        "Fontsize=10",
        "Bold=1",
        f"KolumnAvstand={mm(step)}",
        f"KolumnBredd={mm(box)}",
        f"StartBredd1={mm(start)}",
        f"StartBreddX={mm(start + gap)}",
        f"StartBredd2={mm(start + 2 * gap)}",
        f"StartHojd={mm(top)}",
        f"HojdOkning={mm(line)}",
    ]
    for i, (label, printed) in enumerate(CHECK_BOXES[operator]):
        out.append(f"CB{i}={label}|{mm(start + i * 3 * step)}|{mm(grid_bottom + 6)}|{printed}")
    out += [f"NamnX={mm(10)}", f"NamnY={mm(grid_bottom + 14)}"]
    return out


def national():
    out = [
        "; Pools, operators and per-pool settings of Vinra 2000.",
        "; The coupon layout keys of each pool (Fontname, StartHojd, CB0, ...) are a",
        "; starting layout in millimetres; users adjust them in the coupon settings dialog.",
        "[Countries]",
    ]
    out += [f"{i}={name}" for i, (name, _) in enumerate(OPERATORS)]
    out += ["", "[Pools]"]
    out += [f"{p[0]}={p[2]}" for p in POOLS]
    for op, links in OPERATORS:
        out += ["", f"[{op}]"]
        out += [f"{p[0]}={p[1]}" for p in POOLS if p[2] == op]
        for i, (caption, url) in enumerate(links):
            out += [f"MENU{i}={caption}", f"URL{i}={url}"]
    for code, name, op, cols, price, (h, d, a), pause, xml, img in POOLS:
        out += [
            "",
            f"[{name}]",
            f"Img=Images/{img}",
            f"CouponColumns={cols}",
            f"dbID={code}",
            f"Home={h}",
            f"Draw={d}",
            f"Away={a}",
            f"PauseTipping={int(pause)}",
            f"XML={int(xml)}",
            f"PricePerRow={price}",
            "PrintChar=X",
        ]
        out += layout(op, cols)
    write("National.Ini", out)


# How each pool's results are fetched by the interval download: by draw number
# (1) or by year and week (2).
BY_DRAW = ("S", "I", "G", "H")


def update(service=SERVICE, ini_version="700", path=None):
    """update.ini. The web service publishes the same file with its own address
    in place of {SERVICE} and a newer IniVersion, so the program's first update
    check fetches the club data files."""
    xpaths = [
        "XMLOmgID=//omgang",
        "XMLResDBID=//omgang",
        "XMLCheckYear=//vecka",
        "XMLCheckYearPos=1",
        "XMLCheckWeek=//vecka",
        "XMLCheckWeekPos=6",
        "XMLCheckYearRes=//vecka",
        "XMLCheckYearResPos=1",
        "XMLCheckWeekRes=//vecka",
        "XMLCheckWeekResPos=6",
        "XMLGetGamesHome=//match/hemmalag",
        "XMLGetGamesAway=//match/bortalag",
        "XMLGetRightRow=//match/tecken",
        "XMLResultList=1",
        "XMLGetMoney=//niva/belopp",
        "XMLGetWinners=//niva/antal",
    ]
    # The HTML results page: the week after "Vecka:", a table of matches with
    # "Matcher" in its header (number, "home - away", sign), a payout table with
    # "Utdelning" in its header (level, winners, payout).
    html = [
        "GetWeekNumber=Vecka:",
        "GetGamesTableNo=Matcher",
        "GetResultGamesTableNo=Matcher",
        "GetGamesSep=-",
        "GetResultGamesSep=-",
        "GetGamesStartRow=1",
        "GetResultGamesStartRow=1",
        "GetGamesColumn=0",
        "GetResultGamesColumn=0",
        "GetResultCharColumn=1",
        "GetResultSepCol=0",
        "GetResultTableNo=Utdelning",
        "GetResultRight=r\u00e4tt",
        "GetResultAntColumn=0",
        "GetResultUtdColumn=1",
    ]
    out = [
        "; Service definitions of Vinra 2000. The update check replaces this file by the",
        "; one the web service publishes; these are the defaults shipped with the program.",
        "[Update]",
        "PgmVersion=7.51",
        f"PgmUrl={service}/vinra2000/",
        "PgmInfo=",
        f"IniVersion={ini_version}",
        f"IniUrl={service}/vinra2000/ini/teamstat.ini",
        f"TeamLogo={service}/vinra2000/ini/teamlogo.ini",
        "IniInfo=",
        "Varning=",
        "",
        "; The maker's web service: Host serves the data files, the active pools, uploads,",
        "; help and statistics pages; ProxyHost the operator proxies (live scores).",
        "[Service]",
        f"Host={service}",
        f"ProxyHost={service}",
        "",
        "; Per pool: the name the file panel shows, and where games, results and game",
        "; information come from. The results XML of the service is read with the XPaths",
        "; below: <resultat><omgang>draw</omgang><vecka>yyyy-ww</vecka>",
        ";   <match><hemmalag/><bortalag/><tecken/></match>...",
        ";   <utdelning><niva><belopp/><antal/></niva>...</utdelning></resultat>",
        "; Without a draw number or a year and week the service sends the current round.",
    ]
    for code, name, op, *_ in POOLS:
        by_draw = code in BY_DRAW
        param = "&omgang=%d" if by_draw else "&aar=%s&uke=%s"
        if code in ("S", "I"):
            xml_url = f"{service}/api/svenskaspel/XMLresultatProxy.php?produktid={1 if code == 'S' else 2}"
        else:
            xml_url = f"{service}/api/vinra/XMLresultatProxy.php?typ={code}"
        if code in ("G", "H"):
            game = "tips12" if code == "G" else "tips13"
            html_url, html_param = f"{service}/spil/tips/{game}/resultater.php?", "draw=%d"
        else:
            html_url, html_param = f"{service}/spel/resultat.php?typ={code}", param
        out += ["", f"[{code}]", f"Name={name}",
                f"XMLGetGamesUrl={xml_url}", f"XMLGetGamesParam={param}",
                f"XMLGetResultUrl={xml_url}", f"XMLGetResultParam={param}"]
        out += xpaths
        out += [f"GetGamesLink={html_url}", f"GetGamesParam={html_param}",
                f"GetResultLink={html_url}", f"GetResultParam={html_param}"]
        out += html
        out += [f"ResultLinkType={1 if by_draw else 2}"]
        if code in ("S", "I", "T", "O"):
            product = {"S": "svenskaspel/XMLinfoProxy.php?produktid=1",
                       "I": "svenskaspel/XMLinfoProxy.php?produktid=2",
                       "T": "unibet/XMLinfoProxy.php?produktid=1",
                       "O": "unibet/XMLinfoProxy.php?produktid=2"}[code]
            out += [f"Details={service}/api/{product}&omgang=%s"]
        else:
            # The other operators' information comes through the service's own proxy.
            out += [f"Details={service}/api/vinra/XMLinfoProxy.php?typ={code}&omgang=%s"]
    if path is None:
        write("update.ini", out)
    else:
        # The web service's copy is UTF-8; it sends it as Windows-1252.
        path.write_text("".join(line + "\n" for line in out), encoding="utf-8")
        print(f"{path}: written")


def activepools():
    # A list to start with; the program fetches the current one from the web
    # service as soon as it runs, because Date lies in the past.
    rounds = [
        ("S", 0, 13, "2026-50", 4851, "2026-12-12 15:59"),
        ("I", 0, 13, "2026-50", 2312, "2026-12-13 15:59"),
        ("A", 0, 12, "2026-50", 2601, "2026-12-09 18:59"),
        ("C", 0, 12, "2026-50", 2602, "2026-12-12 14:59"),
        ("H", 0, 13, "2026-50", 1450, "2026-12-12 15:00"),
        ("V", 0, 13, "2026-50", 5033, "2026-12-12 15:45"),
        ("T", 0, 13, "2026-50", 812, "2026-12-12 15:30"),
    ]
    by_code = {p[0]: p for p in POOLS}
    out = [
        "; Active pools shipped for the first start; replaced by the web service's list.",
        "[Info]",
        "FileOK=1",
        "Date=2026-12-06",
        "Pools=" + "".join(r[0] for r in rounds),
    ]
    out += [f"{code}={code}{index}" for code, index, *_ in rounds]
    for code, index, n, omg, draw, deadline in rounds:
        pool = by_code[code]
        out += [
            "",
            f"[{code}{index}]",
            f"N={pool[1]}",
            f"C={pool[2]}",
            f"Omg={omg}",
            f"XMLOmgang={draw}",
            f"NumGames={n}",
            f"Deadline={deadline}",
        ]
    write("activepools.ini", out)


if __name__ == "__main__":
    national()
    update()
    update("{SERVICE}", "701", RES.parent / "service" / "data" / "update.ini")
    activepools()
