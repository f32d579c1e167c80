// Test doubles for the exercise rules: a window that records what the rules do to its
// controls, a random source that plays back a script, and the rules set up on both.
#pragma once

#include <QStringList>
#include <QTest>
#include <array>
#include <deque>
#include <map>
#include <stdexcept>

#include "exercise.h"

namespace piecettes::fakes {

inline QString nameOf(Control control) {
    static const char* const names[] = {"Window",   "Instruction", "Price", "GivenTotal", "Feedback",   "Score",
                                        "Answer",   "Hint",        "Ok",    "FocusPark",  "AnswerInput"};
    return names[static_cast<int>(control)];
}

// Every change is one line of the log, "what value" ("caption Feedback Bravo !", "visible Answer 0",
// "back Answer 65280", "repaint Answer", "picture 3 1", "square 3 0", "answer 1,50", "focus AnswerInput",
// "tag 1"...), and the last value of each "what" can be read back.
class FakeControls final : public Controls {
public:
    // Where the window creates the take-back squares, in twips: Left by place, Top by coin type.
    static constexpr std::array<float, PlacesPerType> PlaceLeft{120, 1140, 2160, 3120, 4080};
    static constexpr std::array<float, CoinTypeCount> TypeTop{240, 960, 1800, 2580, 3420, 4380, 5340, 6240};

    QStringList log;
    std::array<Position, CellCount> squareAt{};
    std::string text;
    std::string tagText;

    FakeControls() {
        for (int cell = 0; cell < CellCount; ++cell)
            squareAt[cell] = {PlaceLeft[cellPlace(cell)], TypeTop[cellType(cell)]};
    }
    QString value(const QString& what) const { return values_.count(what) ? values_.at(what) : QString(); }
    // True when these lines appear in the log in this order, from line `from` on.
    bool logged(const QStringList& lines, qsizetype from = 0) const {
        for (const QString& line : lines)
            if ((from = log.indexOf(line, from) + 1) == 0) return false;
        return true;
    }

    void setCaption(Control control, const std::string& text) override {
        set("caption " + nameOf(control), QString::fromStdString(text));
    }
    void setVisible(Control control, bool shown) override { set("visible " + nameOf(control), QString::number(shown)); }
    void setBackColour(Control control, Colour colour) override {
        set("back " + nameOf(control), QString::number(colour));
    }
    void repaintNow(Control control) override { log << "repaint " + nameOf(control); }
    void setCoinVisible(int cell, bool shown) override {
        set(QString("picture %1").arg(cell), QString::number(shown));
    }
    void setSquareVisible(int cell, bool shown) override {
        set(QString("square %1").arg(cell), QString::number(shown));
    }
    void setSquareBackColour(int cell, Colour colour) override {
        set(QString("squareColour %1").arg(cell), QString::number(colour));
    }
    Position squarePosition(int cell) const override { return squareAt.at(cell); }
    void moveSquare(int cell, Position position) override {
        squareAt.at(cell) = position;
        log << QString("move %1 %2 %3").arg(cell).arg(position.left).arg(position.top);
    }
    std::string answerText() const override { return text; }
    // Does not run the rules' change handler: they run it themselves.
    void setAnswerText(const std::string& newText) override {
        text = newText;
        log << "answer " + QString::fromStdString(text);
    }
    void setAnswerCaret(int position) override { set("caret", QString::number(position)); }
    void setFocus(Control control) override { set("focus", nameOf(control)); }
    std::string tag() const override { return tagText; }
    void setTag(const std::string& tag) override {
        tagText = tag;
        log << "tag " + QString::fromStdString(tag);
    }

private:
    void set(const QString& what, const QString& value) {
        values_[what] = value;
        log << what + " " + value;
    }
    std::map<QString, QString> values_;
};

// Plays back a queue of numbers; running out fails the test at once.
class ScriptedRandom final : public RandomSource {
public:
    std::deque<double> numbers;
    int reseeds = 0;

    // The numbers that draw this purse (coins per type) and then this price.
    void queueExercise(const std::array<int, CoinTypeCount>& counts, int euros, int cents) {
        for (int count : counts) numbers.push_back((count + 0.5) / 6);
        numbers.insert(numbers.end(), {(euros + 0.5) / 12, (cents + 0.5) / 100});
    }
    double next() override {
        if (numbers.empty()) {
            QTest::qFail("the rules drew more random numbers than the test queued", __FILE__, __LINE__);
            throw std::runtime_error("random script exhausted");
        }
        const double r = numbers.front();
        numbers.pop_front();
        return r;
    }
    void reseed() override { ++reseeds; }
};

enum Coin { Cent1, Cent2, Cent5, Cent10, Cent20, Cent50, Euro1, Euro2 };
constexpr std::array<int, CoinTypeCount> FullPurse{5, 5, 5, 5, 5, 5, 5, 5};
constexpr std::size_t NumbersPerExercise = CoinTypeCount + 2;

struct Game {
    FakeControls controls;
    ScriptedRandom random;
    Exercise exercise;
    std::array<int, CoinTypeCount> given{};

    explicit Game(char decimalSeparator = ',') : exercise(controls, random, decimalSeparator) {}
    QString operator[](const QString& what) const { return controls.value(what); }
    int count() const { return exercise.state().exerciseCount; }
    QString tag() const { return QString::fromStdString(controls.tagText); }
    QString text() const { return QString::fromStdString(controls.text); }

    // Starts the series on this purse and price.
    void start(const std::array<int, CoinTypeCount>& counts, int euros, int cents) {
        random.queueExercise(counts, euros, cents);
        exercise.windowActivated();
    }
    void press(int cell, int button = LeftButton) { exercise.coinPressed(cell, button); }
    // Hands over the next coin of this type; takes back the last one handed over.
    void give(int type, int button = LeftButton) { press(cellOf(type, given[type]++), button); }
    void takeBack(int type) { exercise.squareClicked(cellOf(type, --given[type])); }
    void type(const std::string& text) {
        controls.text = text;
        exercise.answerChanged();
    }
    int key(int key) {
        exercise.answerKey(key);
        return key;
    }
    // The success pause's time passes, as the window's timer reports it.
    void pass(std::chrono::milliseconds time = SuccessPause) { exercise.timePassed(time); }
};

}  // namespace piecettes::fakes
