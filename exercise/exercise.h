// The rules of an exercise and of a series of exercises.
//
// Exercise owns the coin table and the record of the running exercise, and acts on
// the window only through Controls. The window calls the handlers below for its
// events; each handler changes the controls in a fixed order, which is behaviour.
// Everything runs on the window's one thread, and every call returns at once. The
// success pause is a phase with a deadline: the window runs one single-shot timer and
// reports the time that has passed (timePassed), and the pause ends once its time is up
// and the Info box is closed. Meanwhile every input acts on the exercise just won.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "amount.h"
#include "controls.h"
#include "random.h"

namespace piecettes {

constexpr int SeriesLength = 20;
constexpr std::chrono::milliseconds SuccessPause{3000};

// Which half of the exercise runs, kept as text in the window's tag.
enum class Phase { Paying, Change };
constexpr const char* PayingTag = "0";
constexpr const char* ChangeTag = "1";

// Mouse buttons as the coin pictures report them.
constexpr int LeftButton = 1;
constexpr int RightButton = 2;
constexpr int MiddleButton = 4;

constexpr int EnterKey = 13;

struct ExerciseState {
    // Whole numbers 0 to 5 held as floats, per coin type.
    std::array<float, SlotCount> purseCount{};
    std::array<std::int16_t, SlotCount> givenCount{};
    Amount purseTotal = 0;
    Amount givenTotal = 0;
    Amount price = 0;
    // 1 during the first exercise of a series.
    std::int16_t exerciseCount = 0;
};

namespace text {
inline constexpr const char* PayInstruction = "Clique sur les pièces que tu donnes puis sur OK quand tu en as assez.";
inline constexpr const char* ChangeInstruction = "Clique sur les pièces qu'on te rend puis sur OK quand c'est correct.";
inline constexpr const char* TakeBackHint = "Clic sur le carré pour reprendre la pièce.";
inline constexpr const char* RightClickHint = "Clic droit pour reprendre une pièce";
// RightClickHint as a finger does it, shown in its place to a child who plays by touch.
inline constexpr const char* FingerHint = "Laisse ton doigt sur une pièce pour la reprendre";
inline constexpr const char* More = "Encore !";
inline constexpr const char* TooManyCoinsMessage = "Tu donnes trop de pièces. Tu peux en reprendre.";
inline constexpr const char* AskChange = "Bien ! Combien doit-on te rendre ?";
inline constexpr const char* Wrong = "Non ! Recommence !";
inline constexpr const char* Bravo = "Bravo !";
inline constexpr const char* SeriesDone = "Tu as réussi tes 20 exercices. Tu peux arrêter.";
inline constexpr const char* Unknown = "?";
std::string score(int exercisesWon);
}  // namespace text

class Exercise {
public:
    // The controls and the random source must outlive the exercise. decimalSeparator
    // is ',' or '.', the one amounts are shown with.
    Exercise(Controls& controls, RandomSource& random, char decimalSeparator);

    // The window became active: the first call starts the series, later ones do nothing.
    void windowActivated();
    // Draws a purse and a price below its value and opens the paying half.
    void newExercise();

    // A mouse button (LeftButton, RightButton, MiddleButton) was pressed on the coin of a cell.
    void coinPressed(int cell, int button);
    // The take-back square of a cell was clicked.
    void squareClicked(int cell);
    // OK was clicked or pressed from the keyboard.
    void okPressed();
    // The typed answer changed by typing; the rules report their own changes.
    void answerChanged();
    // A character is about to enter the typed answer. The handler may replace key, or set it to 0
    // so that nothing is inserted. Enter arrives as EnterKey.
    void answerKey(int& key);

    // Praise and score line, then the pause, or the end of the series. Returns true when
    // it started the pause: the caller's own remaining steps then run once the next
    // exercise has started. During the pause it only repeats the praise.
    bool exerciseWon();
    void tooManyCoins();
    void askForChange();
    void showChangeCoins();

    // Time has passed: the pause ends once its time is up and the Info box is closed.
    void timePassed(std::chrono::milliseconds elapsed);
    // The Info box was opened, or closed: while it is open the pause does not end.
    void infoOpened();
    void infoClosed();

    const ExerciseState& state() const { return state_; }
    // The coin table; every slot reads 0 until the series starts.
    Amount coinValue(int type) const;
    bool seriesStarted() const { return started_; }
    bool seriesFinished() const { return finished_; }
    bool pausing() const { return pause_.has_value(); }
    // The time left before the pause may end: zero once it is up, or when there is no pause.
    std::chrono::milliseconds pauseLeft() const;
    bool infoOpen() const { return infoOpen_; }

private:
    // The steps that follow a call which can win, as the call that started the pause
    // leaves them until the next exercise has started.
    enum class Rest {
        Nothing,
        ChangeCoinCounted,   // a change coin: repaint, focus and caret
        WrongAnswerCleared,  // Enter on a wrong answer: "?" and the focus
        ChangeAsked,         // the change question: its answer box, the phase and the focus
    };
    struct Pause {
        std::chrono::milliseconds left;
        Rest rest = Rest::Nothing;
    };

    // Sets the answer text and judges it; true when that started the pause.
    bool setAnswerText(const std::string& text);
    bool judgeAnswer();
    // Runs the rest of a call now, or keeps it for the end of the pause that call started.
    void then(bool startedPause, Rest rest);
    void finish(Rest rest);
    void endPause();
    bool answerIsRight() const;
    std::string format(double amount) const;
    void drawPurse();
    void drawPrice();

    Controls& controls_;
    RandomSource& random_;
    char decimalSeparator_;
    std::array<Amount, SlotCount> coinValue_{};
    ExerciseState state_;
    bool started_ = false;
    bool finished_ = false;
    std::optional<Pause> pause_;
    bool infoOpen_ = false;
};

}  // namespace piecettes
