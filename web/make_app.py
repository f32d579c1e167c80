#!/usr/bin/python3
"""Makes the static folder that make_page.py assembled into an installable classroom app:

- icon-192.png and icon-512.png, rendered from assets/piecettes.svg with rsvg-convert,
  and icon-maskable-512.png, the icon inside the safe zone on the window's teal;
- a web app manifest for each address the installed app may start from: manifest.webmanifest
  (./, where the browser's languages choose) and manifest-<tag>.webmanifest (./?lang=<tag>)
  for each language, and for each other country of the euro area where the language is
  spoken, whose money format the region may change: page.cpp chooses among them by the
  same rule (appLanguageTag in presentation/language.cpp);
- sw.js, the service worker, with the list of the folder's files and the name of their
  cache, made of a hash of their contents and of the worker's own text.

With --site and --worker only, it writes the worker alone, for a folder changed since.
"""
import argparse
import hashlib
import json
import pathlib
import re
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "presentation"))
import make_catalogues  # noqa: E402

WORKER = "sw.js"
NAME = "Piécettes"
TEAL = "#008080"
GROUND = "#1b1b1b"  # the page's ground, around the window (page.html)
ICON_SIZES = (192, 512)
MASKABLE = "icon-maskable-512.png"
# Of a maskable icon, only the circle of 40 % of its size around its middle is sure to
# show: the square icon fits inside it.
SAFE_SIDE = 80 / 2 ** 0.5

# catalogue.cpp's table of languages: gettext code, tag, main locale, face.
LANGUAGE_ROW = re.compile(r'\{"([^"]+)",\s*"([^"]*)",\s*"([a-z]+)_([A-Z]+)",\s*Face::\w+\}')
# money.cpp's rows: each locale of the euro area.
EURO_ROW = re.compile(r'Row\{"([a-z]+)_([A-Z]+)"')


def language_tags(catalogue, money):
    """Every tag that appLanguageTag can give, with its gettext code: each language's,
    and each with a region of the euro area other than the language's main one."""
    languages = LANGUAGE_ROW.findall(catalogue.read_text(encoding="utf-8"))
    euro = EURO_ROW.findall(money.read_text(encoding="utf-8"))
    if not languages or not euro:
        raise SystemExit("make_app.py: no table of %s found" % ("languages in %s" % catalogue if not languages
                                                               else "euro locales in %s" % money))
    tags = {}
    for code, tag, language, main_region in languages:
        tag = tag or code
        tags[tag] = code
        for other, region in euro:
            if other == language and region != main_region:
                tags["%s-%s" % (tag, region)] = code
    return tags


def descriptions(po_files, french):
    """The program's one-line description in each language, by gettext code, as the
    desktop entry has it."""
    found = {"fr": french}
    for path in po_files:
        for entry in make_catalogues.parse(path):
            if entry.context is None and entry.msgid == french and entry.strs.get(None, [""])[0]:
                found[path.stem] = entry.strs[None][0]
    return found


def manifest(tag, description):
    start = "./?lang=%s" % tag if tag else "./"
    icons = [{"src": "icon-%d.png" % size, "sizes": "%dx%d" % (size, size), "type": "image/png", "purpose": "any"}
             for size in ICON_SIZES]
    icons.append({"src": MASKABLE, "sizes": "512x512", "type": "image/png", "purpose": "maskable"})
    # A language whose gettext file lacks the description goes without one rather than
    # with another language's.
    described = {"description": description} if description else {}
    return {
        "id": start,
        "name": NAME,
        "short_name": NAME,
        **described,
        "lang": tag or "fr",
        "dir": "ltr",
        "start_url": start,
        "scope": "./",
        # The whole screen where the system allows it, else a window of its own.
        "display": "fullscreen",
        "display_override": ["fullscreen", "standalone", "minimal-ui"],
        # The window scales into the screen either way up: a tablet held upright plays too.
        "orientation": "any",
        "theme_color": TEAL,
        "background_color": GROUND,
        "categories": ["education", "kids"],
        "icons": icons,
    }


def maskable_svg(icon):
    """The icon's drawing in the middle of a teal square, inside the safe zone."""
    ElementTree.register_namespace("", "http://www.w3.org/2000/svg")
    drawing = ElementTree.parse(icon).getroot()
    offset = (100 - SAFE_SIDE) / 2
    for name, value in (("x", offset), ("y", offset), ("width", SAFE_SIDE), ("height", SAFE_SIDE)):
        drawing.set(name, "%.3f" % value)
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="512" height="512" viewBox="0 0 100 100">'
            '<rect width="100" height="100" fill="%s"/>%s</svg>' % (TEAL, ElementTree.tostring(drawing, encoding="unicode")))


def render(rsvg, svg, size, output):
    subprocess.run([rsvg, "--width", str(size), "--height", str(size), "--output", str(output), str(svg)], check=True)


def write_worker(site, template):
    """sw.js, listing every other file of the folder, and the folder itself for the page."""
    files = sorted(p.relative_to(site).as_posix() for p in site.rglob("*") if p.is_file() and p.name != WORKER)
    digest = hashlib.sha256(template.encode("utf-8"))
    for name in files:
        content = (site / name).read_bytes()
        digest.update(b"%s\0%d\0" % (name.encode("utf-8"), len(content)))
        digest.update(content)
    text = template.replace("@CACHE@", "piecettes-" + digest.hexdigest()[:16])
    text = text.replace("@FILES@", json.dumps(["./"] + files))
    (site / WORKER).write_text(text, encoding="utf-8")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--site", type=pathlib.Path, required=True, help="the static folder")
    parser.add_argument("--worker", type=pathlib.Path, required=True, help="web/sw.js, the worker's template")
    parser.add_argument("--icon", type=pathlib.Path, help="assets/piecettes.svg")
    parser.add_argument("--rsvg-convert", default="rsvg-convert")
    parser.add_argument("--catalogue", type=pathlib.Path, help="presentation/catalogue.cpp")
    parser.add_argument("--money", type=pathlib.Path, help="presentation/money.cpp")
    parser.add_argument("--description", help="the program's description in French")
    parser.add_argument("--scratch", type=pathlib.Path, help="a folder for the maskable icon's drawing")
    parser.add_argument("po", type=pathlib.Path, nargs="*", help="the gettext files")
    args = parser.parse_args()

    if args.icon:
        if not (args.catalogue and args.money and args.description and args.scratch):
            parser.error("--icon needs --catalogue, --money, --description and --scratch")
        for size in ICON_SIZES:
            render(args.rsvg_convert, args.icon, size, args.site / ("icon-%d.png" % size))
        args.scratch.mkdir(parents=True, exist_ok=True)
        drawing = args.scratch / "icon-maskable.svg"
        drawing.write_text(maskable_svg(args.icon), encoding="utf-8")
        render(args.rsvg_convert, drawing, 512, args.site / MASKABLE)

        described = descriptions(args.po, args.description)
        for tag, code in {"": "fr", **language_tags(args.catalogue, args.money)}.items():
            name = "manifest-%s.webmanifest" % tag if tag else "manifest.webmanifest"
            text = json.dumps(manifest(tag, described.get(code)), ensure_ascii=False, indent=2)
            (args.site / name).write_text(text + "\n", encoding="utf-8")

    write_worker(args.site, args.worker.read_text(encoding="utf-8"))


if __name__ == "__main__":
    main()
