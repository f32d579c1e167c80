#include "catalogue.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "translations.h"

namespace piecettes {

namespace {

// A French text and its key, the msgctxt of the template; a counted one has its plural.
struct Source {
    const char* key;
    const char* one;
    const char* other = nullptr;
};
// The marks xgettext looks for (po/CMakeLists.txt): a text, and a text with a plural.
#define N_(key, text) Source{key, text}
#define NP_(key, one, other) Source{key, one, other}

// Every text, in the order of Text, then of Counted. The comments marked for translators
// go into the template: where the text shows, its room in pixels at its font's pixel
// size (the points × 4/3), and what it means to the child, who is seven to ten years old
// and is spoken to as a teacher speaks to a child of that age.
constexpr Source Sources[] = {
    // TRANSLATORS: Caption over the purse of coins, on the title band. Room: 189 × 29 px at 21 px, one line.
    N_("PurseCaption", "Le porte-monnaie"),
    // TRANSLATORS: The clickable word at the right of the title band that opens the credits box. Room: 93 × 29 px at 16 px, one line.
    N_("InfoCaption", "Info"),
    // TRANSLATORS: Caption before the price the child must pay (the amount follows it on the same line). Room: 233 × 41 px at 32 px, one line; keep the space before a colon where the language has one.
    N_("PriceCaption", "Tu dois payer :"),
    // TRANSLATORS: Caption before the total of the coins the child has handed over so far. Room: 177 × 45 px at 32 px, one line.
    N_("GivenCaption", "Tu donnes :"),
    // TRANSLATORS: The large button that says "I am done". Room: 77 × 69 px at 37 px, one line; most languages keep "OK".
    N_("Ok", "OK"),
    // TRANSLATORS: The button that ends the program. Room: 101 × 29 px at 19 px, one line.
    N_("Quit", "Quitter"),
    // TRANSLATORS: Heard, never seen: what a screen reader calls the box where the child writes how much change is due ("your answer").
    N_("AnswerName", "Ta réponse"),
    // TRANSLATORS: Heard, never seen: how a screen reader reads the answer as it changes, {answer} being the amount or "?".
    N_("AnswerSaid", "Ta réponse : {answer}"),
    // TRANSLATORS: Heard, never seen: what a screen reader calls the score line before the first right answer ("your right answers").
    N_("FocusParkName", "Tes bonnes réponses"),
    // TRANSLATORS: Title of the small box of credits. Any length, one line; capitals as in French.
    N_("InfoTitle", "INFO"),
    // TRANSLATORS: Instruction while paying: click the coins you hand over, then OK when you have given enough. Room: 413 × 69 px at 19 px, centred, two lines at most.
    N_("PayInstruction", "Clique sur les pièces que tu donnes puis sur OK quand tu en as assez."),
    // TRANSLATORS: Instruction in the change question: click the coins you get back, then OK when it is right. Room: 413 × 69 px at 19 px, centred, two lines at most.
    N_("ChangeInstruction", "Clique sur les pièces qu'on te rend puis sur OK quand c'est correct."),
    // TRANSLATORS: Hint under the purse: a click on the grey square takes the coin back. Room: 341 × 25 px at 16 px, one line.
    N_("TakeBackHint", "Clic sur le carré pour reprendre la pièce."),
    // TRANSLATORS: Hint under the purse in the change question, after a mouse click: a right click takes a coin away from the answer. Room: 341 × 25 px at 16 px, one line.
    N_("TakeAwayHintMouse", "Clic droit pour reprendre une pièce"),
    // TRANSLATORS: The same hint after a touch: keep your finger on a coin to take it away. Room: 341 × 25 px at 16 px, one line.
    N_("TakeAwayHintFinger", "Laisse ton doigt sur une pièce pour la reprendre"),
    // TRANSLATORS: Feedback when the coins handed over are not enough yet ("more!"). Room: 373 × 77 px at 27 px, one line.
    N_("More", "Encore !"),
    // TRANSLATORS: Feedback when the child gave more coins than needed and can take one back. Room: 373 × 77 px at 27 px, two lines at most.
    N_("TooManyCoins", "Tu donnes trop de pièces. Tu peux en reprendre."),
    // TRANSLATORS: Feedback that opens the change question: good, how much must we give back to you? Room: 373 × 77 px at 27 px, two lines at most.
    N_("AskChange", "Bien ! Combien doit-on te rendre ?"),
    // TRANSLATORS: Feedback on a wrong change answer: no, try again. Room: 373 × 77 px at 27 px, one line.
    N_("Wrong", "Non ! Recommence !"),
    // TRANSLATORS: Praise for a right answer. Room: 373 × 77 px at 27 px, one line.
    N_("Bravo", "Bravo !"),
    // TRANSLATORS: The end of the series, in the score line: you did your 20 exercises, you can stop. Room: 417 × 65 px at 24 px (italic where the font has it), centred, two lines at most.
    N_("SeriesDone", "Tu as réussi tes 20 exercices. Tu peux arrêter."),
    // TRANSLATORS: The credit line of the Info box: the version, the team and the month of release ({month} is one of the months below, {year} its year, as "décembre 2026"). Any length.
    N_("Credits", "Piécettes {version}, par l'équipe Piécettes, {month} {year}."),
    // TRANSLATORS: In the web page, the one line left on screen after Quitter: you can close this page. Any length, one line.
    N_("Closing", "Tu peux fermer cette page."),
    // TRANSLATORS: The same line in the page installed as an app (on a tablet's home screen), which has no tab to close: you can close the app. Any length, one line.
    N_("ClosingApp", "Tu peux fermer l'application."),
    // TRANSLATORS: The program's name, in the window's title and the page's tab: it stays "Piécettes" in every language.
    N_("Title", "Piécettes"),
    // TRANSLATORS: A month, as the credit line writes it after "{month}", before the year.
    N_("January", "janvier"),
    // TRANSLATORS: A month, as the credit line writes it after "{month}", before the year.
    N_("February", "février"),
    // TRANSLATORS: A month, as the credit line writes it after "{month}", before the year.
    N_("March", "mars"),
    // TRANSLATORS: A month, as the credit line writes it after "{month}", before the year.
    N_("April", "avril"),
    // TRANSLATORS: A month, as the credit line writes it after "{month}", before the year.
    N_("May", "mai"),
    // TRANSLATORS: A month, as the credit line writes it after "{month}", before the year.
    N_("June", "juin"),
    // TRANSLATORS: A month, as the credit line writes it after "{month}", before the year.
    N_("July", "juillet"),
    // TRANSLATORS: A month, as the credit line writes it after "{month}", before the year.
    N_("August", "août"),
    // TRANSLATORS: A month, as the credit line writes it after "{month}", before the year.
    N_("September", "septembre"),
    // TRANSLATORS: A month, as the credit line writes it after "{month}", before the year.
    N_("October", "octobre"),
    // TRANSLATORS: A month, as the credit line writes it after "{month}", before the year.
    N_("November", "novembre"),
    // TRANSLATORS: A month, as the credit line writes it after "{month}", before the year.
    N_("December", "décembre"),
    // TRANSLATORS: The score line after a right answer, for {n} from 2 to 19 right answers so far. Room: 417 × 65 px at 24 px (italic where the font has it), centred, one line.
    NP_("Score", "Tu as {n} bonne réponse.", "Tu as {n} bonnes réponses."),
    // TRANSLATORS: Heard, never seen: a screen reader's name for a cent coin, {n} being 1, 2, 5, 10, 20 or 50. Use the word children use for the coin in your country.
    NP_("Cents", "{n} centime", "{n} centimes"),
    // TRANSLATORS: Heard, never seen: a screen reader's name for a euro coin, {n} being 1 or 2.
    NP_("Euros", "{n} euro", "{n} euros"),
    // TRANSLATORS: Heard, never seen: the grey square that stands for a cent coin handed over; pressing it takes the coin back. {n} is 1, 2, 5, 10, 20 or 50.
    NP_("TakeBackCents", "Reprendre {n} centime", "Reprendre {n} centimes"),
    // TRANSLATORS: Heard, never seen: the grey square that stands for a euro coin handed over; pressing it takes the coin back. {n} is 1 or 2.
    NP_("TakeBackEuros", "Reprendre {n} euro", "Reprendre {n} euros"),
};
#undef N_
#undef NP_

constexpr std::size_t TextCount = static_cast<std::size_t>(Text::January) + MonthCount;
constexpr std::size_t CountedCount = static_cast<std::size_t>(Counted::TakeBackEuros) + 1;
static_assert(std::size(Sources) == TextCount + CountedCount, "a text without its key, or a key without its text");

// What the gettext file does not say about its language: its tag, the locale of its main
// region, and its face.
struct LanguageRow {
    const char* code;
    const char* tag;
    const char* mainLocale;
    Face face;
};
// clang-format off
constexpr LanguageRow Rows[] = {
    {"fr", "fr", "fr_FR", Face::Comic},     {"bg", "bg", "bg_BG", Face::Rounded},   {"ca", "ca", "ca_AD", Face::Comic},
    {"de", "de", "de_DE", Face::Comic},     {"el", "el", "el_GR", Face::Rounded},   {"en", "en", "en_IE", Face::Comic},
    {"es", "es", "es_ES", Face::Comic},     {"et", "et", "et_EE", Face::Comic},     {"eu", "eu", "eu_ES", Face::Comic},
    {"fi", "fi", "fi_FI", Face::Comic},     {"ga", "ga", "ga_IE", Face::Comic},     {"gl", "gl", "gl_ES", Face::Comic},
    {"hr", "hr", "hr_HR", Face::Comic},     {"it", "it", "it_IT", Face::Comic},     {"lb", "lb", "lb_LU", Face::Comic},
    {"lt", "lt", "lt_LT", Face::Rounded},   {"lv", "lv", "lv_LV", Face::Rounded},   {"mt", "mt", "mt_MT", Face::Rounded},
    {"nl", "nl", "nl_NL", Face::Comic},     {"pt_PT", "pt-PT", "pt_PT", Face::Comic}, {"sk", "sk", "sk_SK", Face::Comic},
    {"sl", "sl", "sl_SI", Face::Comic},     {"sq", "sq", "sq_XK", Face::Comic},     {"sr@latin", "sr-Latn", "sr_ME", Face::Comic},
    {"sv", "sv", "sv_FI", Face::Comic},     {"tr", "tr", "tr_CY", Face::Rounded},
};
// clang-format on

const LanguageRow& rowOf(std::string_view code) {
    for (const LanguageRow& row : Rows)
        if (code == row.code) return row;
    // A gettext file for a language this table does not know yet: drawn in the rounded
    // face, which has every letter, and its money written as French writes it.
    static constexpr LanguageRow unknown{"", "", "fr_FR", Face::Rounded};
    return unknown;
}

}  // namespace

struct CatalogueAccess {
    static const translations::Language& language(const Catalogue& c) { return translations::Languages[c.index_]; }
    static constexpr Catalogue make(int index) { return Catalogue(index); }
};

namespace {

std::vector<Catalogue> makeAll() {
    std::vector<Catalogue> all;
    for (std::size_t i = 0; i < translations::LanguageCount; ++i) all.push_back(CatalogueAccess::make(static_cast<int>(i)));
    return all;
}

// The strings of entry `index` in a language, and how many forms it has.
const char* form(const translations::Language& language, std::size_t index, int which) {
    const Source& source = Sources[index];
    if (!language.strings) return which == 0 || !source.other ? source.one : source.other;
    if (index < TextCount) return language.strings[index];
    return language.strings[TextCount + (index - TextCount) * static_cast<std::size_t>(language.forms) +
                            static_cast<std::size_t>(which)];
}

}  // namespace

std::string_view Catalogue::code() const { return CatalogueAccess::language(*this).code; }
std::string_view Catalogue::tag() const {
    const LanguageRow& row = rowOf(code());
    return *row.tag ? row.tag : code();
}
std::string_view Catalogue::mainLocale() const { return rowOf(code()).mainLocale; }
Face Catalogue::face() const { return rowOf(code()).face; }

std::string Catalogue::text(Text key) const {
    return form(CatalogueAccess::language(*this), static_cast<std::size_t>(key), 0);
}

std::string Catalogue::month(int number) const {
    const int month = std::clamp(number, 1, MonthCount);
    return text(static_cast<Text>(static_cast<int>(Text::January) + month - 1));
}

int Catalogue::pluralForm(int n) const {
    const translations::Language& language = CatalogueAccess::language(*this);
    return std::clamp(language.plural(n), 0, language.forms - 1);
}

int Catalogue::pluralForms() const { return CatalogueAccess::language(*this).forms; }

std::string Catalogue::counted(Counted key, int n) const {
    const std::size_t index = TextCount + static_cast<std::size_t>(key);
    return withPlaceholder(form(CatalogueAccess::language(*this), index, pluralForm(n)), "n", std::to_string(n));
}

std::span<const Catalogue> Catalogue::all() {
    static const std::vector<Catalogue> every = makeAll();
    return every;
}

Catalogue Catalogue::french() { return CatalogueAccess::make(0); }

const Catalogue* Catalogue::find(std::string_view code) {
    for (const Catalogue& catalogue : all())
        if (catalogue.code() == code) return &catalogue;
    return nullptr;
}

std::string withPlaceholder(std::string text, std::string_view name, std::string_view value) {
    const std::string mark = "{" + std::string(name) + "}";
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + value.size()))
        text.replace(at, mark.size(), value);
    return text;
}

}  // namespace piecettes
