// The program's only window, ExerciseWindow, with its 99 controls and its two commands.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <chrono>
#include <memory>

#include "controls.h"
#include "exercise.h"
#include "layout.h"
#include "pointer_watch.h"

class QFrame;
class QLabel;
class QMessageBox;
class QPushButton;

namespace piecettes {

class Announcer;
class AnswerBox;
class ClickLabel;
class CoinPicture;
class HeldKeyFilter;
class TakeBackSquare;

struct WindowOptions {
    // Time passes only as the caller says, through timePassed(): tests inject it rather
    // than wait for the success pause. The window then runs no timer of its own.
    bool testClock = false;
    // A random source of the caller's, which must outlive the window.
    RandomSource* random = nullptr;
    // ',' or '.'; by default the one of the user's locale.
    char decimalSeparator = 0;
};

class ExerciseWindow final : public QWidget, private Controls {
    Q_OBJECT
public:
    using Options = WindowOptions;
    explicit ExerciseWindow(Options options = {}, QWidget* parent = nullptr);
    ~ExerciseWindow() override;
    using QWidget::setFocus;
    using QWidget::setVisible;

    // Shows the window centred on its screen and makes it the active window, which
    // starts the series.
    void showCentred();

    const Exercise& exercise() const { return *exercise_; }
    // Tells the rules how much time has passed; the pause's timer calls it once the
    // pause's time is up, and tests with testClock call it themselves.
    void timePassed(std::chrono::milliseconds elapsed);
    // True while the window waits for the pause's time: its timer runs, or, with
    // testClock, would run. Never once the window is closed.
    bool waitingForTime() const { return waiting_; }
    // The window's tag, where the exercise keeps its phase.
    const std::string& tagText() const { return tag_; }
    // The credit line of the Info box.
    static QString credits();

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
    // Runs an input through the rules, then waits for the time of a pause it started.
    template <typename Input>
    void play(Input input);
    void waitForPause();
    void coinActivated(int cell, int button);
    void squareActivated(int cell);
    void showInPurse(QWidget* cell, bool visible);
    QWidget* widgetFor(Control control) const;
    ClickLabel* label(layout::LabelRole role) const;
    QLabel* labelFor(Control control) const;

    // Controls
    void setCaption(Control control, const std::string& text) override;
    void setVisible(Control control, bool visible) override;
    void setBackColour(Control control, Colour colour) override;
    void repaintNow(Control control) override;
    void setCoinVisible(int cell, bool visible) override;
    void setSquareVisible(int cell, bool visible) override;
    void setSquareBackColour(int cell, Colour colour) override;
    Position squarePosition(int cell) const override;
    void moveSquare(int cell, Position position) override;
    std::string answerText() const override;
    void setAnswerText(const std::string& text) override;
    void setAnswerCaret(int position) override;
    void setFocus(Control control) override;
    std::string tag() const override { return tag_; }
    void setTag(const std::string& tag) override { tag_ = tag; }

    Options options_;
    // The installed font families, read once for the window's 19 fonts.
    QStringList families_;
    std::unique_ptr<RandomSource> ownRandom_;
    std::unique_ptr<Exercise> exercise_;
    std::string tag_;
    // The pause's single-shot timer, and the time since it was started.
    QTimer pauseTimer_;
    QElapsedTimer sinceTimerStarted_;
    bool waiting_ = false;
    QPointer<QMessageBox> info_;
    // Set while a key typed into the answer box is handled.
    bool typing_ = false;

    // Owned by their Qt parents.
    QWidget* client_ = nullptr;
    QFrame* purse_ = nullptr;
    std::array<CoinPicture*, CellCount> pictures_{};
    std::array<TakeBackSquare*, CellCount> squares_{};
    // The squares' positions in twips, which are not whole pixels once shifted.
    std::array<Position, CellCount> squareTwips_{};
    // The labels by role; the fixed ones share the first slot, which is never read.
    std::array<ClickLabel*, layout::LabelRoleCount> labels_{};
    QPushButton *ok_{}, *focusPark_{}, *quitter_{};
    AnswerBox* answerInput_{};
    Announcer* announcer_{};
    HeldKeyFilter* heldKeys_{};
    // The hint line as the rules wrote it, shown for the pointer used last.
    std::string hint_;
    PointerWatch* pointerWatch_{};
};

}  // namespace piecettes
