// The fonts the window draws with: the layout's, in the face of the program's language.
#pragma once

#include <QFont>
#include <QStringList>

#include "catalogue.h"
#include "layout.h"

namespace piecettes {

// The family that draws the rounded face, on the desktop as in the page.
constexpr const char* RoundedFamily = "Comfortaa";

// A layout font as drawn in a language's face, from the installed families (read once:
// QFontDatabase::families()). The comic face is the layout's own family, or its first
// installed substitute; the rounded face replaces it whole, so that no word mixes two
// fonts. The rounded face has no italic: its lines stay upright rather than take a slant
// the font never drew.
QFont fontOf(const layout::Font& wanted, const QStringList& installed, Face face = Face::Comic);

// Debian maps Comic Sans MS to Comic Neue through fontconfig; this keeps the mapping
// where that alias is missing, and names the others' substitutes.
void registerFontSubstitutes();

}  // namespace piecettes
