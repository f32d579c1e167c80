// The rules of an exercise and of a series of exercises, and everything they decide.
//
// Exercise is a value: the purse, the price, the lines the child reads, the answer, the
// score, the Info box and the success pause are all in it, and so is the random source,
// so that a copy of an exercise plays on as the same game. The front ends draw it and
// pass the child's inputs on as the calls below; each call returns at once with what it
// did. The success pause is a phase with its own time: a front end reports the time that
// has passed (timePassed), and the pause ends once its time is up and the Info box is
// closed. Meanwhile every input acts on the exercise just won.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "amount.h"
#include "random.h"

namespace piecettes {

constexpr int SeriesLength = 20;
constexpr std::chrono::milliseconds SuccessPause{3000};

// Which half of the exercise runs: paying the price, or the change question.
enum class Phase { Paying, Change };

// A cell of the purse: empty, showing its coin, or showing the square that stands for
// the coin once it is handed over.
enum class Cell { Absent, Shown, HandedOver };

// The mouse buttons a coin knows. A finger held on a coin counts as the right button.
enum class Button { Left, Right, Middle };

// How an input came: a pointer (mouse or finger) clicks where it points, while a key or an
// assistive tool acts on the control with the keyboard focus, which then follows the coin.
enum class Via { Pointer, Key };

// Every line the rules write, by its meaning; the catalogue gives its words.
enum class Message {
    None,
    PayInstruction,
    ChangeInstruction,
    TakeBackHint,  // how to take back a coin handed over
    TakeAwayHint,  // how to take a coin away from the change answer
    More,
    TooManyCoins,
    AskChange,
    Wrong,
    Bravo,
    Score,       // the count of right answers, with Exercise::state().scoreCount
    SeriesDone,
    Unknown,     // the answer's large box after a wrong answer
};

// The colour of the answer's large box: none chosen yet, right, or plain again after a pause.
enum class AnswerMark { Unmarked, Right, Plain };

// Where the keyboard focus goes. Window leaves it on the control of the window that held
// it last, or gives it to the answer box when that control is gone.
struct Focus {
    enum class Target { Window, Answer, Ok, FocusPark, Coin, Square };
    Target target = Target::Window;
    int cell = -1;  // for Coin and Square
    friend bool operator==(const Focus&, const Focus&) = default;
};

// A line that a screen reader announces as the rules write it.
struct Announcement {
    enum class Line { Price, GivenTotal, Feedback, Score, Answer };
    Line line;
    Message message = Message::None;  // Feedback and Score; Answer when it reads Unknown
    std::string text;                  // amounts as written, the answer's text
    int number = 0;                    // the count of a Score
    friend bool operator==(const Announcement&, const Announcement&) = default;
};

// What an input did, beyond the new state.
struct Outcome {
    // The lines a screen reader announces, in the order written, repeats included.
    std::vector<Announcement> said;
    // Where the keyboard focus goes, when it moves.
    std::optional<Focus> focus;
    // typeKey only: the character that enters the answer in place of the key typed, or 0.
    char32_t insert = 0;
};

// Everything the child sees, as the rules left it.
struct ExerciseState {
    Phase phase = Phase::Paying;
    bool started = false;   // the series has begun
    bool finished = false;  // the 20th exercise is won
    std::array<Cell, CellCount> cells{};
    // Counts the purses laid out: each new one replaces every cell of the last, so that a
    // coin that held the keyboard focus is gone even where a coin shows again in its place.
    int pursesLaid = 0;
    // Whole numbers 0 to 5 held as floats, per coin type.
    std::array<float, SlotCount> purseCount{};
    std::array<std::int16_t, SlotCount> givenCount{};
    Amount purseTotal = 0;
    Amount givenTotal = 0;
    bool givenTotalShown = false;  // empty until the first coin of an exercise is handed over
    Amount price = 0;
    // 1 during the first exercise of a series.
    std::int16_t exerciseCount = 0;

    Message instruction = Message::None;
    Message hint = Message::TakeBackHint;
    bool hintShown = false;
    Message feedback = Message::None;
    bool feedbackShown = true;
    Message score = Message::None;  // None, Score or SeriesDone
    int scoreCount = 0;
    bool okShown = true;

    // The change answer as typed or written by the rules, and its large box.
    std::string answer;
    // Where the rules put the caret, counted in characters.
    int caret = 0;
    // Counts the rules' writes of the answer and its caret: a front end shows them when it moves.
    int answerWrites = 0;
    bool answerShown = false;
    bool answerUnknown = true;  // the large box reads "?" rather than the answer
    AnswerMark answerMark = AnswerMark::Unmarked;

    bool infoOpen = false;
};

class Exercise {
public:
    // decimalSeparator is ',' or '.', the one amounts are written with.
    Exercise(Draws draws, char decimalSeparator);

    // Starts the series: draws the first exercise. Later calls do nothing.
    Outcome start();

    // A coin of the purse was pressed. Paying, any button hands it over; in the change
    // question the left button adds its value to the answer and the others take it away.
    Outcome pressCoin(int cell, Button button, Via via = Via::Pointer);
    // The square of a coin handed over was pressed: the coin goes back into the purse.
    Outcome takeBack(int cell, Via via = Via::Pointer);
    // OK was pressed.
    Outcome pressOk();
    // A key is about to type into the answer: Outcome::insert says what enters it. Enter
    // ('\r') judges the answer and enters nothing.
    Outcome typeKey(char32_t key);
    // The child's typing changed the answer to this text.
    Outcome editAnswer(const std::string& text);
    // The Info box was opened, or closed: while it is open the pause does not end.
    Outcome openInfo();
    Outcome closeInfo();
    // Time has passed: the pause ends once its time is up and the Info box is closed.
    Outcome timePassed(std::chrono::milliseconds elapsed);

    const ExerciseState& state() const { return state_; }
    // The random source, as far as the exercise has drawn from it.
    const Draws& draws() const { return draws_; }
    // An amount as the exercise writes it, with its decimal separator.
    std::string format(double amount) const;
    bool pausing() const { return pause_.has_value(); }
    // The time left before the pause may end: zero once it is up, or when there is no pause.
    std::chrono::milliseconds pauseLeft() const;
    // How long a front end waits before it next reports time: while the pause's time runs.
    std::optional<std::chrono::milliseconds> timeWanted() const;

private:
    // The steps that follow a call which can win, as the call that started the pause
    // leaves them until the next exercise has started.
    enum class Rest {
        Nothing,
        ChangeCoinCounted,   // a change coin: the focus and caret in the answer
        WrongAnswerCleared,  // Enter on a wrong answer: "?" and the focus
        ChangeAsked,         // the change question: its answer box, the phase and the focus
    };
    struct Pause {
        std::chrono::milliseconds left;
        Rest rest = Rest::Nothing;
    };

    void newExercise(Outcome& out);
    void drawPurse();
    void drawPrice();
    void handOver(int cell, Outcome& out);
    void countChangeCoin(int cell, Button button, Outcome& out);
    bool exerciseWon(Outcome& out);
    void askForChange(Outcome& out);
    void enterAnswer(Outcome& out, bool typed);
    // Writes the answer and judges it; true when that started the pause.
    bool writeAnswer(const std::string& text, Outcome& out, bool typed);
    bool judgeAnswer(Outcome& out, bool typed);
    bool answerIsRight() const;
    // Runs the rest of a call now, or keeps it for the end of the pause that call started.
    void then(bool startedPause, Rest rest, Outcome& out);
    void finish(Rest rest, Outcome& out);
    void endPause(Outcome& out);
    void setFeedback(Message message, Outcome& out);
    void setScore(Message message, Outcome& out);
    void setGivenTotal(Outcome& out);
    void focus(Focus::Target target, Outcome& out, int cell = -1);

    Draws draws_;
    char decimalSeparator_;
    ExerciseState state_;
    std::optional<Pause> pause_;
};

}  // namespace piecettes
