#!/usr/bin/env python3
"""Turns the manual's Markdown pages into the HTML pages that the program
installs and the web service serves.

help/<lang>/<page>.md   ->  <out>/<base>/<page>.htm
help/pictures/<lang>/*.png  ->  <out>/<base>/*.png

The language folders are sv, en, da, no, fi (bases 0, 10000, 20000, 30000,
40000). A page's first line "# Title" is its title. Links between pages name
the page file ("generate.htm"); a link or picture that does not resolve stops
the build, so a broken manual never ships.
"""
import html
import pathlib
import re
import shutil
import sys

import markdown

LANGUAGES = [("sv", 0), ("en", 10000), ("da", 20000), ("no", 30000), ("fi", 40000)]
CONTENTS = {"sv": "Innehåll", "en": "Contents", "da": "Indhold", "no": "Innhold", "fi": "Sisällys"}
STYLE = """body{font-family:"DejaVu Sans",Verdana,sans-serif;max-width:50em;margin:1em auto;padding:0 1em;line-height:1.45;color:#222}
nav{border-bottom:1px solid #ccc;padding-bottom:.4em;margin-bottom:1em;font-size:.9em}
h1{color:#1b4f8a;font-size:1.6em}h2{color:#1b4f8a;font-size:1.2em;margin-top:1.4em}
table{border-collapse:collapse}td,th{border:1px solid #bbb;padding:.2em .5em;text-align:left}
code,kbd{background:#f1f1f1;padding:0 .2em;border-radius:3px}
img{max-width:100%;border:1px solid #ccc;margin:.5em 0}"""
LINK = re.compile(r'(?:href|src)="([^"]*)"')


def page_html(lang, title, body):
    return (f'<!DOCTYPE html>\n<html lang="{lang}">\n<head>\n<meta charset="utf-8">\n'
            f'<title>Vinra 2000 – {html.escape(title)}</title>\n<style>{STYLE}</style>\n</head>\n<body>\n'
            f'<nav><a href="main.htm">{CONTENTS[lang]}</a></nav>\n{body}\n</body>\n</html>\n')


def build(src: pathlib.Path, out: pathlib.Path) -> list:
    problems = []
    for lang, base in LANGUAGES:
        target = out / str(base)
        if target.exists():
            shutil.rmtree(target)
        target.mkdir(parents=True)
        pictures = src / "pictures" / lang
        if pictures.is_dir():
            for png in sorted(pictures.glob("*.png")):
                shutil.copyfile(png, target / png.name)
        for md in sorted((src / lang).glob("*.md")):
            text = md.read_text(encoding="utf-8")
            first = text.splitlines()[0] if text else ""
            if not first.startswith("# "):
                problems.append(f"{md}: the first line must be '# Title'")
                continue
            body = markdown.markdown(text, extensions=["tables", "sane_lists"], output_format="html")
            (target / (md.stem + ".htm")).write_text(page_html(lang, first[2:].strip(), body), encoding="utf-8")
        for page in sorted(target.glob("*.htm")):
            for link in LINK.findall(page.read_text(encoding="utf-8")):
                if link.startswith(("http://", "https://", "mailto:", "#")):
                    continue
                name = link.split("#", 1)[0]
                if "/" in name or not (target / name).is_file():
                    problems.append(f"{lang}/{page.name}: the link {link} leads nowhere")
    return problems


def main(argv):
    if len(argv) != 3:
        print("usage: build_help.py <help source folder> <output folder>", file=sys.stderr)
        return 2
    problems = build(pathlib.Path(argv[1]), pathlib.Path(argv[2]))
    for p in problems:
        print("build_help.py: " + p, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
