#include "credits.h"

#include "version.h"

namespace piecettes {

std::string credits() {
    return std::string("Piécettes ") + PIECETTES_VERSION + ", par l'équipe Piécettes, " + PIECETTES_MADE + ".";
}

}  // namespace piecettes
