// The credit line of the Info box, shared by the desktop window and the web page.
#pragma once

#include <string>

namespace piecettes {

// "Piécettes <version>, par l'équipe Piécettes, <month> <year>.", from the project's
// version and release date as CMake configured them; UTF-8.
std::string credits();

}  // namespace piecettes
