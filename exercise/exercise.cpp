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

Amount coinValue(int type) { return type >= 0 && type < SlotCount ? CoinValues[static_cast<std::size_t>(type)] : 0.0f; }

constexpr float AutoWinSquare = 0.00001f;
constexpr int MaxEuros = 12;
constexpr int CentsPerEuro = 100;
constexpr int MaxCoinsPerType = 6;
// After a change coin the caret stands here, or at the end of a shorter answer.
constexpr int CaretAfterAmount = 5;
constexpr char32_t EnterKey = U'\r';

}  // namespace

Exercise::Exercise(Draws draws, char decimalSeparator) : draws_(std::move(draws)), decimalSeparator_(decimalSeparator) {}

std::string Exercise::format(double amount) const { return formatAmount(amount, decimalSeparator_); }

void Exercise::focus(Focus::Target target, Outcome& out, int cell) { out.focus = Focus{target, cell}; }

void Exercise::setFeedback(Message message, Outcome& out) {
    state_.feedback = message;
    if (message != Message::None) out.said.push_back({Announcement::Line::Feedback, message, {}, 0});
}

void Exercise::setScore(Message message, Outcome& out) {
    state_.score = message;
    state_.scoreCount = message == Message::Score ? state_.exerciseCount : 0;
    out.said.push_back({Announcement::Line::Score, message, {}, state_.scoreCount});
}

void Exercise::setGivenTotal(Outcome& out) {
    state_.givenTotalShown = true;
    out.said.push_back({Announcement::Line::GivenTotal, Message::None, format(state_.givenTotal), 0});
}

Outcome Exercise::start() {
    Outcome out;
    if (state_.started) return out;
    state_.started = true;
    state_.exerciseCount = 0;
    newExercise(out);
    return out;
}

void Exercise::newExercise(Outcome& out) {
    state_.instruction = Message::PayInstruction;
    state_.feedback = Message::None;
    state_.givenTotalShown = false;
    state_.phase = Phase::Paying;
    for (int type = 0; type < CoinTypeCount; ++type) state_.givenCount[type] = 0;
    state_.cells.fill(Cell::Absent);
    ++state_.pursesLaid;
    state_.price = 0;
    state_.givenTotal = 0;
    drawPurse();
    drawPrice();
    out.said.push_back({Announcement::Line::Price, Message::None, format(state_.price), 0});
    increment(state_.exerciseCount, 1);
    focus(Focus::Target::Window, out);
}

void Exercise::drawPurse() {
    // An empty purse has no price below it, so it is drawn again.
    do {
        state_.purseTotal = 0;
        for (int type = 0; type < CoinTypeCount; ++type) {
            const int count = draws_.below(MaxCoinsPerType);
            state_.purseCount[type] = static_cast<float>(count);
            state_.purseTotal = toFloat(double(coinValue(type)) * state_.purseCount[type] + state_.purseTotal);
            for (int place = 0; place < count; ++place) state_.cells[cellOf(type, place)] = Cell::Shown;
        }
    } while (!(state_.purseTotal > 0.0f));
}

void Exercise::drawPrice() {
    do {
        const int euros = draws_.below(MaxEuros);
        const int cents = draws_.below(CentsPerEuro);
        state_.price = toFloat(euros + double(cents) / CentsPerEuro);
    } while (!(state_.price < state_.purseTotal));
}

Outcome Exercise::pressCoin(int cell, Button button, Via via) {
    Outcome out;
    if (!validCell(cell) || state_.cells[cell] != Cell::Shown) return out;
    const bool pausing = pause_.has_value();
    const bool finished = state_.finished;
    if (state_.phase == Phase::Paying)
        handOver(cell, out);
    else
        countChangeCoin(cell, button, out);
    // From the keyboard the focus follows the coin: to its square once it is handed over,
    // where the same key takes it back, and back to the coin in the change question,
    // where the child goes on counting. A press that wins leaves the focus where the
    // rules put it.
    if (via == Via::Key && pause_.has_value() == pausing && state_.finished == finished) {
        const bool toSquare = state_.phase == Phase::Paying;
        if (state_.cells[cell] == (toSquare ? Cell::HandedOver : Cell::Shown))
            focus(toSquare ? Focus::Target::Square : Focus::Target::Coin, out, cell);
    }
    return out;
}

void Exercise::handOver(int cell, Outcome& out) {
    const int type = cellType(cell);
    state_.hint = Message::TakeBackHint;
    state_.hintShown = true;
    state_.feedback = Message::None;
    state_.cells[cell] = Cell::HandedOver;
    increment(state_.givenCount[type], 1);
    state_.givenTotal = toFloat(double(state_.givenTotal) + coinValue(type));
    setGivenTotal(out);
    const float difference = toFloat(double(state_.givenTotal) - state_.price);
    if (toFloat(double(difference) * difference) < AutoWinSquare) exerciseWon(out);
}

void Exercise::countChangeCoin(int cell, Button button, Outcome& out) {
    const double answer = readAmount(state_.answer);
    const double coin = coinValue(cell);
    const float value = toFloat(button == Button::Left ? answer + coin : answer - coin);
    then(writeAnswer(format(value), out, false), Rest::ChangeCoinCounted, out);
}

Outcome Exercise::takeBack(int cell, Via via) {
    Outcome out;
    if (!validCell(cell) || state_.cells[cell] != Cell::HandedOver) return out;
    const int type = cellType(cell);
    state_.feedback = Message::None;
    state_.cells[cell] = Cell::Shown;
    increment(state_.givenCount[type], -1);
    state_.givenTotal = toFloat(double(state_.givenTotal) - coinValue(type));
    setGivenTotal(out);
    // What is left still pays the price: OK is the next step. Once the series is
    // over OK is hidden, so the focus stays where it is.
    if (!state_.finished && toFloat(double(state_.givenTotal) - state_.price) > -AmountToleranceF)
        focus(Focus::Target::Ok, out);
    else if (via == Via::Key)
        focus(Focus::Target::Coin, out, cell);
    return out;
}

Outcome Exercise::pressOk() {
    Outcome out;
    if (!state_.okShown) return out;
    if (state_.phase == Phase::Change) {
        enterAnswer(out, false);
        return out;
    }
    const double given = state_.givenTotal;
    const double price = state_.price;
    if (std::fabs(toFloat(given - price)) < AmountToleranceF) {
        exerciseWon(out);
    } else if (toFloat(given + AmountTolerance) < state_.price) {
        setFeedback(Message::More, out);
    } else if (toFloat(price + AmountTolerance) < state_.givenTotal) {
        for (int type = 0; type < CoinTypeCount; ++type) {
            if (state_.givenCount[type] >= 1 && toFloat(given - price - coinValue(type)) > -AmountToleranceF) {
                setFeedback(Message::TooManyCoins, out);
                return out;
            }
        }
        askForChange(out);
    }
    return out;
}

bool Exercise::answerIsRight() const {
    const double answer = readAmount(state_.answer);
    const double due = double(state_.givenTotal) - double(state_.price);
    return std::fabs(due - answer) < AmountTolerance;
}

bool Exercise::writeAnswer(const std::string& text, Outcome& out, bool typed) {
    state_.answer = text;
    state_.caret = static_cast<int>(text.size());
    ++state_.answerWrites;
    return judgeAnswer(out, typed);
}

Outcome Exercise::editAnswer(const std::string& text) {
    Outcome out;
    state_.answer = text;
    judgeAnswer(out, true);
    return out;
}

// The large box shows the answer; a screen reader already echoes what the child types.
bool Exercise::judgeAnswer(Outcome& out, bool typed) {
    state_.answerUnknown = false;
    if (!typed && !state_.answer.empty())
        out.said.push_back({Announcement::Line::Answer, Message::None, state_.answer, 0});
    return answerIsRight() && exerciseWon(out);
}

Outcome Exercise::typeKey(char32_t key) {
    Outcome out;
    out.insert = key == U',' ? U'.' : key;
    state_.feedback = Message::None;
    if (key != EnterKey) return out;
    out.insert = 0;
    enterAnswer(out, true);
    return out;
}

void Exercise::enterAnswer(Outcome& out, bool typed) {
    state_.feedback = Message::None;
    if (answerIsRight()) {
        exerciseWon(out);
        return;
    }
    setFeedback(Message::Wrong, out);
    // With the coins given paying the price exactly, the emptied answer is right.
    const bool startedPause = writeAnswer("", out, typed);
    if (startedPause) {
        pause_->rest = Rest::WrongAnswerCleared;
        return;
    }
    state_.answerUnknown = true;
    if (!typed) out.said.push_back({Announcement::Line::Answer, Message::Unknown, {}, 0});
    focus(Focus::Target::Answer, out);
}

bool Exercise::exerciseWon(Outcome& out) {
    setFeedback(Message::Bravo, out);
    state_.answerMark = AnswerMark::Right;
    if (state_.exerciseCount > 1) setScore(Message::Score, out);
    // An answer that is still, or again, right while the pause runs only repeats the
    // praise: it must not count the exercise twice nor draw a second one.
    if (pause_) return false;
    if (state_.exerciseCount < SeriesLength) {
        pause_ = Pause{SuccessPause};
        return true;
    }
    state_.finished = true;
    setScore(Message::SeriesDone, out);
    state_.feedbackShown = false;
    state_.okShown = false;
    focus(Focus::Target::FocusPark, out);
    return false;
}

std::chrono::milliseconds Exercise::pauseLeft() const { return pause_ ? pause_->left : std::chrono::milliseconds{0}; }

std::optional<std::chrono::milliseconds> Exercise::timeWanted() const {
    if (!pause_ || pause_->left.count() == 0) return std::nullopt;
    return pause_->left;
}

Outcome Exercise::timePassed(std::chrono::milliseconds elapsed) {
    Outcome out;
    if (!pause_) return out;
    pause_->left = std::max(pause_->left - std::max(elapsed, std::chrono::milliseconds{0}), std::chrono::milliseconds{0});
    if (pause_->left.count() == 0 && !state_.infoOpen) endPause(out);
    return out;
}

Outcome Exercise::openInfo() {
    state_.infoOpen = true;
    return {};
}

Outcome Exercise::closeInfo() {
    Outcome out;
    state_.infoOpen = false;
    if (pause_ && pause_->left.count() == 0) endPause(out);
    return out;
}

void Exercise::endPause(Outcome& out) {
    const Rest rest = pause_->rest;
    pause_.reset();
    state_.answerShown = false;
    state_.answerMark = AnswerMark::Plain;
    newExercise(out);
    finish(rest, out);
}

void Exercise::then(bool startedPause, Rest rest, Outcome& out) {
    if (startedPause)
        pause_->rest = rest;
    else
        finish(rest, out);
}

void Exercise::finish(Rest rest, Outcome& out) {
    switch (rest) {
        case Rest::Nothing: break;
        case Rest::ChangeCoinCounted:
            focus(Focus::Target::Answer, out);
            state_.caret = std::min<int>(CaretAfterAmount, static_cast<int>(state_.answer.size()));
            ++state_.answerWrites;
            break;
        case Rest::WrongAnswerCleared:
            state_.answerUnknown = true;
            out.said.push_back({Announcement::Line::Answer, Message::Unknown, {}, 0});
            focus(Focus::Target::Answer, out);
            break;
        case Rest::ChangeAsked:
            state_.answerShown = true;
            state_.phase = Phase::Change;
            focus(Focus::Target::Answer, out);
            break;
    }
}

void Exercise::askForChange(Outcome& out) {
    setFeedback(Message::AskChange, out);
    state_.cells.fill(Cell::Absent);
    ++state_.pursesLaid;
    for (int type = 0; type < CoinTypeCount; ++type) state_.cells[type] = Cell::Shown;
    state_.instruction = Message::ChangeInstruction;
    state_.hint = Message::TakeAwayHint;
    then(writeAnswer("", out, false), Rest::ChangeAsked, out);
}

}  // namespace piecettes
