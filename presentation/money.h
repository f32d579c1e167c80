// How each country of the euro area writes a price, from CLDR: the decimal separator, the
// side of the euro sign and the space between them. The sign is always "€": a locale's own
// currency is never asked for (the C library still gives Bulgaria the lev).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace piecettes {

constexpr const char* EuroSign = "€";

struct MoneyFormat {
    char decimal = ',';
    bool signFirst = false;
    // A space between the sign and the amount.
    bool space = true;
    friend bool operator==(const MoneyFormat&, const MoneyFormat&) = default;
};

// The format of a locale of the euro area, named as the C library names it ("de_AT",
// "de_AT.UTF-8", "sr_ME@latin"), or nothing for a locale outside it ("en_US", "C").
std::optional<MoneyFormat> euroFormat(std::string_view locale);

// An amount as written ("8,04") with the sign on its side: "8,04 €", "€ 8,04", "€8.04".
std::string withSign(std::string_view amount, MoneyFormat format);

}  // namespace piecettes
