// Where every control of the window stands and how it looks when the window opens, in
// pixels at the design size, shared by the desktop window and the web page.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include <optional>

#include "catalogue.h"
#include "money.h"

namespace piecettes::layout {

// The window: a thin fixed frame around the client area.
constexpr int OuterWidth = 800;
constexpr int OuterHeight = 600;
constexpr int FrameWidth = 3;
constexpr int ClientWidth = OuterWidth - 2 * FrameWidth;
constexpr int ClientHeight = OuterHeight - 2 * FrameWidth;

// A colour: plain RGB (#RRGGBB), or one that each front end takes from its own
// surroundings: the desktop from the user's palette, the page its fixed choice.
struct Colour {
    enum class Kind { Rgb, ButtonFace, ButtonText, Transparent };
    Kind kind = Kind::Rgb;
    std::uint32_t rgb = 0;
    friend constexpr bool operator==(const Colour&, const Colour&) = default;
};
constexpr Colour rgb(std::uint32_t value) { return {Colour::Kind::Rgb, value}; }
constexpr Colour Teal = rgb(0x008080);
constexpr Colour BandColour = rgb(0x00C0C0);
constexpr Colour PaleCyan = rgb(0xC0FFFF);
constexpr Colour White = rgb(0xFFFFFF);
constexpr Colour Yellow = rgb(0xFFFF00);
constexpr Colour PaleYellow = rgb(0xFFFFC0);
constexpr Colour Olive = rgb(0x808000);
constexpr Colour Green = rgb(0x00FF00);
constexpr Colour AnswerText = rgb(0x004040);
constexpr Colour LightGrey = rgb(0xE0E0E0);
constexpr Colour ButtonText{Colour::Kind::ButtonText};
constexpr Colour ButtonFace{Colour::Kind::ButtonFace};
constexpr Colour Transparent{Colour::Kind::Transparent};
// The page's own button colours, the same in every browser and on every system.
constexpr Colour PageButtonFace = rgb(0xEFEFEF);
constexpr Colour PageButtonText = rgb(0x000000);

struct Font {
    const char* family;
    double points;
    bool italic = false;
};
constexpr Font WindowFont{"Comic Sans MS", 12};
constexpr Font Comic975{"Comic Sans MS", 9.75};
constexpr Font Comic1425{"Comic Sans MS", 14.25};
constexpr Font Comic1575{"Comic Sans MS", 15.75};
constexpr Font Comic18Italic{"Comic Sans MS", 18, true};
constexpr Font Comic2025{"Comic Sans MS", 20.25};
constexpr Font Comic24{"Comic Sans MS", 24};
constexpr Font Comic2775{"Comic Sans MS", 27.75};
constexpr Font Comic36{"Comic Sans MS", 36};
constexpr Font Arial18Italic{"Arial", 18, true};
constexpr Font MsSansSerif{"MS Sans Serif", 8.25};

struct Rect {
    int left, top, width, height;
};

enum class Align { Left, Centre };

// What a label is for: the lines the exercise writes, the euro signs of the two amounts,
// or Fixed for those that only show their caption.
enum class LabelRole { Fixed, Info, Hint, Price, PriceSign, GivenTotal, GivenSign, Feedback, Answer, Instruction, Score };

// Each control keeps its classic name as its objectName (the page: its id), so that
// accessibility tools and tests can find it; the code itself speaks of roles. Only the
// fixed labels have a caption of their own, a text of the catalogue: the exercise writes
// the others.
struct LabelRow {
    const char* name;
    LabelRole role;
    Rect rect;
    std::optional<Text> caption;
    Font font;
    Colour text;
    Colour background;
    Align align;
    bool border = false;
};

struct Box {
    const char* name;
    Rect rect;
};

constexpr const char* WindowName = "Form1";
// In stacking order from the bottom: the title band is made before the labels on it.
constexpr Box Band{"Shape1", {4, 4, 785, 37}};
constexpr Box Purse{"Frame1", {16, 60, 341, 473}};

// Where both amounts begin, when the sign comes after them.
constexpr int AmountLeft = 620;

// A table: one row per label, kept one line each.
// clang-format off
inline constexpr std::array Labels{
    LabelRow{"Label2", LabelRole::Fixed, {12, 8, 189, 29}, Text::PurseCaption, Comic1575, ButtonText, Transparent, Align::Left},
    LabelRow{"Label3", LabelRole::Info, {692, 8, 93, 29}, Text::InfoCaption, WindowFont, ButtonText, Transparent, Align::Centre},
    LabelRow{"Label13", LabelRole::Hint, {16, 544, 341, 25}, {}, WindowFont, White, Transparent, Align::Centre},
    LabelRow{"Label1(0)", LabelRole::Fixed, {384, 56, 233, 41}, Text::PriceCaption, Comic24, PaleCyan, Teal, Align::Left},
    LabelRow{"Label6", LabelRole::Price, {AmountLeft, 56, 97, 41}, {}, Comic24, White, Teal, Align::Left},
    LabelRow{"Label4", LabelRole::PriceSign, {724, 56, 41, 45}, {}, Comic24, PaleCyan, Transparent, Align::Left},
    LabelRow{"Label1(1)", LabelRole::Fixed, {384, 100, 177, 45}, Text::GivenCaption, Comic24, PaleCyan, Teal, Align::Left},
    LabelRow{"Label7", LabelRole::GivenTotal, {AmountLeft, 100, 101, 41}, {}, Comic24, Yellow, Teal, Align::Left},
    LabelRow{"Label11", LabelRole::GivenSign, {724, 100, 41, 45}, {}, Comic24, PaleCyan, Transparent, Align::Left},
    LabelRow{"Label8", LabelRole::Feedback, {388, 168, 373, 77}, {}, Comic2025, PaleYellow, Teal, Align::Left},
    LabelRow{"Label12", LabelRole::Answer, {596, 272, 169, 69}, {}, Comic36, AnswerText, LightGrey, Align::Centre, true},
    LabelRow{"Label5", LabelRole::Instruction, {368, 368, 413, 69}, {}, Comic1425, Yellow, Teal, Align::Centre},
    LabelRow{"Label9", LabelRole::Score, {368, 456, 417, 65}, {}, Comic18Italic, PaleYellow, Teal, Align::Centre},
};
// clang-format on

struct ButtonRow {
    const char* name;
    Rect rect;
    std::optional<Text> caption;
    Font font;
    Colour background;
};
constexpr ButtonRow OkButton{"Command1", {388, 272, 77, 69}, Text::Ok, Comic2775, Olive};
constexpr ButtonRow QuitButton{"Command3", {684, 536, 101, 29}, Text::Quit, Comic1425, BandColour};
// Holds the focus once the series is over; it lies just left of the client area.
constexpr ButtonRow FocusParkButton{"Command2", {-50, 336, 33, 25}, {}, MsSansSerif, ButtonFace};
// Its caption, never seen nor heard (it is read by its name): the same in every language.
constexpr const char* FocusParkCaption = "Command2";

// Where the euro sign comes first, it stands where the amount began, and the amount moves
// right by the sign's width and, where the format has one, a space: their advances in
// each face at the amounts' size (24 pt), rounded up.
struct SignAdvance {
    int sign;
    int space;
};
constexpr SignAdvance signAdvance(Face face) { return face == Face::Rounded ? SignAdvance{27, 10} : SignAdvance{22, 11}; }

// A label's place, for a language drawn in this face that writes money in this format:
// the table's own but for the amounts and their signs where the sign comes first.
constexpr Rect placeOf(const LabelRow& label, Face face, MoneyFormat money) {
    Rect at = label.rect;
    if (!money.signFirst) return at;
    const SignAdvance advance = signAdvance(face);
    switch (label.role) {
        case LabelRole::PriceSign:
        case LabelRole::GivenSign: at.left = AmountLeft; at.width = advance.sign; break;
        case LabelRole::Price:
        case LabelRole::GivenTotal: at.left += advance.sign + (money.space ? advance.space : 0); break;
        default: break;
    }
    return at;
}

// The answer box lies far right of the client area on the desktop: it takes the typed
// keys unseen. The page lays it under the answer's large box instead.
constexpr Box AnswerInput{"Text7", {14552, 304, 81, 41}};
constexpr Font AnswerInputFont = Arial18Italic;
constexpr int AnswerMaxTyped = 5;

// The coin grid inside the purse, each cell a coin picture and its take-back square,
// named with the cell number: a row per coin type, 1 cent at the top, five places a row.
constexpr std::array<int, 5> PictureLeft{8, 76, 144, 208, 272};
constexpr std::array<int, 8> PictureTop{16, 60, 112, 168, 224, 280, 344, 404};
constexpr std::array<int, 8> PictureSize{38, 44, 50, 47, 53, 57, 55, 60};
constexpr const char* CoinNameFormat = "Picture1(%1)";
constexpr const char* SquareNameFormat = "Label10(%1)";
// The first 20-cent coin stands a little higher than the others of its row.
constexpr int FirstTwentyCentTop = 220;
// A square stands over the top-left of its coin's place, a little in from the corner.
constexpr std::array<int, 5> SquareLeft{15, 83, 151, 215, 279};
constexpr std::array<int, 8> SquareTop{21, 69, 125, 177, 233, 297, 361, 421};
constexpr int SquareSize = 27;
constexpr Colour SquareFace = ButtonFace;

constexpr Rect pictureRect(int cell) {
    const int type = cell % 8;
    const int place = cell / 8;
    return {PictureLeft[place], cell == 4 ? FirstTwentyCentTop : PictureTop[type], PictureSize[type], PictureSize[type]};
}
constexpr Rect squareRect(int cell) { return {SquareLeft[cell / 8], SquareTop[cell % 8], SquareSize, SquareSize}; }

// The window's icon, square.
constexpr int IconSize = 32;

// The coin pictures of each type, as resource names without the extension.
constexpr std::array<const char*, 8> CoinImages{"coin-1c",  "coin-2c",  "coin-5c", "coin-10c",
                                                "coin-20c", "coin-50c", "coin-1e", "coin-2e"};

// The keyboard order after the answer box and the focus park: the first column of coins top to
// bottom, then each further column from the 2-euro coin up, then Quitter.
constexpr std::array<int, 40> PictureTabOrder = [] {
    std::array<int, 40> order{};
    int next = 0;
    for (int type = 0; type < 8; ++type) order[next++] = type;
    for (int place = 1; place < 5; ++place)
        for (int type = 7; type >= 0; --type) order[next++] = place * 8 + type;
    return order;
}();

}  // namespace piecettes::layout
