#include "exercise.h"

#include <cfloat>
#include <cmath>
#include <limits>

namespace piecettes {

namespace {

// Rounds to a 32-bit float as amounts are stored. Values beyond the float range
// saturate instead of overflowing, which C++ leaves undefined.
float toFloat(double value) {
    if (std::isnan(value)) return 0.0f;
    if (value > FLT_MAX) return FLT_MAX;
    if (value < -FLT_MAX) return -FLT_MAX;
    return static_cast<float>(value);
}

void increment(std::int16_t& counter, int by) {
    const int next = counter + by;
    if (next >= std::numeric_limits<std::int16_t>::min() && next <= std::numeric_limits<std::int16_t>::max())
        counter = static_cast<std::int16_t>(next);
}

bool validCell(int cell) { return cell >= 0 && cell < CellCount; }

// floor(r * n) for r in [0, 1): a whole number below n.
int drawBelow(RandomSource& random, int n) {
    const int value = static_cast<int>(std::floor(random.next() * n));
    return value < 0 ? 0 : (value >= n ? n - 1 : value);
}

constexpr float AutoWinSquare = 0.00001f;
constexpr int MaxEuros = 12;
constexpr int CentsPerEuro = 100;
constexpr int MaxCoinsPerType = 6;
constexpr float SquareShiftLeft = 100;
constexpr float SquareShiftTop = 80;
constexpr int CaretAfterAmount = 5;

}  // namespace

std::string text::score(int exercisesWon) {
    return "Tu as " + std::to_string(exercisesWon) + " bonnes réponses.";
}

Exercise::Exercise(Controls& controls, RandomSource& random, char decimalSeparator)
    : controls_(controls), random_(random), decimalSeparator_(decimalSeparator) {}

Amount Exercise::coinValue(int type) const {
    return type >= 0 && type < SlotCount ? coinValue_[static_cast<std::size_t>(type)] : 0.0f;
}

std::string Exercise::format(double amount) const { return formatAmount(amount, decimalSeparator_); }

void Exercise::Form_Activate() {
    if (started_ || gone_) return;
    started_ = true;
    coinValue_ = CoinValues;
    for (int cell = 0; cell < CellCount; ++cell) {
        controls_.setSquareBackColour(cell, ButtonFace);
        const Position at = controls_.squarePosition(cell);
        controls_.moveSquare(cell, {at.left + SquareShiftLeft, at.top + SquareShiftTop});
    }
    state_.ExerciseCount = 0;
    NewExercise();
}

void Exercise::NewExercise() {
    if (gone_) return;
    random_.reseed();
    controls_.setCaption(Control::Label5, text::PayInstruction);
    controls_.setCaption(Control::Label8, "");
    controls_.setCaption(Control::Label7, "");
    controls_.setTag(PayingTag);
    for (int type = 0; type < CoinTypeCount; ++type) state_.GivenCount[type] = 0;
    for (int cell = 0; cell < CellCount; ++cell) {
        controls_.setPictureVisible(cell, false);
        controls_.setSquareVisible(cell, false);
    }
    state_.Price = 0;
    state_.GivenTotal = 0;
    drawPurse();
    drawPrice();
    controls_.setCaption(Control::Label6, format(state_.Price));
    increment(state_.ExerciseCount, 1);
    controls_.setFocus(Control::Form1);
}

void Exercise::drawPurse() {
    // An empty purse has no price below it, so it is drawn again.
    do {
        state_.PurseTotal = 0;
        for (int type = 0; type < CoinTypeCount; ++type) {
            const int count = drawBelow(random_, MaxCoinsPerType);
            state_.PurseCount[type] = static_cast<float>(count);
            state_.PurseTotal = toFloat(double(coinValue(type)) * state_.PurseCount[type] + state_.PurseTotal);
            for (int place = 0; place < count; ++place) controls_.setPictureVisible(cellOf(type, place), true);
        }
    } while (!(state_.PurseTotal > 0.0f));
}

void Exercise::drawPrice() {
    do {
        const int euros = drawBelow(random_, MaxEuros);
        const int cents = drawBelow(random_, CentsPerEuro);
        state_.Price = toFloat(euros + double(cents) / CentsPerEuro);
    } while (!(state_.Price < state_.PurseTotal));
}

void Exercise::Picture1_MouseDown(int cell, int button, int /*shift*/, float /*x*/, float /*y*/) {
    if (gone_ || !validCell(cell)) return;
    if (controls_.tag() == PayingTag) {
        // Paying: any button hands the coin over.
        const int type = cellType(cell);
        controls_.setCaption(Control::Label13, text::TakeBackHint);
        controls_.setVisible(Control::Label13, true);
        controls_.setCaption(Control::Label8, "");
        controls_.setPictureVisible(cell, false);
        controls_.setSquareVisible(cell, true);
        increment(state_.GivenCount[type], 1);
        state_.GivenTotal = toFloat(double(state_.GivenTotal) + coinValue(type));
        controls_.setCaption(Control::Label7, format(state_.GivenTotal));
        const float difference = toFloat(double(state_.GivenTotal) - state_.Price);
        if (toFloat(double(difference) * difference) < AutoWinSquare) ExerciseWon();
        return;
    }
    // Change: the left button adds the coin to the answer, any other takes it away.
    const double answer = readAmount(controls_.text7());
    const double coin = coinValue(cell);
    const float value = toFloat(button == LeftButton ? answer + coin : answer - coin);
    setText7(format(value));
    if (gone_) return;
    controls_.repaintNow(Control::Text7);
    controls_.setFocus(Control::Text7);
    controls_.setText7Caret(CaretAfterAmount);
}

void Exercise::Label10_Click(int cell) {
    if (gone_ || !validCell(cell)) return;
    const int type = cellType(cell);
    controls_.setCaption(Control::Label8, "");
    controls_.setPictureVisible(cell, true);
    controls_.setSquareVisible(cell, false);
    increment(state_.GivenCount[type], -1);
    state_.GivenTotal = toFloat(double(state_.GivenTotal) - coinValue(type));
    controls_.setCaption(Control::Label7, format(state_.GivenTotal));
    // What is left still pays the price: OK is the next step. Once the series is
    // over OK is hidden, so the focus stays where it is.
    if (!finished_ && toFloat(double(state_.GivenTotal) - state_.Price) > -AmountToleranceF)
        controls_.setFocus(Control::Command1);
}

void Exercise::Command1_Click() {
    if (gone_) return;
    if (controls_.tag() == ChangeTag) {
        int key = EnterKey;
        Text7_KeyPress(key);
        return;
    }
    const double given = state_.GivenTotal;
    const double price = state_.Price;
    if (std::fabs(toFloat(given - price)) < AmountToleranceF) {
        controls_.setBackColour(Control::Label12, Green);
        controls_.repaintNow(Control::Label12);
        ExerciseWon();
    } else if (toFloat(given + AmountTolerance) < state_.Price) {
        controls_.setCaption(Control::Label8, text::More);
    } else if (toFloat(price + AmountTolerance) < state_.GivenTotal) {
        for (int type = 0; type < CoinTypeCount; ++type) {
            if (state_.GivenCount[type] >= 1 && toFloat(given - price - coinValue(type)) > -AmountToleranceF) {
                TooManyCoins();
                return;
            }
        }
        AskForChange();
    }
}

void Exercise::TooManyCoins() {
    if (gone_) return;
    controls_.setCaption(Control::Label8, text::TooManyCoins);
}

bool Exercise::answerIsRight() const {
    const double answer = readAmount(controls_.text7());
    const double due = double(state_.GivenTotal) - double(state_.Price);
    return std::fabs(due - answer) < AmountTolerance;
}

void Exercise::setText7(const std::string& text) {
    controls_.setText7(text);
    Text7_Change();
}

void Exercise::Text7_Change() {
    if (gone_) return;
    controls_.setCaption(Control::Label12, controls_.text7());
    if (answerIsRight()) ExerciseWon();
}

void Exercise::Text7_KeyPress(int& key) {
    if (gone_) {
        key = 0;
        return;
    }
    if (key == ',') key = '.';
    controls_.setCaption(Control::Label8, "");
    if (key != EnterKey) return;
    key = 0;
    if (answerIsRight()) {
        controls_.setBackColour(Control::Label12, Green);
        controls_.repaintNow(Control::Label12);
        ExerciseWon();
        return;
    }
    controls_.setCaption(Control::Label8, text::Wrong);
    setText7("");
    if (gone_) return;
    controls_.setCaption(Control::Label12, text::Unknown);
    controls_.setFocus(Control::Text7);
}

void Exercise::ExerciseWon() {
    if (gone_) return;
    controls_.setCaption(Control::Label8, text::Bravo);
    controls_.setBackColour(Control::Label12, Green);
    controls_.repaintNow(Control::Label12);
    if (state_.ExerciseCount > 1) controls_.setCaption(Control::Label9, text::score(state_.ExerciseCount));
    // An answer that is still, or again, right while the pause runs only repeats the
    // praise: it must not count the exercise twice nor draw a second one.
    if (pausing_) return;
    if (state_.ExerciseCount < SeriesLength) {
        pausing_ = true;
        const bool windowAlive = controls_.pause(SuccessPause);
        pausing_ = false;
        if (!windowAlive) {
            gone_ = true;
            return;
        }
        controls_.setVisible(Control::Label12, false);
        controls_.setBackColour(Control::Label12, White);
        NewExercise();
        return;
    }
    finished_ = true;
    controls_.setCaption(Control::Label9, text::SeriesDone);
    controls_.setVisible(Control::Label8, false);
    controls_.setVisible(Control::Command1, false);
    controls_.setFocus(Control::Command2);
}

void Exercise::AskForChange() {
    if (gone_) return;
    controls_.setCaption(Control::Label8, text::AskChange);
    ShowChangeCoins();
    setText7("");
    if (gone_) return;
    controls_.setVisible(Control::Label12, true);
    controls_.setTag(ChangeTag);
    controls_.setFocus(Control::Text7);
}

void Exercise::ShowChangeCoins() {
    if (gone_) return;
    for (int cell = 0; cell < CellCount; ++cell) {
        controls_.setPictureVisible(cell, false);
        controls_.setSquareVisible(cell, false);
    }
    for (int type = 0; type < CoinTypeCount; ++type) controls_.setPictureVisible(type, true);
    controls_.setCaption(Control::Label5, text::ChangeInstruction);
    controls_.setCaption(Control::Label13, text::RightClickHint);
}

}  // namespace piecettes
