#include "fonts.h"

#include <algorithm>
#include <string_view>

namespace piecettes {

namespace {

// The family a layout font is drawn with: itself when installed, else its first
// installed substitute. Naming an installed family spares the font matcher a search
// through every font on the system for each missing family.
QString installedFamily(const char* name, const QStringList& installed) {
    const QString family = QString::fromLatin1(name);
    for (const QString& candidate : QStringList{family} + QFont::substitutes(family)) {
        const auto found = std::find_if(installed.begin(), installed.end(), [&](const QString& each) {
            return each.compare(candidate, Qt::CaseInsensitive) == 0;
        });
        if (found != installed.end()) return *found;
    }
    return family;
}

}  // namespace

QFont fontOf(const layout::Font& wanted, const QStringList& installed, Face face) {
    const bool rounded = face == Face::Rounded && std::string_view(wanted.family) == layout::WindowFont.family;
    QFont font(installedFamily(rounded ? RoundedFamily : wanted.family, installed));
    font.setPointSizeF(wanted.points);
    font.setItalic(wanted.italic && !rounded);
    font.setWeight(QFont::Normal);
    return font;
}

void registerFontSubstitutes() {
    QFont::insertSubstitutions(QStringLiteral("Comic Sans MS"), {QStringLiteral("Comic Neue"), QStringLiteral("Comic Sans")});
    QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), {QStringLiteral("DejaVu Sans")});
}

}  // namespace piecettes
