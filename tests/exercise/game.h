// An exercise played as a child plays it, for the suites of the rules: scripted purses,
// the inputs in the exercise's terms, and what each input made a screen reader say and
// where it sent the focus, written as text so that a failed comparison shows both sides.
#pragma once

#include <QStringList>
#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "draws.h"
#include "exercise.h"
#include "screen.h"

namespace piecettes::test {

enum Coin { Cent1, Cent2, Cent5, Cent10, Cent20, Cent50, Euro1, Euro2 };
inline constexpr const char* FullPurse = "55555555";

// The sentences a screen reader says for an outcome, in order.
inline QStringList said(const Outcome& outcome) {
    QStringList lines;
    for (const Announcement& line : outcome.said) lines << QString::fromStdString(spoken(line, Language{}));
    return lines;
}

// Where an outcome sends the focus ("Answer", "Square 7"...), or "" when it leaves it.
inline QString focus(const Outcome& outcome) {
    if (!outcome.focus) return {};
    static const char* const names[] = {"Window", "Answer", "Ok", "FocusPark", "Coin", "Square"};
    const QString name = QLatin1String(names[static_cast<int>(outcome.focus->target)]);
    return outcome.focus->cell < 0 ? name : name + ' ' + QString::number(outcome.focus->cell);
}

struct Game {
    Exercise exercise;
    // Coins of each type handed over, so that the next one given is the next in its row.
    std::array<int, CoinTypeCount> given{};

    explicit Game(Draws draws, char decimalSeparator = ',') : exercise(std::move(draws), decimalSeparator) {}
    // A series started on an exercise of this purse and price, then the exercise of `next`
    // over and over (by default the first one again).
    Game(const char* purse, int euros, int cents, std::vector<int> next = {}, char decimalSeparator = ',')
        : Game(next.empty() ? exercises({test::exercise(purse, euros, cents)})
                            : exercises({test::exercise(purse, euros, cents), next}),
               decimalSeparator) {
        exercise.start();
    }

    const ExerciseState& state() const { return exercise.state(); }
    int count() const { return state().exerciseCount; }
    Screen screen(Pointer pointer = Pointer::Mouse) const { return screenOf(exercise, pointer, Language{}); }
    // A line of the window as the child reads it.
    QString label(layout::LabelRole role, Pointer pointer = Pointer::Mouse) const {
        return QString::fromStdString(screen(pointer).labels[row(role)]);
    }
    bool labelShown(layout::LabelRole role) const { return screen().labelShown[row(role)]; }

    // Hands over the next coin of this type; takes back the last one handed over.
    Outcome give(int type, Button button = Button::Left, Via via = Via::Pointer) {
        return exercise.pressCoin(cellOf(type, given[type]++), button, via);
    }
    Outcome takeBack(int type, Via via = Via::Pointer) { return exercise.takeBack(cellOf(type, --given[type]), via); }
    // Presses the coin of this type in the change question.
    Outcome change(int type, Button button = Button::Left, Via via = Via::Pointer) {
        return exercise.pressCoin(type, button, via);
    }
    Outcome ok() { return exercise.pressOk(); }
    Outcome key(char32_t key) { return exercise.typeKey(key); }
    Outcome type(const std::string& text) { return exercise.editAnswer(text); }
    Outcome pass(std::chrono::milliseconds time = SuccessPause) { return exercise.timePassed(time); }

    // The row of the layout table that shows this line.
    static std::size_t row(layout::LabelRole role) {
        for (std::size_t row = 0; row < layout::Labels.size(); ++row)
            if (layout::Labels[row].role == role) return row;
        throw std::logic_error("no label plays this role");
    }
};

}  // namespace piecettes::test
