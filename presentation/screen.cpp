#include "screen.h"

namespace piecettes {

namespace {

std::string sentence(const std::string& words) {
    const char last = words.empty() ? '.' : words.back();
    return last == '.' || last == '!' || last == '?' ? words : words + ".";
}

std::string amount(const char* caption, const std::string& written) {
    return std::string(caption) + " " + written + " " + catalogue::EuroSign;
}

layout::Colour answerBack(AnswerMark mark) {
    switch (mark) {
        case AnswerMark::Right: return layout::Green;
        case AnswerMark::Plain: return layout::White;
        case AnswerMark::Unmarked: break;
    }
    return layout::LightGrey;
}

}  // namespace

Screen screenOf(const Exercise& exercise, Pointer pointer) {
    const ExerciseState& state = exercise.state();
    Screen screen;
    for (std::size_t row = 0; row < layout::Labels.size(); ++row) {
        const layout::LabelRow& label = layout::Labels[row];
        std::string& text = screen.labels[row];
        bool shown = true;
        switch (label.role) {
            case layout::LabelRole::Fixed:
            case layout::LabelRole::Info: text = label.caption; break;
            case layout::LabelRole::Hint:
                text = catalogue::text(state.hint, pointer);
                shown = state.hintShown;
                break;
            case layout::LabelRole::Price: text = state.started ? exercise.format(state.price) : ""; break;
            case layout::LabelRole::GivenTotal:
                text = state.givenTotalShown ? exercise.format(state.givenTotal) : "";
                break;
            case layout::LabelRole::Feedback:
                text = catalogue::text(state.feedback);
                shown = state.feedbackShown;
                break;
            case layout::LabelRole::Answer:
                text = state.answerUnknown ? catalogue::text(Message::Unknown) : state.answer;
                shown = state.answerShown;
                break;
            case layout::LabelRole::Instruction: text = catalogue::text(state.instruction); break;
            case layout::LabelRole::Score: text = catalogue::text(state.score, pointer, state.scoreCount); break;
        }
        screen.labelShown[row] = shown;
    }
    screen.cells = state.cells;
    screen.purse = state.pursesLaid;
    screen.okShown = state.okShown;
    screen.answerBack = answerBack(state.answerMark);
    screen.focusParkName = state.score == Message::None ? catalogue::FocusParkName
                                                        : catalogue::text(state.score, pointer, state.scoreCount);
    return screen;
}

std::string spoken(const Announcement& said) {
    switch (said.line) {
        case Announcement::Line::Price: return sentence(amount(catalogue::PriceCaption, said.text));
        case Announcement::Line::GivenTotal: return sentence(amount(catalogue::GivenCaption, said.text));
        case Announcement::Line::Feedback:
        case Announcement::Line::Score: return sentence(catalogue::text(said.message, Pointer::Mouse, said.number));
        case Announcement::Line::Answer:
            return sentence(std::string(catalogue::AnswerName) + " : " +
                            (said.message == Message::Unknown ? catalogue::text(Message::Unknown) : said.text));
    }
    return {};
}

std::string coinName(int cell) { return catalogue::CoinNames[static_cast<std::size_t>(cellType(cell))]; }

std::string squareName(int cell) { return std::string(catalogue::TakeBack) + " " + coinName(cell); }

}  // namespace piecettes
