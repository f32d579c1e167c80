#include "screen.h"

#include "version.h"

namespace piecettes {

namespace {

std::string sentence(const std::string& words) {
    const char last = words.empty() ? '.' : words.back();
    return last == '.' || last == '!' || last == '?' ? words : words + ".";
}

layout::Colour answerBack(AnswerMark mark) {
    switch (mark) {
        case AnswerMark::Right: return layout::Green;
        case AnswerMark::Plain: return layout::White;
        case AnswerMark::Unmarked: break;
    }
    return layout::LightGrey;
}

// The answer's large box after a wrong answer: the same in every language.
constexpr const char* UnknownAnswer = "?";

}  // namespace

std::string messageText(Message message, const Catalogue& catalogue, Pointer pointer, int count) {
    switch (message) {
        case Message::None: return {};
        case Message::PayInstruction: return catalogue.text(Text::PayInstruction);
        case Message::ChangeInstruction: return catalogue.text(Text::ChangeInstruction);
        case Message::TakeBackHint: return catalogue.text(Text::TakeBackHint);
        case Message::TakeAwayHint:
            return catalogue.text(pointer == Pointer::Finger ? Text::TakeAwayHintFinger : Text::TakeAwayHintMouse);
        case Message::More: return catalogue.text(Text::More);
        case Message::TooManyCoins: return catalogue.text(Text::TooManyCoins);
        case Message::AskChange: return catalogue.text(Text::AskChange);
        case Message::Wrong: return catalogue.text(Text::Wrong);
        case Message::Bravo: return catalogue.text(Text::Bravo);
        case Message::Score: return catalogue.counted(Counted::Score, count);
        case Message::SeriesDone: return catalogue.text(Text::SeriesDone);
        case Message::Unknown: return UnknownAnswer;
    }
    return {};
}

Screen screenOf(const Exercise& exercise, Pointer pointer, const Language& language) {
    const ExerciseState& state = exercise.state();
    const Catalogue& words = language.catalogue;
    Screen screen;
    for (std::size_t row = 0; row < layout::Labels.size(); ++row) {
        const layout::LabelRow& label = layout::Labels[row];
        std::string& text = screen.labels[row];
        bool shown = true;
        switch (label.role) {
            case layout::LabelRole::Fixed:
            case layout::LabelRole::Info: text = label.caption ? words.text(*label.caption) : ""; break;
            case layout::LabelRole::PriceSign:
            case layout::LabelRole::GivenSign: text = EuroSign; break;
            case layout::LabelRole::Hint:
                text = messageText(state.hint, words, pointer);
                shown = state.hintShown;
                break;
            case layout::LabelRole::Price: text = state.started ? exercise.format(state.price) : ""; break;
            case layout::LabelRole::GivenTotal:
                text = state.givenTotalShown ? exercise.format(state.givenTotal) : "";
                break;
            case layout::LabelRole::Feedback:
                text = messageText(state.feedback, words);
                shown = state.feedbackShown;
                break;
            case layout::LabelRole::Answer:
                text = state.answerUnknown ? UnknownAnswer : state.answer;
                shown = state.answerShown;
                break;
            case layout::LabelRole::Instruction: text = messageText(state.instruction, words); break;
            case layout::LabelRole::Score: text = messageText(state.score, words, pointer, state.scoreCount); break;
        }
        screen.labelShown[row] = shown;
    }
    screen.cells = state.cells;
    screen.purse = state.pursesLaid;
    screen.okShown = state.okShown;
    screen.answerBack = answerBack(state.answerMark);
    screen.focusParkName = state.score == Message::None ? words.text(Text::FocusParkName)
                                                        : messageText(state.score, words, pointer, state.scoreCount);
    return screen;
}

std::string spoken(const Announcement& said, const Language& language) {
    const Catalogue& words = language.catalogue;
    const auto amount = [&](Text caption) {
        return sentence(words.text(caption) + " " + withSign(said.text, language.money));
    };
    switch (said.line) {
        case Announcement::Line::Price: return amount(Text::PriceCaption);
        case Announcement::Line::GivenTotal: return amount(Text::GivenCaption);
        case Announcement::Line::Feedback:
        case Announcement::Line::Score: return sentence(messageText(said.message, words, Pointer::Mouse, said.number));
        case Announcement::Line::Answer:
            return sentence(withPlaceholder(words.text(Text::AnswerSaid), "answer",
                                            said.message == Message::Unknown ? UnknownAnswer : said.text));
    }
    return {};
}

std::string coinName(int cell, const Catalogue& catalogue) {
    const int cents = static_cast<int>(CoinValues[static_cast<std::size_t>(cellType(cell))] * 100 + 0.5f);
    return cents < 100 ? catalogue.counted(Counted::Cents, cents) : catalogue.counted(Counted::Euros, cents / 100);
}

std::string squareName(int cell, const Catalogue& catalogue) {
    const int cents = static_cast<int>(CoinValues[static_cast<std::size_t>(cellType(cell))] * 100 + 0.5f);
    return cents < 100 ? catalogue.counted(Counted::TakeBackCents, cents)
                       : catalogue.counted(Counted::TakeBackEuros, cents / 100);
}

std::string credits(const Catalogue& catalogue) {
    std::string line = withPlaceholder(catalogue.text(Text::Credits), "version", PIECETTES_VERSION);
    line = withPlaceholder(line, "month", catalogue.month(PIECETTES_RELEASE_MONTH));
    return withPlaceholder(line, "year", std::to_string(PIECETTES_RELEASE_YEAR));
}

}  // namespace piecettes
