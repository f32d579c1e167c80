"""The words a play expects to see and hear, by the keys of the program's texts: French as
a French child reads them, or another language as its gettext file writes them, read
here apart from the program, so that a page that silently shows French fails there.

Amounts are written as the browser's region writes them in euros ("8,04 €", "€ 8,04").
"""

import re

# The French texts the plays have always expected.
FRENCH = {
    "PurseCaption": "Le porte-monnaie", "FocusParkName": "Tes bonnes réponses",
    "Ok": "OK", "Quit": "Quitter", "AnswerName": "Ta réponse", "InfoTitle": "INFO", "Title": "Piécettes",
    "PriceCaption": "Tu dois payer :", "GivenCaption": "Tu donnes :",
    "TakeAwayHintMouse": "Clic droit pour reprendre une pièce",
    "TakeAwayHintFinger": "Laisse ton doigt sur une pièce pour la reprendre",
    "More": "Encore !", "TooManyCoins": "Tu donnes trop de pièces. Tu peux en reprendre.",
    "AskChange": "Bien ! Combien doit-on te rendre ?", "Wrong": "Non ! Recommence !", "Bravo": "Bravo !",
    "Closing": "Tu peux fermer cette page.", "ClosingApp": "Tu peux fermer l'application.",
    "Cents": ("{n} centime", "{n} centimes"), "Euros": ("{n} euro", "{n} euros"),
    "TakeBackCents": ("Reprendre {n} centime", "Reprendre {n} centimes"),
    "TakeBackEuros": ("Reprendre {n} euro", "Reprendre {n} euros"),
}
FRENCH_PLURAL = "(n > 1)"


class Words:
    """One language's words. tag: the page's lang; money: 8,04 euros as the region writes
    it; font: the family name of the page's own face that draws the language."""

    def __init__(self, tag, texts, plural, money="8,04 €", font="Piecettes Comic"):
        self.tag = tag
        self.font = font
        self.texts = texts
        self.plural = plural
        self.decimal = money[money.index("8") + 1]
        self.sign_first = money.startswith("€")
        self.money = money

    def __getitem__(self, key):
        text = self.texts[key]
        if not isinstance(text, str):
            raise KeyError(f"{key} has plural forms")
        return text

    def counted(self, key, n):
        forms = self.texts[key]
        return forms[min(plural_form(self.plural, n), len(forms) - 1)].replace("{n}", str(n))

    def coin(self, cents, take_back=False):
        """What a screen reader calls a coin, or the square that takes it back."""
        prefix = "TakeBack" if take_back else ""
        return self.counted(prefix + "Cents", cents) if cents < 100 else self.counted(prefix + "Euros", cents // 100)

    def amount(self, cents):
        """An amount as the window writes it: '8,04'."""
        sign = "-" if cents < 0 else ""
        return f"{sign}{abs(cents) // 100}{self.decimal}{abs(cents) % 100:02d}"

    def with_sign(self, amount):
        return self.money.replace("8" + self.decimal + "04", amount)


def french():
    return Words("fr", FRENCH, FRENCH_PLURAL)


def unquote(text):
    return re.sub(r'\\(.)', lambda m: {"n": "\n", "t": "\t"}.get(m[1], m[1]), text)


def read_po(path, money, font):
    """A gettext file's words: the program's texts (those with a context), by key, the
    plural rule of its header, and its language as a tag for a page's lang ("pt-PT",
    "sr-Latn")."""
    entries, entry, field = [], {}, None
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            line = line.strip()
            match = re.fullmatch(r'(msgctxt|msgid_plural|msgid|msgstr)(?:\[(\d+)\])?\s+"(.*)"', line)
            if match:
                keyword, index, text = match[1], match[2], unquote(match[3])
                if keyword == "msgctxt" or (keyword == "msgid" and "msgid" in entry):
                    entries.append(entry)
                    entry = {}
                field = int(index) if index is not None else keyword
                entry[field] = text
            elif line.startswith('"') and field is not None:
                entry[field] += unquote(line[1:-1])
            elif not line:
                entries.append(entry)
                entry, field = {}, None
    entries.append(entry)
    texts, plural, code = {}, None, None
    for entry in entries:
        if "msgctxt" in entry:
            forms = tuple(entry[k] for k in sorted(k for k in entry if isinstance(k, int)))
            texts[entry["msgctxt"]] = forms if "msgid_plural" in entry else entry["msgstr"]
        elif entry.get("msgid") == "":
            found = re.search(r"^Plural-Forms:.*plural\s*=\s*(.+?);?\s*$", entry.get("msgstr", ""), re.M)
            plural = found and found[1]
            found = re.search(r"^Language:\s*(\S+)\s*$", entry.get("msgstr", ""), re.M)
            code = found and found[1]
    if not plural or not code:
        raise ValueError(f"{path}: no Plural-Forms or Language in its header")
    tag = code.replace("_", "-").replace("@latin", "-Latn")
    return Words(tag, texts, plural, money, font)


def plural_form(expression, n):
    """The index a gettext plural expression (C's operators, n and numbers) gives n."""
    tokens = re.findall(r"\d+|n|&&|\|\||[=!<>]=|[-+*/%<>!?:()]", expression)
    at = 0

    def peek():
        return tokens[at] if at < len(tokens) else None

    def take():
        nonlocal at
        at += 1
        return tokens[at - 1]

    binary = [("||",), ("&&",), ("==", "!="), ("<", ">", "<=", ">="), ("+", "-"), ("*", "/", "%")]
    apply = {"||": lambda a, b: int(a or b), "&&": lambda a, b: int(a and b), "==": lambda a, b: int(a == b),
             "!=": lambda a, b: int(a != b), "<": lambda a, b: int(a < b), ">": lambda a, b: int(a > b),
             "<=": lambda a, b: int(a <= b), ">=": lambda a, b: int(a >= b), "+": lambda a, b: a + b,
             "-": lambda a, b: a - b, "*": lambda a, b: a * b, "/": lambda a, b: a // b, "%": lambda a, b: a % b}

    def conditional():
        condition = level(0)
        if peek() != "?":
            return condition
        take()
        yes = conditional()
        if take() != ":":
            raise ValueError(f"plural expression {expression!r}: ':' expected")
        no = conditional()
        return yes if condition else no

    def level(depth):
        if depth == len(binary):
            return unary()
        value = level(depth + 1)
        while peek() in binary[depth]:
            value = apply[take()](value, level(depth + 1))
        return value

    def unary():
        token = take()
        if token == "!":
            return int(not unary())
        if token == "(":
            value = conditional()
            take()
            return value
        return n if token == "n" else int(token)

    return conditional()
