#include "money.h"

#include <array>

namespace piecettes {

namespace {

struct Row {
    const char* locale;
    MoneyFormat format;
};

constexpr MoneyFormat After{',', false, true};     // 8,04 €
constexpr MoneyFormat Before{',', true, true};     // € 8,04
constexpr MoneyFormat Attached{'.', true, false};  // €8.04
constexpr MoneyFormat AttachedComma{',', true, false};  // €8,04

// CLDR 48, as Firefox's Intl.NumberFormat writes 8,04 in euros in each locale.
// clang-format off
constexpr std::array Rows{
    Row{"bg_BG", After}, Row{"ca_AD", After}, Row{"ca_ES", After}, Row{"de_AT", Before}, Row{"de_BE", After},
    Row{"de_DE", After}, Row{"de_LU", After}, Row{"el_CY", After}, Row{"el_GR", After}, Row{"en_IE", Attached},
    Row{"en_MT", Attached}, Row{"es_ES", After}, Row{"et_EE", After}, Row{"eu_ES", After}, Row{"fi_FI", After},
    Row{"fr_BE", After}, Row{"fr_FR", After}, Row{"fr_LU", After}, Row{"fr_MC", After}, Row{"ga_IE", Attached},
    Row{"gl_ES", After}, Row{"hr_HR", After}, Row{"it_IT", After}, Row{"it_SM", After}, Row{"it_VA", After},
    Row{"lb_LU", After}, Row{"lt_LT", After}, Row{"lv_LV", After}, Row{"mt_MT", Attached}, Row{"nl_BE", Before},
    Row{"nl_NL", Before}, Row{"pt_PT", After}, Row{"sk_SK", After}, Row{"sl_SI", After}, Row{"sq_XK", After},
    Row{"sr_ME", After}, Row{"sv_FI", After}, Row{"tr_CY", AttachedComma},
};
// clang-format on

}  // namespace

std::optional<MoneyFormat> euroFormat(std::string_view locale) {
    // The language and region alone: the codeset and modifier say nothing of money.
    locale = locale.substr(0, locale.find_first_of(".@"));
    for (const Row& row : Rows)
        if (locale == row.locale) return row.format;
    return std::nullopt;
}

std::string withSign(std::string_view amount, MoneyFormat format) {
    const std::string space = format.space ? " " : "";
    return format.signFirst ? EuroSign + space + std::string(amount) : std::string(amount) + space + EuroSign;
}

}  // namespace piecettes
