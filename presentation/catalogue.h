// Every text the child sees or hears, by its key, in each language of the program.
//
// French is the program's own language: its texts are written in catalogue.cpp, where
// xgettext finds them for the translators' template (po/piecettes.pot). Each other
// language is a gettext file po/<code>.po, made into C++ at build time with its plural
// rule. A Catalogue never fails: a key always has its words.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace piecettes {

// The pointer the child used last: some hints tell how to do a thing with it.
enum class Pointer { Mouse, Finger };

// The texts of one form, in the order catalogue.cpp writes them.
enum class Text {
    PurseCaption,
    InfoCaption,
    PriceCaption,
    GivenCaption,
    Ok,
    Quit,
    AnswerName,
    AnswerSaid,  // with {answer}
    FocusParkName,
    InfoTitle,
    PayInstruction,
    ChangeInstruction,
    TakeBackHint,
    TakeAwayHintMouse,
    TakeAwayHintFinger,
    More,
    TooManyCoins,
    AskChange,
    Wrong,
    Bravo,
    SeriesDone,
    Credits,  // with {version}, {month} and {year}
    Closing,
    ClosingApp,
    Title,
    January,  // the months, for the credit line, January to December
};
constexpr int MonthCount = 12;

// The texts that change with a number {n}, in the order catalogue.cpp writes them, after
// the texts of one form.
enum class Counted { Score, Cents, Euros, TakeBackCents, TakeBackEuros };

// The typeface a language is drawn in: the comic one where it has every letter, the
// rounded one for Greek, Cyrillic and the Latin letters the comic one lacks.
enum class Face { Comic, Rounded };

// One language's words. A plain value: copy it freely.
class Catalogue {
public:
    // The gettext code: "fr", "de", "pt_PT", "sr@latin".
    std::string_view code() const;
    // The same as a BCP 47 tag, for the page's lang attribute: "pt-PT", "sr-Latn".
    std::string_view tag() const;
    // The locale whose region the language is mainly spoken in: "fr_FR", "ga_IE".
    std::string_view mainLocale() const;
    Face face() const;

    std::string text(Text key) const;
    // The month of the year, 1 to 12.
    std::string month(int number) const;
    // The text for this number, with {n} written in it.
    std::string counted(Counted key, int n) const;
    // The index of the plural form this language takes for n.
    int pluralForm(int n) const;
    int pluralForms() const;

    friend bool operator==(const Catalogue& a, const Catalogue& b) { return a.index_ == b.index_; }

    // Every catalogue, French first.
    static std::span<const Catalogue> all();
    static Catalogue french();
    // The catalogue of this gettext code, exactly as it is written, or null.
    static const Catalogue* find(std::string_view code);

private:
    friend struct CatalogueAccess;
    explicit constexpr Catalogue(int index) : index_(index) {}
    int index_ = 0;
};

// Writes {name} in text: every place holding it, and nothing else.
std::string withPlaceholder(std::string text, std::string_view name, std::string_view value);

}  // namespace piecettes
