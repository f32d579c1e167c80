#include "robot.h"

#include "expected_words.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QWindow>

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <sstream>
#include <tuple>

#include "amount.h"
#include "catalogue.h"
#include "exercise.h"
#include "keyboard.h"
#include "window_fixture.h"

namespace piecettes::robot {

namespace {

using layout::LabelRole;

// What the child does next: press a coin (shown or not), click a square, click OK,
// type a key, open Info, make a step towards the answer, or let the window idle. During
// the success pause time may pass instead (Wait).
enum class Kind { Coin, Square, Ok, Key, Info, Smart, Idle, Wait };
// In the order of Kind. The smart steps are frequent enough for series to end.
constexpr std::array KindWeights{24.0, 10.0, 6.0, 24.0, 0.7, 32.0, 3.0, 0.0};

struct Key {
    Qt::Key key;
    const char* text;
    Qt::KeyboardModifiers modifiers;
    double weight;
};
// What a child types: mostly digits, then separators, letters, editing keys, Enter,
// Tab, and a few shortcuts of the answer box (cut, paste, undo, select all).
const std::array Keys{
    Key{Qt::Key_0, "0", {}, 5},  Key{Qt::Key_1, "1", {}, 5},       Key{Qt::Key_2, "2", {}, 4},
    Key{Qt::Key_3, "3", {}, 3},  Key{Qt::Key_4, "4", {}, 3},       Key{Qt::Key_5, "5", {}, 4},
    Key{Qt::Key_6, "6", {}, 3},  Key{Qt::Key_7, "7", {}, 3},       Key{Qt::Key_8, "8", {}, 3},
    Key{Qt::Key_9, "9", {}, 4},  Key{Qt::Key_Comma, ",", {}, 5},   Key{Qt::Key_Period, ".", {}, 4},
    Key{Qt::Key_Minus, "-", {}, 2}, Key{Qt::Key_Plus, "+", {}, 1}, Key{Qt::Key_Space, " ", {}, 1},
    Key{Qt::Key_A, "a", {}, 1},  Key{Qt::Key_E, "e", {}, 1},       Key{Qt::Key_X, "x", {}, 1},
    Key{Qt::Key_Z, "Z", Qt::ShiftModifier, 1},                      Key{Qt::Key_Eacute, "\xc3\xa9", {}, 1},
    Key{Qt::Key_Backspace, "\b", {}, 8},                            Key{Qt::Key_Return, "\r", {}, 4},
    Key{Qt::Key_Enter, "\r", Qt::KeypadModifier, 1},                Key{Qt::Key_Tab, "\t", {}, 3},
    Key{Qt::Key_Backtab, "", Qt::ShiftModifier, 1},                 Key{Qt::Key_Escape, "\x1b", {}, 1},
    Key{Qt::Key_Delete, "", {}, 1}, Key{Qt::Key_Left, "", {}, 1},   Key{Qt::Key_Home, "", {}, 1},
    Key{Qt::Key_A, "", Qt::ControlModifier, 0.5},                   Key{Qt::Key_X, "", Qt::ControlModifier, 0.5},
    Key{Qt::Key_V, "", Qt::ControlModifier, 0.5},                   Key{Qt::Key_Z, "", Qt::ControlModifier, 0.5},
};

constexpr std::array Buttons{Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
// How often time passes during a pause, instead of another event; each time up to
// twice the pause's length passes.
constexpr double WaitChance = 0.3;
constexpr int MaxEventsDuringInfo = 3;
// How long a window manager may take to activate the Info box, however loaded the machine.
constexpr int ActivationWaitMs = 30000;
// After the end of a series the child goes on clicking for a while, then a new
// window starts a new series.
constexpr int MaxEventsAfterEnd = 200;
// A money amount typed or built by clicks that is far from any answer: cleared first.
constexpr double Nonsense = 100.0;

// The words of a message in the run's language, read from its gettext file.
QString words(Message message) {
    return test::words()(QString::fromStdString(messageText(message, Catalogue::french())));
}

// Everything the player can see or change, to show that an event changed nothing.
struct Snapshot {
    ExerciseState state;
    std::string answer;
    QString givenTotal, feedback;
    QWidget* focus = nullptr;
    std::array<bool, CellCount> pictures{}, squares{};
    bool operator==(const Snapshot& other) const {
        return std::tie(state.purseCount, state.givenCount, state.purseTotal, state.givenTotal, state.price,
                        state.exerciseCount, state.phase, answer, givenTotal, feedback, focus, pictures, squares) ==
               std::tie(other.state.purseCount, other.state.givenCount, other.state.purseTotal, other.state.givenTotal,
                        other.state.price, other.state.exerciseCount, other.state.phase, other.answer,
                        other.givenTotal, other.feedback, other.focus, other.pictures, other.squares);
    }
};

class Robot : public QObject {
public:
    explicit Robot(const Options& options) : options_(options), choices_(options.seed) {}

    Report run() {
        while (report_.events < options_.events && report_.failure.empty()) {
            if (!window_ || windowGone_ || (finished_ && ++eventsAfterEnd_ > MaxEventsAfterEnd)) newWindow();
            if (!report_.failure.empty()) break;
            act();
            if (options_.progressEvery > 0 && report_.events >= nextProgress_) {
                std::fprintf(stderr, "robot: %lld events, %lld rule checks, %lld series finished\n",
                             static_cast<long long>(report_.events), static_cast<long long>(report_.checks),
                             static_cast<long long>(report_.seriesFinished));
                nextProgress_ += options_.progressEvery;
            }
        }
        window_.reset();
        return report_;
    }

private:
    bool chance(double p) { return std::bernoulli_distribution(p)(choices_); }
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(choices_); }

    ExerciseWindow& form() const { return window_->form(); }
    const Exercise& exercise() const { return window_->exercise(); }

    // The window's draws come from the robot's seed as well, so that a run replays exactly.
    void newWindow() {
        window_.reset();
        const std::uint64_t seed = choices_();
        separator_ = chance(0.5) ? ',' : '.';
        window_ = std::make_unique<test::WindowUnderTest>(
            Draws(seed), WindowOptions{.testClock = true, .draws = {}, .decimalSeparator = separator_, .language = {}});
        windowGone_ = false;
        finished_ = false;
        eventsAfterEnd_ = 0;
        pausedAt_ = -1;
        connect(&form(), &ExerciseWindow::gone, this, [this] {
            windowGone_ = true;
            drawsAtGone_ = exercise().draws().drawn();
            countAtGone_ = exercise().state().exerciseCount;
        });
        for (int cell = 0; cell < CellCount; ++cell) {
            pictures_[cell] = window_->picture(cell);
            squares_[cell] = window_->square(cell);
        }
        ok_ = window_->ok();
        info_ = window_->label(LabelRole::Info);
        givenTotal_ = window_->label(LabelRole::GivenTotal);
        feedback_ = window_->label(LabelRole::Feedback);
        instruction_ = window_->label(LabelRole::Instruction);
        answerInput_ = window_->answerBox();
        expect(window_->open(), "the window becomes active");
        expect(exercise().state().started, "activating the window starts the series");
        lastCount_ = exercise().state().exerciseCount;
        expect(lastCount_ == 1, "a series starts with exercise 1");
        ++report_.series;
    }

    void expect(bool holds, const char* rule) {
        ++report_.checks;
        if (holds || !report_.failure.empty()) return;
        std::ostringstream out;
        out << "seed " << options_.seed << ", event " << report_.events << ": " << rule;
        if (window_ && !windowGone_) {
            const ExerciseState& s = exercise().state();
            out << " [phase " << (s.phase == Phase::Paying ? "paying" : "change") << ", exercise " << s.exerciseCount
                << ", price " << s.price << ", purse " << s.purseTotal << ", given " << s.givenTotal << ", given total shown \""
                << givenTotal_->text().toStdString() << "\"]";
        }
        out << "; replay with ROBOT_SEED=" << options_.seed << " ROBOT_EVENTS=" << report_.events;
        report_.failure = out.str();
    }

    Snapshot snapshot() const {
        Snapshot s;
        s.state = exercise().state();
        s.answer = answerInput_->text().toStdString();
        s.givenTotal = givenTotal_->text();
        s.feedback = feedback_->text();
        s.focus = form().focusWidget();
        for (int cell = 0; cell < CellCount; ++cell) {
            s.pictures[cell] = !pictures_[cell]->isHidden();
            s.squares[cell] = !squares_[cell]->isHidden();
        }
        return s;
    }

    // One event, then every rule.
    void act() {
        if (!report_.failure.empty() || windowGone_) return;
        ++report_.events;
        std::discrete_distribution<int> kinds(KindWeights.begin(), KindWeights.end());
        if (exercise().pausing()) {
            ++report_.eventsInPause;
            if (chance(WaitChance)) {
                deliver(Kind::Wait);
                check();
                return;
            }
        }
        deliver(static_cast<Kind>(kinds(choices_)));
        check();
    }

    void deliver(Kind kind) {
        switch (kind) {
            case Kind::Coin:
                click(pictures_[below(CellCount)], Buttons[below(int(Buttons.size()))], randomModifiers());
                break;
            case Kind::Square:
                click(squares_[below(CellCount)], chance(0.9) ? Qt::LeftButton : Qt::RightButton, {});
                break;
            case Kind::Ok: click(ok_, Qt::LeftButton, {}); break;
            case Kind::Key: {
                std::array<double, Keys.size()> weights{};
                for (std::size_t i = 0; i < Keys.size(); ++i) weights[i] = Keys[i].weight;
                std::discrete_distribution<std::size_t> keys(weights.begin(), weights.end());
                type(Keys[keys(choices_)]);
                break;
            }
            case Kind::Info: openInfo(); break;
            case Kind::Smart: smartStep(); break;
            case Kind::Idle: QCoreApplication::processEvents(); break;
            case Kind::Wait:
                form().timePassed(std::chrono::milliseconds(1 + below(2 * int(SuccessPause.count()))));
                break;
        }
    }

    Qt::KeyboardModifiers randomModifiers() {
        if (!chance(0.1)) return {};
        constexpr std::array Modifiers{Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier};
        return Modifiers[below(int(Modifiers.size()))];
    }

    // A click somewhere in the middle half of the widget, delivered to the window.
    void click(QWidget* target, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
        const QRect area = target->rect();
        const QPoint inside(area.width() / 4 + below(std::max(1, area.width() / 2)),
                            area.height() / 4 + below(std::max(1, area.height() / 2)));
        window_->click(target, button, modifiers, inside);
    }

    // Keys go where the keyboard focus is, as a real keyboard's do.
    void type(const Key& key) {
        QWindow* target = QGuiApplication::focusWindow();
        if (!target) target = form().windowHandle();
        test::keyboard().click(target, key.key, QString::fromUtf8(key.text), key.modifiers);
    }

    // Info opens its box and returns at once. While the box is open it blocks the window
    // and holds the pause, however much time passes; once it is closed the exercise is
    // as it was, unless a pause held past its time ends then.
    void openInfo() {
        const Snapshot before = snapshot();
        const bool pausing = exercise().pausing();
        click(info_, Qt::LeftButton, {});
        if (windowGone_) return;
        ++report_.infoBoxes;
        QPointer<QWidget> box = QApplication::activeModalWidget();
        expect(box && box->objectName() == QStringLiteral("Info"), "Info opens a modal box");
        if (!box) return;
        expect(exercise().state().infoOpen, "the rules know the Info box is open");
        const int count = below(MaxEventsDuringInfo + 1);
        for (int i = 0; i < count && report_.failure.empty(); ++i) {
            ++report_.events;
            ++report_.eventsDuringInfo;
            constexpr std::array Targets{Kind::Coin, Kind::Square, Kind::Ok, Kind::Wait};
            deliver(Targets[below(int(Targets.size()))]);
            expect(snapshot() == before, "the Info box blocks the window and holds the pause");
        }
        // On a real display the box takes the keys once the window manager has made it active.
        expect(QTest::qWaitFor([&] { return !box || QApplication::activeWindow() == box; }, ActivationWaitMs),
               "the Info box becomes active");
        if (!box) return;
        switch (below(3)) {
            case 0: test::keyboard().click(box->windowHandle(), Qt::Key_Escape); break;
            case 1: test::keyboard().click(box->windowHandle(), Qt::Key_Return); break;
            default:
                if (auto* message = qobject_cast<QMessageBox*>(box.data()))
                    QTest::mouseClick(message->button(QMessageBox::Ok), Qt::LeftButton);
        }
        expect(!box || box->isHidden(), "the Info box closes from the keyboard or its OK button");
        if (box && !box->isHidden()) box->close();
        expect(!exercise().state().infoOpen, "the rules know the Info box is closed");
        if (pausing && !exercise().pausing())
            expect(exercise().state().exerciseCount == before.state.exerciseCount + 1,
                   "a pause held past its time by the Info box ends as the box closes");
        else
            expect(snapshot() == before, "the exercise is unchanged once the Info box is closed");
    }

    // A child who knows the rules makes one step towards the answer, so that exercises
    // are won and series reach their end between the random events.
    void smartStep() {
        const ExerciseState& s = exercise().state();
        if (s.finished) return;
        const double given = s.givenTotal;
        const double price = s.price;
        if (s.phase == Phase::Paying) {
            if (feedback_->text() == words(Message::TooManyCoins)) {
                for (int cell = 0; cell < CellCount; ++cell)
                    if (!squares_[cell]->isHidden() && CoinValues[cellType(cell)] <= given - price + AmountTolerance)
                        return click(squares_[cell], Qt::LeftButton, {});
            }
            if (given >= price - AmountTolerance) return click(ok_, Qt::LeftButton, {});
            // The largest coin that does not pay too much, or else the smallest one shown.
            int best = -1;
            int smallest = -1;
            for (int cell = CellCount - 1; cell >= 0; --cell) {
                if (pictures_[cell]->isHidden()) continue;
                const double value = CoinValues[cellType(cell)];
                if (value <= price - given + AmountTolerance && (best < 0 || value > CoinValues[cellType(best)]))
                    best = cell;
                if (smallest < 0 || value < CoinValues[cellType(smallest)]) smallest = cell;
            }
            if (best < 0) best = smallest;
            if (best >= 0) click(pictures_[best], Qt::LeftButton, {});
            return;
        }
        const double answer = readAmount(answerInput_->text().toStdString());
        if (!(std::fabs(answer) < Nonsense)) {
            if (answerInput_->hasFocus()) return type(Key{Qt::Key_Return, "\r", {}, 0});
            return click(pictures_[0], Qt::LeftButton, {});
        }
        const double missing = (given - price) - answer;
        const bool add = missing > 0;
        int coin = 0;
        for (int type = 0; type < CoinTypeCount; ++type)
            if (CoinValues[type] <= std::fabs(missing) + AmountTolerance) coin = type;
        click(pictures_[coin], add ? Qt::LeftButton : Qt::RightButton, {});
    }

    void check() {
        if (windowGone_) {
            expect(exercise().draws().drawn() == drawsAtGone_, "no purse is drawn once the window is gone");
            expect(exercise().state().exerciseCount == countAtGone_, "no exercise is counted once the window is gone");
            expect(!form().isVisible(), "the window closes when it is gone");
            ++report_.windowsQuit;
            return;
        }
        const Exercise& exercise = this->exercise();
        const ExerciseState& s = exercise.state();
        const bool paying = s.phase == Phase::Paying;
        expect(instruction_->text() == words(paying ? Message::PayInstruction : Message::ChangeInstruction),
               "the instruction tells whether the child pays or counts the change");
        expect(s.exerciseCount >= 1 && s.exerciseCount <= SeriesLength, "the exercise count stays within 1 to 20");
        expect(s.price >= 0 && s.price < s.purseTotal, "the price is at least 0 and below the purse");

        double coins = 0;
        bool noneGiven = true;
        for (int type = 0; type < CoinTypeCount; ++type) {
            coins += s.givenCount[type] * double(CoinValues[type]);
            noneGiven = noneGiven && s.givenCount[type] == 0;
        }
        expect(std::fabs(coins - s.givenTotal) < AmountTolerance, "the given total is the value of the coins given");
        if (paying) {
            for (int type = 0; type < CoinTypeCount; ++type) {
                int shown = 0;
                for (int place = 0; place < PlacesPerType; ++place) shown += !squares_[cellOf(type, place)]->isHidden();
                expect(shown == s.givenCount[type], "each coin given shows its take-back square");
            }
        }
        const QString label7 = givenTotal_->text();
        expect(label7 == QString::fromStdString(formatAmount(s.givenTotal, separator_)) ||
                   (label7.isEmpty() && noneGiven),
               "the given total is shown");

        if (s.exerciseCount != lastCount_) {
            expect(s.exerciseCount == lastCount_ + 1, "the exercise count advances by one");
            expect(pausedAt_ == lastCount_, "the exercise count advances only after a win and its pause");
            lastCount_ = s.exerciseCount;
        } else if (!exercise.pausing()) {
            expect(pausedAt_ != s.exerciseCount, "a pause ends with the next exercise");
        }
        if (exercise.pausing() && pausedAt_ != s.exerciseCount) {
            pausedAt_ = s.exerciseCount;
            ++report_.pauses;
            expect(feedback_->text() == words(Message::Bravo), "the pause starts on the praise");
        }
        const auto left = exercise.pauseLeft();
        expect(left >= std::chrono::milliseconds{0} && left <= SuccessPause, "the pause lasts at most its length");
        expect(!exercise.pausing() || left.count() > 0 || s.infoOpen,
               "a pause whose time is up ends unless the Info box holds it");
        expect(form().waitingForTime() == (exercise.pausing() && left.count() > 0),
               "the window waits for the time exactly while the pause's time runs");
        expect(form().waitingForTime() == exercise.timeWanted().has_value(),
               "the window waits for time exactly when the exercise wants it");
        if (s.finished) {
            expect(s.exerciseCount == SeriesLength, "the series ends after its 20th exercise");
            if (!finished_) ++report_.seriesFinished;
            finished_ = true;
        }
        if (finished_) expect(ok_->isHidden(), "OK stays hidden after the 20th exercise");
    }

    Options options_;
    Report report_;
    std::int64_t nextProgress_ = options_.progressEvery;
    std::mt19937_64 choices_;
    std::unique_ptr<test::WindowUnderTest> window_;
    char separator_ = ',';

    std::array<QWidget*, CellCount> pictures_{}, squares_{};
    QWidget *ok_ = nullptr, *info_ = nullptr;
    QLineEdit* answerInput_ = nullptr;
    QLabel *givenTotal_ = nullptr, *feedback_ = nullptr, *instruction_ = nullptr;

    bool windowGone_ = false;
    std::size_t drawsAtGone_ = 0;
    int countAtGone_ = 0;
    bool finished_ = false;
    int eventsAfterEnd_ = 0;
    int lastCount_ = 0;
    // The exercise count during the last pause seen.
    int pausedAt_ = -1;
};

}  // namespace

Report run(const Options& options) { return Robot(options).run(); }

}  // namespace piecettes::robot
