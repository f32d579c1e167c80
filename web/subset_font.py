#!/usr/bin/python3
"""Cuts a font down to the glyphs the page can show in the languages drawn in its face,
as WOFF2 under a family name of the page's own, which no system font has.

The glyphs: printable ASCII (what a child may type into the answer), the euro sign and
the no-break space, the French texts of catalogue.cpp, and the texts of every gettext
file whose language catalogue.cpp draws in this face (its table of languages; a
language it does not know yet is drawn in the rounded face), their {placeholders} left
out. With --keys, only those texts and the digits: the italic face shows the score line
alone, which nobody types into.

The cut keeps every outline, its kerning and ligatures as they are; it unfolds the
subroutines of a CFF font (the same outlines, which compress better), and with
--no-hinting drops a TrueType font's hinting instructions, which weigh a third of
Comfortaa's cut and which neither Chromium nor Firefox on Linux draws any differently
without.

A font that lacks a letter one of its languages needs stops the build, naming the
letters and the files: the browser would draw them in another font, in the middle of a
word.
"""
import argparse
import pathlib
import re
import sys

from fontTools import subset

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "presentation"))
import make_catalogues  # noqa: E402

TYPED = {chr(c) for c in range(0x20, 0x7F)} | {"\u20ac", "\u00a0"}
PLACEHOLDER = re.compile(r"\{[a-z]+\}")
LANGUAGE_ROW = re.compile(r'\{"([^"]+)",\s*"[^"]*",\s*"[^"]*",\s*Face::(\w+)\}')
FRENCH_TEXT = re.compile(r'\bNP?_\("(\w+)",((?:\s*"(?:[^"\\\n]|\\.)*",?)+)\)')


def faces(catalogue):
    """Each language's face, by gettext code, from catalogue.cpp's table."""
    rows = dict(LANGUAGE_ROW.findall(catalogue))
    if not rows:
        raise SystemExit("%s: no table of languages and their faces found" % catalogue)
    return rows


def french_texts(catalogue, keys):
    texts = []
    for key, literals in FRENCH_TEXT.findall(catalogue):
        if keys is None or key in keys:
            texts += [make_catalogues.unquote('"%s"' % s, "catalogue.cpp") for s in re.findall(r'"((?:[^"\\]|\\.)*)"',
                                                                                                literals)]
    if not texts:
        raise SystemExit("catalogue.cpp: none of the texts %s found" % (sorted(keys) if keys else ""))
    return texts


def po_texts(path, keys):
    """The gettext code of a file, and its program texts."""
    entries = make_catalogues.parse(path)
    fields, _ = make_catalogues.header_fields(entries, path)
    texts = [text for e in entries if e.context is not None and (keys is None or e.context in keys)
             for text, _ in e.strs.values()]
    return fields.get("Language", ""), texts


def renamed(font, family, italic):
    """The family name the page's style sheet asks for, in every name the font keeps."""
    style = "Italic" if italic else "Regular"
    names = {1: family, 2: style, 4: "%s %s" % (family, style), 6: "%s-%s" % (family.replace(" ", ""), style)}
    table = font["name"]
    table.names = [n for n in table.names if n.nameID not in names]
    for name_id, text in names.items():
        table.setName(text, name_id, 3, 1, 0x409)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("font", type=pathlib.Path)
    parser.add_argument("output", type=pathlib.Path)
    parser.add_argument("--family", required=True, help="the page's name for the face")
    parser.add_argument("--face", required=True, choices=["Comic", "Rounded"], help="its face in catalogue.cpp")
    parser.add_argument("--italic", action="store_true")
    parser.add_argument("--catalogue", type=pathlib.Path, required=True, help="presentation/catalogue.cpp")
    parser.add_argument("--keys", help="only these texts, by key, separated by commas")
    parser.add_argument("--no-hinting", action="store_true", help="drop the hinting instructions")
    parser.add_argument("po", type=pathlib.Path, nargs="*", help="the gettext files of every language")
    args = parser.parse_intermixed_args()
    keys = set(args.keys.split(",")) if args.keys else None

    catalogue = args.catalogue.read_text(encoding="utf-8")
    face_of = faces(catalogue)
    needed = {c: {"catalogue.cpp"} for c in (TYPED if keys is None else set("0123456789"))}
    for text in french_texts(catalogue, keys) if face_of.get("fr") == args.face else []:
        for c in PLACEHOLDER.sub("", text):
            needed.setdefault(c, set()).add("catalogue.cpp")
    try:
        for path in args.po:
            code, texts = po_texts(path, keys)
            if face_of.get(code, "Rounded") != args.face:
                continue
            for c in PLACEHOLDER.sub("", "".join(texts)):
                needed.setdefault(c, set()).add(path.name)
    except make_catalogues.PoError as error:
        raise SystemExit(str(error))
    needed.pop("\n", None)

    options = subset.Options()
    options.flavor = "woff2"
    options.layout_features = ["kern", "liga"]
    options.name_IDs = [1, 2]
    options.notdef_outline = True
    options.desubroutinize = True
    options.hinting = not args.no_hinting
    font = subset.load_font(str(args.font), options)
    cmap = font.getBestCmap()
    missing = sorted(c for c in needed if ord(c) not in cmap)
    if missing:
        files = sorted(set().union(*(needed[c] for c in missing)))
        print("%s lacks %s, needed by %s" % (args.font, " ".join("%s (U+%04X)" % (c, ord(c)) for c in missing),
                                             " ".join(files)), file=sys.stderr)
        return 1
    subsetter = subset.Subsetter(options)
    subsetter.populate(text="".join(sorted(needed)))
    subsetter.subset(font)
    renamed(font, args.family, args.italic)
    subset.save_font(font, str(args.output), options)
    return 0


if __name__ == "__main__":
    sys.exit(main())
