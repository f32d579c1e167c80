#!/usr/bin/python3
"""Cuts a font down to the glyphs the page can show, as WOFF2: printable ASCII (what a
child may type into the answer), and every other character that the given source files
hold (the captions, messages and credit line, in French). With --literals, only the
characters of the sources' string literals and the digits: enough for the score line,
the one line in italics."""
import argparse
import pathlib
import re

from fontTools import subset


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("font", type=pathlib.Path)
    parser.add_argument("output", type=pathlib.Path)
    parser.add_argument("--literals", action="store_true")
    parser.add_argument("sources", type=pathlib.Path, nargs="+")
    args = parser.parse_args()

    if args.literals:
        characters = set("0123456789")
        for source in args.sources:
            for literal in re.findall(r'"((?:[^"\\\n]|\\.)*)"', source.read_text(encoding="utf-8")):
                characters |= set(literal)
    else:
        characters = {chr(c) for c in range(0x20, 0x7F)}
        for source in args.sources:
            characters |= {c for c in source.read_text(encoding="utf-8") if ord(c) > 0x7F}
    options = subset.Options()
    options.flavor = "woff2"
    options.layout_features = ["kern", "liga"]
    options.name_IDs = [1, 2]
    options.notdef_outline = True
    font = subset.load_font(str(args.font), options)
    subsetter = subset.Subsetter(options)
    subsetter.populate(text="".join(sorted(characters)))
    subsetter.subset(font)
    subset.save_font(font, str(args.output), options)


if __name__ == "__main__":
    main()
