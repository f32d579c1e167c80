// The program's only window, ExerciseWindow, with its 99 controls and its two commands.
// It draws the exercise and passes the child's inputs on to it, nothing more.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <chrono>
#include <optional>

#include "exercise.h"
#include "language.h"
#include "layout.h"
#include "screen.h"

class QFrame;
class QMessageBox;
class QPushButton;

namespace piecettes {

class Announcer;
class AnswerBox;
class ClickLabel;
class CoinPicture;
class HeldKeyFilter;
class PointerWatch;
class TakeBackSquare;

struct WindowOptions {
    // Time passes only as the caller says, through timePassed(): tests inject it rather
    // than wait for the success pause. The window then runs no timer of its own.
    bool testClock = false;
    // The purses and prices drawn; by default from the clock.
    std::optional<Draws> draws;
    // ',' or '.'; by default the one of the user's locale.
    char decimalSeparator = 0;
    // The words and money format; by default chosen from the environment as gettext
    // chooses a language, and from the user's numeric locale.
    std::optional<Language> language;
};

class ExerciseWindow final : public QWidget {
    Q_OBJECT
public:
    using Options = WindowOptions;
    explicit ExerciseWindow(Options options = {}, QWidget* parent = nullptr);
    ~ExerciseWindow() override;

    // Shows the window centred on its screen and makes it the active window, which
    // starts the series.
    void showCentred();

    const Exercise& exercise() const { return exercise_; }
    const Language& language() const { return language_; }
    // Tells the exercise how much time has passed; the pause's timer calls it once the
    // pause's time is up, and tests with testClock call it themselves.
    void timePassed(std::chrono::milliseconds elapsed);
    // True while the window waits for the pause's time: its timer runs, or, with
    // testClock, would run. Never once the window is closed.
    bool waitingForTime() const { return waiting_; }
    // The credit line of the Info box.
    QString credits() const;

signals:
    // The window was closed or the program is quitting.
    void gone();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void buildControls();
    void buildPurse();
    void buildTabOrder();
    void showInfo();
    void infoClosed();
    void quit();
    void stopTime();
    // Draws what an input changed, then moves the focus, speaks and waits as it says.
    void apply(const Outcome& outcome);
    // Draws the exercise's screen where it differs from the one drawn last.
    void draw();
    void settle(const Outcome& outcome);
    void moveFocus(const Focus& focus);
    void waitForPause();
    void showInPurse(QWidget* cell, bool visible);
    ClickLabel* label(layout::LabelRole role) const;

    Options options_;
    Language language_;
    // The installed font families, read once for the window's 19 fonts.
    QStringList families_;
    Exercise exercise_;
    Pointer pointer_ = Pointer::Mouse;
    // What the window shows now, and the answer's writes it has shown.
    std::optional<Screen> drawn_;
    int answerWrites_ = 0;
    // The pause's single-shot timer, and the time since it was started.
    QTimer pauseTimer_;
    QElapsedTimer sinceTimerStarted_;
    bool waiting_ = false;
    QPointer<QMessageBox> info_;

    // Owned by their Qt parents.
    QWidget* client_ = nullptr;
    QFrame* purse_ = nullptr;
    std::array<CoinPicture*, CellCount> pictures_{};
    std::array<TakeBackSquare*, CellCount> squares_{};
    // The labels in the order of the layout table.
    std::array<ClickLabel*, layout::Labels.size()> labels_{};
    QPushButton *ok_{}, *focusPark_{}, *quitter_{};
    AnswerBox* answerInput_{};
    Announcer* announcer_{};
    HeldKeyFilter* heldKeys_{};
    PointerWatch* pointerWatch_{};
};

}  // namespace piecettes
