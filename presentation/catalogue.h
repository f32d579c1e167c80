// Every text the child sees or hears, in French. A translation would be one more
// catalogue with the same keys.
#pragma once

#include <array>
#include <string>

#include "exercise.h"

namespace piecettes {

// The pointer the child used last: some hints tell how to do a thing with it.
enum class Pointer { Mouse, Finger };

namespace catalogue {

inline constexpr const char* Title = "Piécettes";
inline constexpr const char* PurseCaption = "Le porte-monnaie";
inline constexpr const char* InfoCaption = "Info";
inline constexpr const char* PriceCaption = "Tu dois payer :";
inline constexpr const char* GivenCaption = "Tu donnes :";
inline constexpr const char* EuroSign = "€";
inline constexpr const char* Ok = "OK";
inline constexpr const char* Quit = "Quitter";
inline constexpr const char* FocusParkCaption = "Command2";
// What a screen reader calls the answer, in the box and in the large label that shows it.
inline constexpr const char* AnswerName = "Ta réponse";
// What a screen reader calls the unseen focus park while the score line is still empty.
inline constexpr const char* FocusParkName = "Tes bonnes réponses";
// The title of the Info box.
inline constexpr const char* InfoTitle = "INFO";
// A take-back square is read as this and its coin's name.
inline constexpr const char* TakeBack = "Reprendre";

// The coins' names, 1 cent first.
inline constexpr std::array<const char*, 8> CoinNames{"1 centime",   "2 centimes",  "5 centimes", "10 centimes",
                                                      "20 centimes", "50 centimes", "1 euro",     "2 euros"};

// The words of a message of the exercise, as shown to a child who plays with this
// pointer; Score takes its count.
std::string text(Message message, Pointer pointer = Pointer::Mouse, int count = 0);

}  // namespace catalogue
}  // namespace piecettes
