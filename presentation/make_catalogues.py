#!/usr/bin/python3
"""Makes the gettext files of po/ into C++ (translations.h's contract), and refuses a file
that would show a child a missing, fuzzy or broken text.

Each file must give every text of the template (po/piecettes.pot, extracted from the
sources), none fuzzy, with exactly the template's {placeholders}, and every plural form
its Plural-Forms header counts. The header's plural expression becomes the C++ of the
language's rule, so that the rule is written once, in the file. Errors name the file and
the line, as a compiler does, and the build stops.

Only the texts with a context (the program's own) are made into C++: the others are the
desktop entry's and the metainfo's, which msgfmt merges itself.
"""
import argparse
import pathlib
import re
import sys


class PoError(Exception):
    pass


def unquote(text, where):
    if not (len(text) >= 2 and text[0] == '"' and text[-1] == '"'):
        raise PoError("%s: expected a quoted string" % where)
    out, i, body = [], 0, text[1:-1]
    escapes = {"n": "\n", "t": "\t", '"': '"', "\\": "\\"}
    while i < len(body):
        c = body[i]
        if c == "\\":
            if i + 1 >= len(body) or body[i + 1] not in escapes:
                raise PoError("%s: unknown escape in %s" % (where, text))
            out.append(escapes[body[i + 1]])
            i += 2
        elif c == '"':
            raise PoError("%s: unescaped quote in %s" % (where, text))
        else:
            out.append(c)
            i += 1
    return "".join(out)


class Entry:
    def __init__(self, line):
        self.line = line
        self.flags = set()
        self.context = None
        self.msgid = None
        self.plural = None
        self.strs = {}


def parse(path):
    """The entries of a gettext file, obsolete ones left out, each with its line."""
    entries, entry, field = [], None, None
    try:
        lines = path.read_text(encoding="utf-8").splitlines()
    except UnicodeDecodeError as error:
        raise PoError("%s:1: not UTF-8 (%s)" % (path, error))

    def finish():
        if entry is not None:
            if entry.msgid is None:
                raise PoError("%s:%d: an entry without msgid" % (path, entry.line))
            entries.append(entry)

    for number, raw in enumerate(lines, 1):
        where = "%s:%d" % (path, number)
        line = raw.strip()
        if not line or line.startswith("#~"):
            if not line:
                finish()
                entry, field = None, None
            continue
        if line.startswith("#"):
            if entry is not None and entry.msgid is not None:
                finish()
                entry, field = None, None
            if entry is None:
                entry = Entry(number)
            if line.startswith("#,"):
                entry.flags |= {flag.strip() for flag in line[2:].split(",")}
            continue
        match = re.match(r'^(msgctxt|msgid_plural|msgid|msgstr(?:\[(\d+)\])?)\s+(".*")$', line)
        if match:
            keyword, index, text = match.group(1), match.group(2), unquote(match.group(3), where)
            if entry is None or (keyword in ("msgctxt", "msgid") and entry.msgid is not None):
                finish()
                entry = Entry(number)
            if keyword == "msgctxt":
                entry.context, field = text, ("context",)
            elif keyword == "msgid":
                entry.msgid, field = text, ("msgid",)
            elif keyword == "msgid_plural":
                entry.plural, field = text, ("plural",)
            else:
                key = int(index) if index is not None else None
                entry.strs[key] = [text, number]
                field = ("str", key)
            continue
        if line.startswith('"') and field is not None:
            text = unquote(line, where)
            if field[0] == "context":
                entry.context += text
            elif field[0] == "msgid":
                entry.msgid += text
            elif field[0] == "plural":
                entry.plural += text
            else:
                entry.strs[field[1]][0] += text
            continue
        raise PoError("%s: cannot read this line: %s" % (where, raw))
    finish()
    return entries


def header_fields(entries, path):
    for entry in entries:
        if entry.msgid == "" and entry.context is None:
            fields = {}
            for line in entry.strs.get(None, [""])[0].split("\n"):
                if ":" in line:
                    name, value = line.split(":", 1)
                    fields[name.strip()] = value.strip()
            return fields, entry.line
    raise PoError("%s:1: no header entry" % path)


PLURAL_FORMS = re.compile(r"^\s*nplurals\s*=\s*(\d+)\s*;\s*plural\s*=\s*(.+?)\s*;?\s*$")


def plural_rule(text, where):
    match = PLURAL_FORMS.match(text or "")
    if not match:
        raise PoError("%s: Plural-Forms is not 'nplurals=N; plural=EXPRESSION;': %r" % (where, text))
    forms, expression = int(match.group(1)), match.group(2)
    # The expression becomes C++ as it stands: only n, numbers and C's operators.
    if not re.fullmatch(r"[n0-9\s%=!<>&|?:()+\-*/]+", expression) or expression.count("(") != expression.count(")"):
        raise PoError("%s: the plural expression holds more than n, numbers and operators: %s" % (where, expression))
    if not 1 <= forms <= 6:
        raise PoError("%s: nplurals=%d is not 1 to 6" % (where, forms))
    return forms, expression


def placeholders(text):
    return sorted(re.findall(r"\{[a-z]+\}", text))


def cpp_string(text):
    return '"%s"' % text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n")


def template_entries(path):
    """The program's texts: the template's entries with a context, in its order."""
    entries = [e for e in parse(path) if e.context is not None]
    if not entries:
        raise PoError("%s:1: the template holds none of the program's texts" % path)
    singular_done = False
    for entry in entries:
        if entry.plural is not None:
            singular_done = True
        elif singular_done:
            raise PoError("%s:%d: the texts of one form must come before those with a plural" % (path, entry.line))
    return entries


def check_language(path, template):
    entries = parse(path)
    fields, header_line = header_fields(entries, path)
    code = fields.get("Language", "")
    if not re.fullmatch(r"[a-z]{2,3}(_[A-Z]{2})?(@[a-z]+)?", code):
        raise PoError("%s:%d: the Language header is not a gettext code: %r" % (path, header_line, code))
    forms, expression = plural_rule(fields.get("Plural-Forms"), "%s:%d" % (path, header_line))
    if "X-Native-Review" not in fields:
        raise PoError("%s:%d: the header does not say whether a native speaker reviewed it (X-Native-Review)"
                      % (path, header_line))
    by_key = {(e.context, e.msgid): e for e in entries if e.msgid != "" or e.context is not None}
    errors, strings = [], []
    for wanted in template:
        entry = by_key.get((wanted.context, wanted.msgid))
        if entry is None:
            errors.append("%s:1: incomplete: no translation of %s %r" % (path, wanted.context, wanted.msgid))
            continue
        where = "%s:%d" % (path, entry.line)
        if "fuzzy" in entry.flags:
            errors.append("%s: %s is marked fuzzy" % (where, wanted.context))
        if (wanted.plural is None) != (entry.plural is None):
            errors.append("%s: %s: the plural does not match the template's" % (where, wanted.context))
            continue
        wanted_marks = placeholders(wanted.msgid)
        count = 1 if wanted.plural is None else forms
        keys = [None] if wanted.plural is None else list(range(forms))
        for key in keys:
            if key not in entry.strs:
                errors.append("%s: %s: short of plural form %s of %d" % (where, wanted.context, key, forms))
                strings.append("")
                continue
            text, line = entry.strs[key]
            at = "%s:%d" % (path, line)
            if not text.strip():
                errors.append("%s: incomplete: %s is empty" % (at, wanted.context))
            elif placeholders(text) != wanted_marks:
                errors.append("%s: %s: the placeholders %s are not the template's %s"
                              % (at, wanted.context, " ".join(placeholders(text)) or "(none)",
                                 " ".join(wanted_marks) or "(none)"))
            strings.append(text)
        extra = [k for k in entry.strs if k is not None and k >= count]
        if extra:
            errors.append("%s: %s: more plural forms than nplurals=%d" % (where, wanted.context, forms))
    if errors:
        raise PoError("\n".join(errors))
    return code, forms, expression, strings


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--template", type=pathlib.Path, required=True)
    parser.add_argument("--source-language", required=True)
    parser.add_argument("--source-plural-forms", required=True)
    parser.add_argument("--output", type=pathlib.Path, required=True)
    parser.add_argument("po", type=pathlib.Path, nargs="*")
    args = parser.parse_args()
    try:
        template = template_entries(args.template)
        source_forms, source_expression = plural_rule(args.source_plural_forms, "--source-plural-forms")
        languages = [check_language(path, template) for path in sorted(args.po)]
    except PoError as error:
        print(error, file=sys.stderr)
        return 1
    codes = [language[0] for language in languages]
    if args.source_language in codes or len(set(codes)) != len(codes):
        print("two gettext files for one language: %s" % " ".join(sorted(codes)), file=sys.stderr)
        return 1

    out = ["// Made by presentation/make_catalogues.py from po/*.po: do not edit.",
           '#include "translations.h"', "", "namespace piecettes::translations {", "", "namespace {", ""]
    rules = [(args.source_language, source_forms, source_expression, None)] + sorted(languages)
    for index, (code, forms, expression, strings) in enumerate(rules):
        out.append("int plural%d(long n) { return static_cast<int>(%s); }" % (index, expression))
        if strings is not None:
            out.append("constexpr const char* strings%d[] = {" % index)
            out.extend("    %s," % cpp_string(text) for text in strings)
            out.append("};")
    out += ["", "}  // namespace", "", "const Language Languages[] = {"]
    for index, (code, forms, expression, strings) in enumerate(rules):
        out.append("    {%s, plural%d, %d, %s}," % (cpp_string(code), index, forms,
                                                  "strings%d" % index if strings is not None else "nullptr"))
    out += ["};", "const std::size_t LanguageCount = %d;" % len(rules), "", "}  // namespace piecettes::translations", ""]
    text = "\n".join(out)
    if not args.output.exists() or args.output.read_text(encoding="utf-8") != text:
        args.output.write_text(text, encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main())
