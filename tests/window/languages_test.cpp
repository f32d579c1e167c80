// Every language at once: its texts as the window draws them, in the font fontconfig picks
// for it; its plural rule against CLDR's; how a language is chosen from the desktop's
// settings and the page's tags, bad ones too; and a price as each country writes it.
#include <QFontDatabase>
#include <QFontMetrics>
#include <QRawFont>
#include <QTest>

#include <map>
#include <vector>

#include "amount.h"
#include "fonts.h"
#include "language.h"
#include "layout.h"
#include "screen.h"

using namespace piecettes;

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

// The texts a label shows, in a language.
std::vector<std::string> textsOf(const layout::LabelRow& row, const Catalogue& c) {
    const auto message = [&](std::initializer_list<Message> messages, Pointer pointer = Pointer::Mouse) {
        std::vector<std::string> texts;
        for (const Message m : messages) texts.push_back(messageText(m, c, pointer));
        return texts;
    };
    switch (row.role) {
        case layout::LabelRole::Fixed:
        case layout::LabelRole::Info: return row.caption ? std::vector{c.text(*row.caption)} : std::vector<std::string>{};
        case layout::LabelRole::Hint:
            return {messageText(Message::TakeBackHint, c), messageText(Message::TakeAwayHint, c, Pointer::Mouse),
                    messageText(Message::TakeAwayHint, c, Pointer::Finger)};
        case layout::LabelRole::Feedback:
            return message({Message::More, Message::TooManyCoins, Message::AskChange, Message::Wrong, Message::Bravo});
        case layout::LabelRole::Instruction: return message({Message::PayInstruction, Message::ChangeInstruction});
        case layout::LabelRole::Score: {
            std::vector<std::string> texts{messageText(Message::SeriesDone, c)};
            // The counts the score line shows: from the second right answer to the 19th.
            for (int n = 2; n < SeriesLength; ++n) texts.push_back(c.counted(Counted::Score, n));
            return texts;
        }
        default: return {};
    }
}

// The height a text takes in a width, wrapped at words as the labels wrap it.
int heightIn(const QFontMetrics& metrics, int width, const std::string& text) {
    return metrics.boundingRect(QRect(0, 0, width, 10000), Qt::TextWordWrap, qs(text)).height();
}

// CLDR's categories for whole numbers, n = 0 to 25, 50 and 100, in each language's index
// order, and the numbers of each but the last ("other", the rest).
struct CldrRule {
    std::vector<std::string> codes;
    std::vector<std::string> categories;
    std::map<std::string, std::vector<int>> numbers;
};
std::vector<int> span(int from, int to) {
    std::vector<int> numbers;
    for (int n = from; n <= to; ++n) numbers.push_back(n);
    return numbers;
}
std::vector<int> join(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}
const std::vector<CldrRule>& cldrRules() {
    static const std::vector<CldrRule> rules{
        {{"de", "nl", "bg", "el", "et", "fi", "sv", "en", "lb", "it", "es", "ca", "pt_PT", "tr", "eu", "gl", "sq"},
         {"one", "other"}, {{"one", {1}}}},
        {{"fr"}, {"one", "other"}, {{"one", {0, 1}}}},
        {{"hr", "sr@latin"}, {"one", "few", "other"}, {{"one", {1, 21}}, {"few", join({span(2, 4), span(22, 24)})}}},
        {{"sk"}, {"one", "few", "other"}, {{"one", {1}}, {"few", span(2, 4)}}},
        {{"sl"}, {"one", "two", "few", "other"}, {{"one", {1}}, {"two", {2}}, {"few", span(3, 4)}}},
        {{"lt"}, {"one", "few", "other"}, {{"one", {1, 21}}, {"few", join({span(2, 9), span(22, 25)})}}},
        {{"lv"}, {"zero", "one", "other"}, {{"zero", join({{0}, span(10, 20), {50, 100}})}, {"one", {1, 21}}}},
        {{"ga"}, {"one", "two", "few", "many", "other"},
         {{"one", {1}}, {"two", {2}}, {"few", span(3, 6)}, {"many", span(7, 10)}}},
        {{"mt"}, {"one", "two", "few", "many", "other"},
         {{"one", {1}}, {"two", {2}}, {"few", join({{0}, span(3, 10)})}, {"many", span(11, 19)}}},
    };
    return rules;
}

}  // namespace

class LanguagesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { registerFontSubstitutes(); }

    // Each text has its words, no placeholder left, every letter in its language's font,
    // and fits its control's height with a tenth of its width to spare; a French text of
    // one line takes one line in every language. French itself is as it has always been:
    // it fits its controls, some with less room to spare.
    void everyTextFitsItsControl() {
        const QStringList families = QFontDatabase::families();
        QVERIFY(Catalogue::all().size() >= 26);
        const Catalogue french = Catalogue::french();
        QStringList faults;
        for (const Catalogue& c : Catalogue::all()) {
            const QString code = qs(std::string(c.code()));
            const bool isFrench = c == french;
            const auto check = [&](const char* control, const layout::Font& font, const layout::Rect& rect,
                                   const std::string& text, const std::string& frenchText) {
                const QFont drawn = fontOf(font, families, c.face());
                const QFontMetrics metrics(drawn);
                const QRawFont raw = QRawFont::fromFont(drawn);
                if (text.empty() || text.find('{') != std::string::npos)
                    faults << QStringLiteral("%1 %2: \"%3\" is empty or holds a placeholder").arg(code, control, qs(text));
                for (const char32_t letter : qs(text).toUcs4())
                    if (!raw.supportsCharacter(letter))
                        faults << QStringLiteral("%1 %2: %3 has no %4 in \"%5\"")
                                      .arg(code, control, raw.familyName(), QString::fromUcs4(&letter, 1), qs(text));
                const int room = isFrench ? rect.width : rect.width * 9 / 10;
                const int height = heightIn(metrics, room, text);
                const QFontMetrics frenchMetrics(fontOf(font, families, french.face()));
                const bool oneLine = heightIn(frenchMetrics, rect.width, frenchText) <= heightIn(frenchMetrics, rect.width, "X");
                if (height > rect.height || (oneLine && height > heightIn(metrics, room, "X")))
                    faults << QStringLiteral("%1 %2: \"%3\" takes %4 px of height in %5 px, room %6 × %7%8")
                                  .arg(code, control, qs(text)).arg(height).arg(room).arg(rect.width).arg(rect.height)
                                  .arg(oneLine ? QStringLiteral(", one line") : QString());
            };
            for (const layout::LabelRow& row : layout::Labels) {
                const auto texts = textsOf(row, c);
                const auto frenchTexts = textsOf(row, french);
                for (std::size_t i = 0; i < texts.size(); ++i) check(row.name, row.font, row.rect, texts[i], frenchTexts[i]);
            }
            for (const layout::ButtonRow* button : {&layout::OkButton, &layout::QuitButton})
                check(button->name, button->font, button->rect, c.text(*button->caption), french.text(*button->caption));
            // The Info box grows with its line, in the window's font.
            check("Info", layout::WindowFont, {0, 0, 10000, 1000}, credits(c), credits(french));
            // Heard, never drawn: every coin's and square's name has its number.
            for (int cell = 0; cell < CoinTypeCount; ++cell)
                for (const std::string& name : {coinName(cell, c), squareName(cell, c)})
                    if (name.find('{') != std::string::npos || name.find_first_of("0123456789") == std::string::npos)
                        faults << QStringLiteral("%1: the coin name \"%2\"").arg(code, qs(name));
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    // The rule each gettext file's Plural-Forms became gives CLDR's category for every n.
    void pluralRulesAreCldrs() {
        std::vector<std::string> covered;
        for (const CldrRule& rule : cldrRules()) {
            for (const std::string& code : rule.codes) {
                const Catalogue* c = Catalogue::find(code);
                QVERIFY2(c, code.c_str());
                QCOMPARE(c->pluralForms(), static_cast<int>(rule.categories.size()));
                for (const int n : join({span(0, 25), {50, 100}})) {
                    std::string expected = rule.categories.back();
                    for (const auto& [category, numbers] : rule.numbers)
                        if (std::find(numbers.begin(), numbers.end(), n) != numbers.end()) expected = category;
                    QVERIFY2(rule.categories[static_cast<std::size_t>(c->pluralForm(n))] == expected,
                             qPrintable(QStringLiteral("%1, n = %2: %3").arg(qs(code)).arg(n).arg(qs(expected))));
                }
                covered.push_back(code);
            }
        }
        for (const Catalogue& c : Catalogue::all())
            QVERIFY2(std::find(covered.begin(), covered.end(), std::string(c.code())) != covered.end(),
                     "a language without CLDR's rule in this test");
    }

    // gettext's order on the desktop, with bad entries passed over.
    void desktopChoosesAsGettext() {
        const std::string longName(10000, 'a');
        const struct {
            std::map<std::string, std::string> environment;
            const char* code;
        } cases[]{
            {{}, "fr"},
            {{{"LANG", "C.UTF-8"}}, "fr"},
            {{{"LANG", "de_AT.UTF-8"}}, "de"},
            {{{"LANGUAGE", "xx:nl:de"}, {"LANG", "fr_FR.UTF-8"}}, "nl"},
            {{{"LANGUAGE", ""}, {"LC_MESSAGES", "el_GR.UTF-8"}, {"LANG", "de_DE.UTF-8"}}, "el"},
            // The first of LC_ALL, LC_MESSAGES and LANG that is set decides, as in gettext.
            {{{"LC_ALL", "C"}, {"LANG", "de_DE.UTF-8"}}, "fr"},
            {{{"LC_ALL", "pt_PT.UTF-8"}}, "pt_PT"},
            {{{"LANG", "pt_BR.UTF-8"}}, "fr"},
            {{{"LANG", "sr_ME.UTF-8@latin"}}, "sr@latin"},
            {{{"LANGUAGE", "../../x:<img src=x onerror=alert(1)>:" + longName + ":mt"}}, "mt"},
            {{{"LANGUAGE", ":::"}, {"LANG", longName}}, "fr"},
        };
        for (const auto& [environment, code] : cases) {
            const Language language = desktopLanguage(
                [&](const char* name) {
                    const auto found = environment.find(name);
                    return found == environment.end() ? nullptr : found->second.c_str();
                },
                "fr_FR", ',');
            QCOMPARE(std::string(language.catalogue.code()), std::string(code));
        }
        const auto never = [](const char*) -> const char* { return nullptr; };
        QVERIFY(desktopLanguage(never, "de_AT", ',').money.signFirst);
        QVERIFY(!desktopLanguage(never, "en_US", '.').money.signFirst);
        QCOMPARE(desktopLanguage(never, "en_IE", '.').money, (MoneyFormat{'.', true, false}));
    }

    // The page: the address's tag, then the browser's languages; the region of the tag,
    // of the first browser language with one, or the language's own.
    void pageChoosesFromTags() {
        const std::string longTag(10000, 'x');
        const struct {
            std::string address;
            std::vector<std::string> browser;
            const char* code;
            const char* price;
        } cases[]{
            {"", {}, "fr", "8,04 €"},
            {"", {"de-AT", "fr-FR"}, "de", "€ 8,04"},
            {"nl", {"fr-BE"}, "nl", "€ 8,04"},
            {"ga", {}, "ga", "€8.04"},
            {"pt-PT", {}, "pt_PT", "8,04 €"},
            {"pt", {}, "fr", "8,04 €"},
            {"sr-Latn-ME", {}, "sr@latin", "8,04 €"},
            {"", {"en-US"}, "en", "8.04 €"},
            {"<img src=x onerror=alert(1)>", {"el-GR"}, "el", "8,04 €"},
            {"../../x", {"", longTag, "mt"}, "mt", "€8.04"},
            {longTag, {}, "fr", "8,04 €"},
        };
        for (const auto& [address, browser, code, price] : cases) {
            const Language language = pageLanguage(address, browser);
            QCOMPARE(std::string(language.catalogue.code()), std::string(code));
            QCOMPARE(withSign(formatAmount(8.04, language.money.decimal), language.money), std::string(price));
        }
    }

    // A price of 8,04 as CLDR writes it in each locale of the euro area, and never in
    // the locale's own currency.
    void pricesAsEachCountryWrites() {
        const std::map<std::string, std::vector<std::string>> written{
            {"8,04 €", {"de-DE", "de-BE", "de-LU", "fr-FR", "fr-BE", "fr-LU", "fr-MC", "bg-BG", "hr-HR", "el-GR", "el-CY",
                        "et-EE", "fi-FI", "sv-FI", "it-IT", "it-SM", "it-VA", "lv-LV", "lt-LT", "lb-LU", "pt-PT", "sk-SK",
                        "sl-SI", "es-ES", "ca-AD", "ca-ES", "eu-ES", "gl-ES", "sq-XK", "sr-Latn-ME"}},
            {"€ 8,04", {"nl-NL", "nl-BE", "de-AT"}},
            {"€8.04", {"en-IE", "en-MT", "ga-IE", "mt-MT"}},
            {"€8,04", {"tr-CY"}},
        };
        for (const auto& [price, tags] : written)
            for (const std::string& tag : tags) {
                const MoneyFormat money = pageLanguage(tag, {}).money;
                QVERIFY2(withSign(formatAmount(8.04, money.decimal), money) == price, tag.c_str());
            }
    }
};

QTEST_MAIN(LanguagesTest)
#include "languages_test.moc"
