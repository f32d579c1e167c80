#!/usr/bin/python3
"""Assembles the page from the linked wasm and the page's scripts (joined into
piecettes.js and minified by minify.js): one self-contained HTML file with everything
inlined, the wasm in base64, the script, the coins, the fonts and the icon as data: URLs,
so that it plays from file:// and asks for nothing, not even a favicon.

It is written twice: as the single file, and as the static folder's index.html, marked
as the page of the installable app (data-app on its root element), which make_app.py
then completes. Served, the one page is all a start asks for: the service worker hands
it over at once, where Firefox waited on it for the script, the wasm and the faces,
each asked for apart.
"""
import argparse
import base64
import os
import pathlib
import re
import shutil
import subprocess
import urllib.parse


def data_url(path, mime):
    return "data:%s;base64,%s" % (mime, base64.b64encode(path.read_bytes()).decode("ascii"))


def minified_svg(path):
    """The SVG without its XML declaration, comments and indentation."""
    text = path.read_text(encoding="utf-8")
    text = re.sub(r"<\?xml[^>]*\?>", "", text)
    text = re.sub(r"<!--.*?-->", "", text, flags=re.S)
    text = re.sub(r">\s+<", "><", text)
    return re.sub(r"\s+", " ", text).strip()


def svg_url(path):
    # Quoted rather than base64: smaller, and it compresses better.
    return "data:image/svg+xml," + urllib.parse.quote(minified_svg(path), safe=" =:/;,'()-.")


# The wasm is compiled from the first script of the page on, while the browser runs the
# page's own script and decodes its pictures: page_imports.js then only instantiates it.
#
# It travels gzipped, as a data: URL that the browser decodes, inflates and compiles as
# it streams in: no script decodes it, and no copy of it is left for the collector. A
# data: URL is read from the page itself, not asked of any server. Gzipped first, its
# base64 costs a served page's gzip next to nothing: base64 of the wasm itself hid its
# repeats from gzip, its texts in every language most of all, and the wasm cost a third
# more gzipped inside the page than on its own. A browser without DecompressionStream
# inflates it with gunzip.js.
MODULE = """(() => {
%s
  return compiled;
})()"""

SINGLE_COMPILE = """%s
  const packed = fetch("data:application/gzip;base64,@WASM@");
  const compiled = typeof DecompressionStream === "function"
    ? packed.then((file) => WebAssembly.compileStreaming(
        new Response(file.body.pipeThrough(new DecompressionStream("gzip")),
                     { headers: { "Content-Type": "application/wasm" } })))
    : packed.then((file) => file.arrayBuffer()).then((bytes) => WebAssembly.compile(gunzip(new Uint8Array(bytes))));"""


def wasm_imports(wasm):
    """The (module, name) of every function the wasm imports."""
    def number(at):
        value = shift = 0
        while True:
            byte = wasm[at]
            at += 1
            value |= (byte & 0x7F) << shift
            shift += 7
            if byte < 0x80:
                return value, at
    def name(at):
        length, at = number(at)
        return wasm[at:at + length].decode("utf-8"), at + length
    at, found = 8, []
    while at < len(wasm):
        section, at = wasm[at], at + 1
        size, at = number(at)
        if section == 2:
            count, place = number(at)
            for _ in range(count):
                module, place = name(place)
                field, place = name(place)
                kind, place = wasm[place], place + 1
                if kind != 0:
                    raise SystemExit("the wasm imports more than functions: %s.%s" % (module, field))
                _, place = number(place)
                found.append((module, field))
        at += size
    return found


def check_imports(wasm, script_path):
    """Stops the build where the wasm imports a function that page_imports.js lacks: the
    page would fail to start."""
    given = set(re.findall(r"^\s+(\w+)(?:\(|: )", script_path.read_text(encoding="utf-8"), re.M))
    missing = ["%s.%s" % pair for pair in wasm_imports(wasm) if pair[1] not in given]
    if missing:
        raise SystemExit("%s lacks what the wasm imports: %s" % (script_path, " ".join(missing)))


def plain_template(text):
    """The page's template without its style sheet's comments, indentation and blank lines,
    which are for its readers, before anything is put into it."""
    text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
    lines = (line.strip() for line in text.splitlines())
    return "\n".join(line for line in lines if line) + "\n"


def pictures_css(urls):
    """One rule a coin type: each picture is decoded once, however many coins show it."""
    return "\n".join('.%s { background-image: url("%s"); }' % (name, url) for name, url in urls.items())


def fill(template, **parts):
    for name, value in parts.items():
        template = template.replace("@%s@" % name, value)
    return template


def script_tag(text):
    # A script's text ends at the first "</script": none may stand inside it.
    assert "</script" not in text.lower()
    return "<script>\n%s\n</script>" % text


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--template", type=pathlib.Path, required=True)
    parser.add_argument("--linked", type=pathlib.Path, required=True, help="folder holding the linked piecettes.wasm")
    parser.add_argument("--scripts", type=pathlib.Path, nargs="+", required=True, help="the scripts of piecettes.js, in order")
    parser.add_argument("--site", type=pathlib.Path, required=True, help="the static folder, for its index.html")
    parser.add_argument("--node", type=pathlib.Path, required=True, help="the node program")
    parser.add_argument("--minify", type=pathlib.Path, required=True, help="minify.js")
    parser.add_argument("--single", type=pathlib.Path, required=True, help="the self-contained HTML file to write")
    parser.add_argument("--icon", type=pathlib.Path, required=True)
    parser.add_argument("--gunzip", type=pathlib.Path, required=True, help="gunzip.js")
    parser.add_argument("--zopfli", type=pathlib.Path, required=True, help="the zopfli program")
    parser.add_argument("--font-comic", type=pathlib.Path, required=True)
    parser.add_argument("--font-comic-italic", type=pathlib.Path, required=True)
    parser.add_argument("--font-rounded", type=pathlib.Path, required=True)
    parser.add_argument("pictures", type=pathlib.Path, nargs="+", help="the coin SVGs")
    args = parser.parse_args()

    template = plain_template(args.template.read_text(encoding="utf-8"))
    # Debian's node modules, where node-terser lives, whatever the caller's NODE_PATH.
    node_path = os.pathsep.join(filter(None, ["/usr/share/nodejs", os.environ.get("NODE_PATH")]))

    def minify(source, target, *options):
        subprocess.run([str(args.node), str(args.minify), *options, str(source), str(target)],
                       check=True, env=dict(os.environ, NODE_PATH=node_path))

    # The first script, which defines piecettesWasm: minified without the wasm, which would
    # only make the minifier's work longer.
    def minified_module(compile_part):
        module = args.linked / "module.js"
        module.write_text("var piecettesWasm = %s;" % (MODULE % compile_part), encoding="utf-8")
        minify(module, module, "--keep-top-level")
        return module.read_text(encoding="utf-8").strip()

    wasm = (args.linked / "piecettes.wasm").read_bytes()
    check_imports(wasm, args.scripts[-1])
    joined = args.linked / "piecettes.js"
    joined.write_text("\n".join(path.read_text(encoding="utf-8") for path in args.scripts), encoding="utf-8")
    minify(joined, joined)
    script = joined.read_text(encoding="utf-8")

    # zopfli packs it a twentieth smaller than gzip -9 does, in the same format; its header
    # holds no name and no time, as gunzip.js expects.
    packed = subprocess.run([str(args.zopfli), "--gzip", "-c", str(args.linked / "piecettes.wasm")],
                            check=True, capture_output=True).stdout
    assert packed[:4] == b"\x1f\x8b\x08\x00", "zopfli wrote a gzip header with a name or extra fields"
    module = minified_module(SINGLE_COMPILE % args.gunzip.read_text(encoding="utf-8")).replace(
        "@WASM@", base64.b64encode(packed).decode("ascii"))
    fonts = {"FONT_COMIC": args.font_comic, "FONT_COMIC_ITALIC": args.font_comic_italic,
             "FONT_ROUNDED": args.font_rounded}
    page = fill(template, ICON=svg_url(args.icon),
                PICTURES=pictures_css({p.stem: svg_url(p) for p in args.pictures}),
                MODULE=script_tag(module), SCRIPT=script_tag(script),
                **{key: data_url(font, "font/woff2") for key, font in fonts.items()})
    assert page.count("@APP@") == 1
    args.single.write_text(page.replace("@APP@", ""), encoding="utf-8")
    # The folder anew: nothing of an earlier build's may be left for make_app.py to list.
    shutil.rmtree(args.site, ignore_errors=True)
    args.site.mkdir(parents=True)
    (args.site / "index.html").write_text(page.replace("@APP@", " data-app"), encoding="utf-8")


if __name__ == "__main__":
    main()
