// Where every control of the window stands and how it looks when the window opens.
// Positions and sizes are in twips, 15 to a pixel, as the window is designed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "controls.h"

namespace piecettes::layout {

constexpr int TwipsPerPixel = 15;
constexpr int toPixels(double twips) { return static_cast<int>(twips / TwipsPerPixel + (twips < 0 ? -0.5 : 0.5)); }

// The window: a thin fixed frame around the client area.
constexpr int OuterWidth = 800;
constexpr int OuterHeight = 600;
constexpr int FrameWidth = 3;
constexpr int ClientWidth = OuterWidth - 2 * FrameWidth;
constexpr int ClientHeight = OuterHeight - 2 * FrameWidth;

// RGB colours as #RRGGBB.
using Rgb = std::uint32_t;
constexpr Rgb Teal = 0x008080;
constexpr Rgb BandColour = 0x00C0C0;
constexpr Rgb PaleCyan = 0xC0FFFF;
constexpr Rgb White = 0xFFFFFF;
constexpr Rgb Yellow = 0xFFFF00;
constexpr Rgb PaleYellow = 0xFFFFC0;
constexpr Rgb Olive = 0x808000;
constexpr Rgb AnswerText = 0x004040;
constexpr Rgb LightGrey = 0xE0E0E0;
// The system's button colours instead of a fixed one.
constexpr Rgb ButtonText = 0xFF000001;
constexpr Rgb ButtonFace = 0xFF000003;
constexpr Rgb Transparent = 0xFF000004;

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

// What a label is for: the window keeps the ones it writes to, the fixed ones only show.
enum class LabelRole { Fixed, Info, Hint, Price, GivenTotal, Feedback, Answer, Instruction, Score };
constexpr std::size_t LabelRoleCount = static_cast<std::size_t>(LabelRole::Score) + 1;

// The label that shows a line the rules write, or Fixed for a control that is no label.
constexpr LabelRole labelRoleOf(Control control) {
    switch (control) {
        case Control::Instruction: return LabelRole::Instruction;
        case Control::Price: return LabelRole::Price;
        case Control::GivenTotal: return LabelRole::GivenTotal;
        case Control::Feedback: return LabelRole::Feedback;
        case Control::Score: return LabelRole::Score;
        case Control::Answer: return LabelRole::Answer;
        case Control::Hint: return LabelRole::Hint;
        default: return LabelRole::Fixed;
    }
}

// Each control keeps its classic name as its objectName, so that accessibility tools
// and tests can find it; the code itself speaks of roles.
struct LabelSpec {
    const char* name;
    LabelRole role;
    Rect twips;
    const char* caption;
    Font font;
    Rgb text;
    Rgb background;
    Align align;
    bool border = false;
    bool visible = true;
};

struct BoxSpec {
    const char* name;
    Rect twips;
};

constexpr const char* WindowName = "Form1";
// In stacking order from the bottom: the title band is made before the labels on it.
constexpr BoxSpec Band{"Shape1", {60, 60, 11775, 555}};
constexpr BoxSpec Purse{"Frame1", {240, 900, 5115, 7095}};

// Captions that a screen reader also speaks elsewhere: the purse's own, and those of the
// amounts, said with the amounts they stand before.
constexpr const char* PurseCaption = "Le porte-monnaie";
constexpr const char* PriceCaption = "Tu dois payer :";
constexpr const char* GivenCaption = "Tu donnes :";
constexpr const char* EuroSign = "€";

// A table: one row per label, kept one line each.
// clang-format off
inline constexpr std::array Labels{
    LabelSpec{"Label2", LabelRole::Fixed, {180, 120, 2835, 435}, PurseCaption, Comic1575, ButtonText, Transparent, Align::Left},
    LabelSpec{"Label3", LabelRole::Info, {10380, 120, 1395, 435}, "Info", WindowFont, ButtonText, Transparent, Align::Centre},
    LabelSpec{"Label13", LabelRole::Hint, {240, 8160, 5115, 375}, "Clic sur le carré pour reprendre la pièce.", WindowFont, White,
              Transparent, Align::Centre, false, false},
    LabelSpec{"Label1(0)", LabelRole::Fixed, {5760, 840, 3495, 615}, PriceCaption, Comic24, PaleCyan, Teal, Align::Left},
    LabelSpec{"Label6", LabelRole::Price, {9300, 840, 1455, 615}, "", Comic24, White, Teal, Align::Left},
    LabelSpec{"Label4", LabelRole::Fixed, {10860, 840, 615, 675}, EuroSign, Comic24, PaleCyan, Transparent, Align::Left},
    LabelSpec{"Label1(1)", LabelRole::Fixed, {5760, 1500, 2655, 675}, GivenCaption, Comic24, PaleCyan, Teal, Align::Left},
    LabelSpec{"Label7", LabelRole::GivenTotal, {9300, 1500, 1515, 615}, "", Comic24, Yellow, Teal, Align::Left},
    LabelSpec{"Label11", LabelRole::Fixed, {10860, 1500, 615, 675}, EuroSign, Comic24, PaleCyan, Transparent, Align::Left},
    LabelSpec{"Label8", LabelRole::Feedback, {5820, 2520, 5595, 1155}, "", Comic2025, PaleYellow, Teal, Align::Left},
    LabelSpec{"Label12", LabelRole::Answer, {8940, 4080, 2535, 1035}, "?", Comic36, AnswerText, LightGrey, Align::Centre, true, false},
    LabelSpec{"Label5", LabelRole::Instruction, {5520, 5520, 6195, 1035}, "", Comic1425, Yellow, Teal, Align::Centre},
    LabelSpec{"Label9", LabelRole::Score, {5520, 6840, 6255, 975}, "", Comic18Italic, PaleYellow, Teal, Align::Centre},
};
// clang-format on

struct ButtonSpec {
    const char* name;
    Rect twips;
    const char* caption;
    Font font;
    Rgb background;
};
constexpr ButtonSpec OkButton{"Command1", {5820, 4080, 1155, 1035}, "OK", Comic2775, Olive};
constexpr ButtonSpec QuitButton{"Command3", {10260, 8040, 1515, 435}, "Quitter", Comic1425, BandColour};
// Holds the focus once the series is over; it lies just left of the client area.
constexpr ButtonSpec FocusParkButton{"Command2", {-750, 5040, 495, 375}, "Command2", MsSansSerif, ButtonFace};

// The answer box lies far right of the client area: it takes the typed keys unseen.
constexpr BoxSpec AnswerInput{"Text7", {218280, 4560, 1215, 615}};
// What a screen reader calls the answer, in the box and in the large label that shows it.
constexpr const char* AnswerName = "Ta réponse";
constexpr int AnswerMaxTyped = 5;
// What a screen reader calls the unseen focus park while the score line is still empty.
constexpr const char* FocusParkName = "Tes bonnes réponses";
// The title of the Info box.
constexpr const char* InfoTitle = "INFO";

// The coin grid inside the purse, each cell a coin picture and its take-back square,
// named with the cell number: a row per coin type, 1 cent at the top, five places a row.
constexpr std::array<int, 5> PictureLeft{120, 1140, 2160, 3120, 4080};
constexpr std::array<int, 8> PictureTop{240, 900, 1680, 2520, 3360, 4200, 5160, 6060};
constexpr std::array<int, 8> PictureSize{570, 660, 750, 705, 795, 855, 825, 900};
constexpr const char* CoinNameFormat = "Picture1(%1)";
constexpr const char* SquareNameFormat = "Label10(%1)";
// The first 20-cent coin stands a little higher than the others of its row.
constexpr int FirstTwentyCentTop = 3300;
constexpr std::array<int, 8> SquareTop{240, 960, 1800, 2580, 3420, 4380, 5340, 6240};
constexpr int SquareSize = 400;

constexpr Rect pictureRect(int cell) {
    const int type = cell % 8;
    const int place = cell / 8;
    return {PictureLeft[place], cell == 4 ? FirstTwentyCentTop : PictureTop[type], PictureSize[type], PictureSize[type]};
}
constexpr Rect squareRect(int cell) { return {PictureLeft[cell / 8], SquareTop[cell % 8], SquareSize, SquareSize}; }

// The window's icon, square.
constexpr int IconSize = 32;

// The coin pictures of each type, as resource names without the extension, and the
// names a screen reader gives them.
constexpr std::array<const char*, 8> CoinImages{"coin-1c",  "coin-2c",  "coin-5c", "coin-10c",
                                                "coin-20c", "coin-50c", "coin-1e", "coin-2e"};
constexpr std::array<const char*, 8> CoinNames{"1 centime",   "2 centimes",  "5 centimes", "10 centimes",
                                               "20 centimes", "50 centimes", "1 euro",     "2 euros"};

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
