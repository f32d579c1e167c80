#include "exercise.h"

#include <algorithm>
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

void Exercise::windowActivated() {
    if (started_) return;
    started_ = true;
    coinValue_ = CoinValues;
    for (int cell = 0; cell < CellCount; ++cell) {
        controls_.setSquareBackColour(cell, ButtonFace);
        const Position at = controls_.squarePosition(cell);
        controls_.moveSquare(cell, {at.left + SquareShiftLeft, at.top + SquareShiftTop});
    }
    state_.exerciseCount = 0;
    newExercise();
}

void Exercise::newExercise() {
    random_.reseed();
    controls_.setCaption(Control::Instruction, text::PayInstruction);
    controls_.setCaption(Control::Feedback, "");
    controls_.setCaption(Control::GivenTotal, "");
    controls_.setTag(PayingTag);
    for (int type = 0; type < CoinTypeCount; ++type) state_.givenCount[type] = 0;
    for (int cell = 0; cell < CellCount; ++cell) {
        controls_.setCoinVisible(cell, false);
        controls_.setSquareVisible(cell, false);
    }
    state_.price = 0;
    state_.givenTotal = 0;
    drawPurse();
    drawPrice();
    controls_.setCaption(Control::Price, format(state_.price));
    increment(state_.exerciseCount, 1);
    controls_.setFocus(Control::Window);
}

void Exercise::drawPurse() {
    // An empty purse has no price below it, so it is drawn again.
    do {
        state_.purseTotal = 0;
        for (int type = 0; type < CoinTypeCount; ++type) {
            const int count = drawBelow(random_, MaxCoinsPerType);
            state_.purseCount[type] = static_cast<float>(count);
            state_.purseTotal = toFloat(double(coinValue(type)) * state_.purseCount[type] + state_.purseTotal);
            for (int place = 0; place < count; ++place) controls_.setCoinVisible(cellOf(type, place), true);
        }
    } while (!(state_.purseTotal > 0.0f));
}

void Exercise::drawPrice() {
    do {
        const int euros = drawBelow(random_, MaxEuros);
        const int cents = drawBelow(random_, CentsPerEuro);
        state_.price = toFloat(euros + double(cents) / CentsPerEuro);
    } while (!(state_.price < state_.purseTotal));
}

void Exercise::coinPressed(int cell, int button) {
    if (!validCell(cell)) return;
    if (controls_.tag() == PayingTag) {
        // Paying: any button hands the coin over.
        const int type = cellType(cell);
        controls_.setCaption(Control::Hint, text::TakeBackHint);
        controls_.setVisible(Control::Hint, true);
        controls_.setCaption(Control::Feedback, "");
        controls_.setCoinVisible(cell, false);
        controls_.setSquareVisible(cell, true);
        increment(state_.givenCount[type], 1);
        state_.givenTotal = toFloat(double(state_.givenTotal) + coinValue(type));
        controls_.setCaption(Control::GivenTotal, format(state_.givenTotal));
        const float difference = toFloat(double(state_.givenTotal) - state_.price);
        if (toFloat(double(difference) * difference) < AutoWinSquare) exerciseWon();
        return;
    }
    // Change: the left button adds the coin to the answer, any other takes it away.
    const double answer = readAmount(controls_.answerText());
    const double coin = coinValue(cell);
    const float value = toFloat(button == LeftButton ? answer + coin : answer - coin);
    then(setAnswerText(format(value)), Rest::ChangeCoinCounted);
}

void Exercise::squareClicked(int cell) {
    if (!validCell(cell)) return;
    const int type = cellType(cell);
    controls_.setCaption(Control::Feedback, "");
    controls_.setCoinVisible(cell, true);
    controls_.setSquareVisible(cell, false);
    increment(state_.givenCount[type], -1);
    state_.givenTotal = toFloat(double(state_.givenTotal) - coinValue(type));
    controls_.setCaption(Control::GivenTotal, format(state_.givenTotal));
    // What is left still pays the price: OK is the next step. Once the series is
    // over OK is hidden, so the focus stays where it is.
    if (!finished_ && toFloat(double(state_.givenTotal) - state_.price) > -AmountToleranceF)
        controls_.setFocus(Control::Ok);
}

void Exercise::okPressed() {
    if (controls_.tag() == ChangeTag) {
        int key = EnterKey;
        answerKey(key);
        return;
    }
    const double given = state_.givenTotal;
    const double price = state_.price;
    if (std::fabs(toFloat(given - price)) < AmountToleranceF) {
        controls_.setBackColour(Control::Answer, Green);
        controls_.repaintNow(Control::Answer);
        exerciseWon();
    } else if (toFloat(given + AmountTolerance) < state_.price) {
        controls_.setCaption(Control::Feedback, text::More);
    } else if (toFloat(price + AmountTolerance) < state_.givenTotal) {
        for (int type = 0; type < CoinTypeCount; ++type) {
            if (state_.givenCount[type] >= 1 && toFloat(given - price - coinValue(type)) > -AmountToleranceF) {
                tooManyCoins();
                return;
            }
        }
        askForChange();
    }
}

void Exercise::tooManyCoins() {
    controls_.setCaption(Control::Feedback, text::TooManyCoinsMessage);
}

bool Exercise::answerIsRight() const {
    const double answer = readAmount(controls_.answerText());
    const double due = double(state_.givenTotal) - double(state_.price);
    return std::fabs(due - answer) < AmountTolerance;
}

bool Exercise::setAnswerText(const std::string& text) {
    controls_.setAnswerText(text);
    return judgeAnswer();
}

void Exercise::answerChanged() { judgeAnswer(); }

bool Exercise::judgeAnswer() {
    controls_.setCaption(Control::Answer, controls_.answerText());
    return answerIsRight() && exerciseWon();
}

void Exercise::answerKey(int& key) {
    if (key == ',') key = '.';
    controls_.setCaption(Control::Feedback, "");
    if (key != EnterKey) return;
    key = 0;
    if (answerIsRight()) {
        controls_.setBackColour(Control::Answer, Green);
        controls_.repaintNow(Control::Answer);
        exerciseWon();
        return;
    }
    controls_.setCaption(Control::Feedback, text::Wrong);
    // With the coins given paying the price exactly, the emptied answer is right.
    then(setAnswerText(""), Rest::WrongAnswerCleared);
}

bool Exercise::exerciseWon() {
    controls_.setCaption(Control::Feedback, text::Bravo);
    controls_.setBackColour(Control::Answer, Green);
    controls_.repaintNow(Control::Answer);
    if (state_.exerciseCount > 1) controls_.setCaption(Control::Score, text::score(state_.exerciseCount));
    // An answer that is still, or again, right while the pause runs only repeats the
    // praise: it must not count the exercise twice nor draw a second one.
    if (pause_) return false;
    if (state_.exerciseCount < SeriesLength) {
        pause_ = Pause{SuccessPause};
        return true;
    }
    finished_ = true;
    controls_.setCaption(Control::Score, text::SeriesDone);
    controls_.setVisible(Control::Feedback, false);
    controls_.setVisible(Control::Ok, false);
    controls_.setFocus(Control::FocusPark);
    return false;
}

std::chrono::milliseconds Exercise::pauseLeft() const { return pause_ ? pause_->left : std::chrono::milliseconds{0}; }

void Exercise::timePassed(std::chrono::milliseconds elapsed) {
    if (!pause_) return;
    pause_->left = std::max(pause_->left - std::max(elapsed, std::chrono::milliseconds{0}), std::chrono::milliseconds{0});
    if (pause_->left.count() == 0 && !infoOpen_) endPause();
}

void Exercise::infoOpened() { infoOpen_ = true; }

void Exercise::infoClosed() {
    infoOpen_ = false;
    if (pause_ && pause_->left.count() == 0) endPause();
}

void Exercise::endPause() {
    const Rest rest = pause_->rest;
    pause_.reset();
    controls_.setVisible(Control::Answer, false);
    controls_.setBackColour(Control::Answer, White);
    newExercise();
    finish(rest);
}

void Exercise::then(bool startedPause, Rest rest) {
    if (startedPause)
        pause_->rest = rest;
    else
        finish(rest);
}

void Exercise::finish(Rest rest) {
    switch (rest) {
        case Rest::Nothing: break;
        case Rest::ChangeCoinCounted:
            controls_.repaintNow(Control::AnswerInput);
            controls_.setFocus(Control::AnswerInput);
            controls_.setAnswerCaret(CaretAfterAmount);
            break;
        case Rest::WrongAnswerCleared:
            controls_.setCaption(Control::Answer, text::Unknown);
            controls_.setFocus(Control::AnswerInput);
            break;
        case Rest::ChangeAsked:
            controls_.setVisible(Control::Answer, true);
            controls_.setTag(ChangeTag);
            controls_.setFocus(Control::AnswerInput);
            break;
    }
}

void Exercise::askForChange() {
    controls_.setCaption(Control::Feedback, text::AskChange);
    showChangeCoins();
    then(setAnswerText(""), Rest::ChangeAsked);
}

void Exercise::showChangeCoins() {
    for (int cell = 0; cell < CellCount; ++cell) {
        controls_.setCoinVisible(cell, false);
        controls_.setSquareVisible(cell, false);
    }
    for (int type = 0; type < CoinTypeCount; ++type) controls_.setCoinVisible(type, true);
    controls_.setCaption(Control::Instruction, text::ChangeInstruction);
    controls_.setCaption(Control::Hint, text::RightClickHint);
}

}  // namespace piecettes
