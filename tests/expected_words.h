// The words a run expects, in the language its CTest entry names: PIECETTES_TEST_LANGUAGE,
// a gettext code ("de", "el"; French when unset). They are read from that language's
// gettext file in po/, not from the program's catalogues, so that a window which silently
// shows French fails a run in another language.
#pragma once

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <QTest>

#include <cstdlib>

#include "catalogue.h"

namespace piecettes::test {

inline QString testLanguage() {
    const char* code = std::getenv("PIECETTES_TEST_LANGUAGE");
    return code && *code ? QString::fromLatin1(code) : QStringLiteral("fr");
}

class ExpectedWords {
public:
    // French from the template, whose msgids are the French texts; any other language from its file.
    ExpectedWords() : code_(testLanguage()) {
        QFile file(QStringLiteral(PIECETTES_PO_DIR "/") + (french() ? QStringLiteral("piecettes.pot") : code_ + QStringLiteral(".po")));
        if (!file.open(QIODevice::ReadOnly)) qFatal("no gettext file for %s", qPrintable(code_));
        read(QString::fromUtf8(file.readAll()));
    }

    QString code() const { return code_; }
    bool french() const { return code_ == QLatin1String("fr"); }

    // The words for a French text of one form.
    QString operator()(const QString& french) const {
        const auto found = forms_.constFind(french);
        if (found == forms_.constEnd() || found->isEmpty()) qFatal("%s: no words for \"%s\"", qPrintable(code_), qPrintable(french));
        return found->first();
    }
    // The words for a French text with a plural, named by either French form, for n.
    // The form for n is the one the program's plural rule picks, which the languages test
    // holds against CLDR's table.
    QString counted(const QString& french, int n) const {
        const auto found = forms_.constFind(french);
        if (found == forms_.constEnd()) qFatal("%s: no words for \"%s\"", qPrintable(code_), qPrintable(french));
        const Catalogue* catalogue = Catalogue::find(code_.toStdString());
        const int form = (catalogue ? *catalogue : Catalogue::french()).pluralForm(n);
        QString text = found->value(form, found->first());
        return text.replace(QStringLiteral("{n}"), QString::number(n));
    }
    // The credit line as a pattern: any version, one of the months, a year.
    QRegularExpression credits() const {
        QStringList months;
        for (const char* month : {"janvier", "février", "mars", "avril", "mai", "juin", "juillet", "août", "septembre",
                                  "octobre", "novembre", "décembre"})
            months << QRegularExpression::escape((*this)(QString::fromUtf8(month)));
        QString pattern = QRegularExpression::escape((*this)(QStringLiteral("Piécettes {version}, par l'équipe Piécettes, {month} {year}.")));
        pattern.replace(QStringLiteral("\\{version\\}"), QStringLiteral("[0-9.]+"))
            .replace(QStringLiteral("\\{month\\}"), QStringLiteral("(") + months.join(QLatin1Char('|')) + QStringLiteral(")"))
            .replace(QStringLiteral("\\{year\\}"), QStringLiteral("[0-9]{4}"));
        return QRegularExpression(QStringLiteral("^") + pattern + QStringLiteral("$"));
    }

private:
    static QString unquoted(const QString& line) {
        static const QRegularExpression quoted(QStringLiteral("\"((?:[^\"\\\\]|\\\\.)*)\""));
        QString text = quoted.match(line).captured(1);
        text.replace(QStringLiteral("\\n"), QStringLiteral("\n")).replace(QStringLiteral("\\\""), QStringLiteral("\""));
        return text.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
    }

    // Each entry's msgid and msgid_plural name its translations, in the order of their forms.
    void read(const QString& text) {
        QString id, plural, *field = nullptr;
        QStringList strings;
        const auto finish = [&] {
            if (!id.isEmpty()) {
                forms_.insert(id, strings);
                if (!plural.isEmpty()) forms_.insert(plural, strings);
            }
            id.clear();
            plural.clear();
            strings.clear();
            field = nullptr;
        };
        QString context;
        for (const QString& raw : text.split(QLatin1Char('\n'))) {
            const QString line = raw.trimmed();
            if (line.startsWith(QLatin1String("msgctxt"))) {
                finish();
                context = unquoted(line);
                field = &context;
            } else if (line.startsWith(QLatin1String("msgid_plural"))) {
                plural = unquoted(line);
                field = &plural;
            } else if (line.startsWith(QLatin1String("msgid"))) {
                if (!strings.isEmpty()) finish();
                id = unquoted(line);
                field = &id;
            } else if (line.startsWith(QLatin1String("msgstr"))) {
                // The template's msgstrs are empty: its words are the msgids.
                strings << (french() ? (strings.isEmpty() ? id : plural) : unquoted(line));
                field = &strings.last();
            } else if (line.startsWith(QLatin1Char('"')) && field) {
                *field += unquoted(line);
            } else if (line.isEmpty()) {
                finish();
            }
        }
        finish();
    }

    QString code_;
    QHash<QString, QStringList> forms_;
};

// One reader a run.
inline const ExpectedWords& words() {
    static const ExpectedWords reader;
    return reader;
}

}  // namespace piecettes::test
