// Which language the program speaks, and how it writes money, chosen from the desktop's
// settings or the page's address and browser. A setting that names no catalogue, or that
// is not a well-formed name at all, is passed over: it raises no error and gives French,
// or the next language in line.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "catalogue.h"
#include "money.h"

namespace piecettes {

struct Language {
    Catalogue catalogue = Catalogue::french();
    MoneyFormat money;
};

// The catalogue for a locale name as gettext reads one: "de_AT.UTF-8" tries de_AT, then
// de; "sr_ME.UTF-8@latin" tries sr_ME@latin, sr_ME, sr@latin, sr.
const Catalogue* catalogueForLocale(std::string_view name);

// The desktop: the catalogue in gettext's order (each entry of LANGUAGE, a list split by
// ':', then the first set of LC_ALL, LC_MESSAGES and LANG), else French. The money
// format is that of the system's numeric locale as the toolkit names it ("de_AT"), with
// its decimal separator; a locale outside the euro area writes the sign after.
// `variable` reads the environment.
Language desktopLanguage(const std::function<const char*(const char*)>& variable, std::string_view numericLocale,
                         char decimal);

// The page: the catalogue of the address's ?lang= tag, else of the first browser language
// that has one, else French. The region is the chosen tag's, else that of the first
// browser language with a region, else the language's main one; its format, or outside
// the euro area the language's decimal separator with the sign after.
Language pageLanguage(std::string_view addressTag, std::span<const std::string> browserTags);

// The page installed as an app starts from an address that its static folder fixes
// beforehand, one for each way ?lang= can change what the page shows: the tag of the
// catalogue that the address's ?lang= chooses, with the region where it is another
// country of the euro area than the language's main one ("de-AT", "fr-BE", "sr-Latn");
// empty when ?lang= names no catalogue, and the browser's languages choose.
std::string appLanguageTag(std::string_view addressTag);

}  // namespace piecettes
