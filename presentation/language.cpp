#include "language.h"

#include <algorithm>
#include <vector>

namespace piecettes {

namespace {

// Longer than any real locale name or language tag, and every character one they use.
constexpr std::size_t LongestName = 40;

bool wellFormed(std::string_view name) {
    return !name.empty() && name.size() <= LongestName && std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                      c == '-' || c == '.' || c == '@';
           });
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
bool letters(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}
bool digits(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A locale as its parts: language, region and modifier; the codeset left out.
struct LocaleName {
    std::string language, region, modifier;
};

std::optional<LocaleName> parseLocale(std::string_view name) {
    if (!wellFormed(name)) return std::nullopt;
    LocaleName parts;
    if (const auto at = name.find('@'); at != std::string_view::npos) {
        parts.modifier = name.substr(at + 1);
        name = name.substr(0, at);
    }
    name = name.substr(0, name.find('.'));
    const auto underscore = name.find('_');
    parts.language = name.substr(0, underscore);
    if (underscore != std::string_view::npos) parts.region = name.substr(underscore + 1);
    if (parts.language.size() < 2 || parts.language.size() > 3 || !letters(parts.language)) return std::nullopt;
    return parts;
}

const Catalogue* firstOf(const LocaleName& parts) {
    std::vector<std::string> tries;
    const std::string withRegion = parts.region.empty() ? "" : parts.language + "_" + parts.region;
    if (!withRegion.empty() && !parts.modifier.empty()) tries.push_back(withRegion + "@" + parts.modifier);
    if (!withRegion.empty()) tries.push_back(withRegion);
    if (!parts.modifier.empty()) tries.push_back(parts.language + "@" + parts.modifier);
    tries.push_back(parts.language);
    for (const std::string& code : tries)
        if (const Catalogue* found = Catalogue::find(code)) return found;
    return nullptr;
}

// A BCP 47 tag ("de-AT", "sr-Latn-ME", "pt_PT") as a locale: the language in lower case,
// the region in capitals, and the Latin script of Serbian as gettext's @latin.
std::optional<LocaleName> parseTag(std::string_view tag) {
    if (!wellFormed(tag) || tag.find_first_of(".@") != std::string_view::npos) return std::nullopt;
    std::vector<std::string_view> subtags;
    for (std::size_t start = 0; start <= tag.size();) {
        const std::size_t end = std::min(tag.find_first_of("-_", start), tag.size());
        subtags.push_back(tag.substr(start, end - start));
        start = end + 1;
    }
    LocaleName parts;
    for (const char c : subtags[0]) parts.language += lower(c);
    if (parts.language.size() < 2 || parts.language.size() > 3 || !letters(parts.language)) return std::nullopt;
    for (std::size_t i = 1; i < subtags.size(); ++i) {
        const std::string_view subtag = subtags[i];
        if (subtag.empty() || subtag.size() > 8) return std::nullopt;
        if (i == 1 && subtag.size() == 4 && letters(subtag)) {
            std::string script;
            for (const char c : subtag) script += lower(c);
            if (script == "latn") parts.modifier = "latin";
        } else if (parts.region.empty() && ((subtag.size() == 2 && letters(subtag)) || (subtag.size() == 3 && digits(subtag)))) {
            for (const char c : subtag) parts.region += upper(c);
        }
    }
    return parts;
}

}  // namespace

const Catalogue* catalogueForLocale(std::string_view name) {
    const auto parts = parseLocale(name);
    return parts ? firstOf(*parts) : nullptr;
}

Language desktopLanguage(const std::function<const char*(const char*)>& variable, std::string_view numericLocale,
                         char decimal) {
    Language language;
    language.money = {decimal, false, true};
    if (const auto format = euroFormat(numericLocale)) language.money = {decimal, format->signFirst, format->space};

    const auto set = [&](const char* name) -> std::string_view {
        const char* value = variable(name);
        return value ? value : "";
    };
    std::string_view list = set("LANGUAGE");
    while (!list.empty()) {
        const auto colon = list.find(':');
        if (const Catalogue* found = catalogueForLocale(list.substr(0, colon))) {
            language.catalogue = *found;
            return language;
        }
        list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const std::string_view value = set(name);
        if (value.empty()) continue;
        if (const Catalogue* found = catalogueForLocale(value)) language.catalogue = *found;
        break;
    }
    return language;
}

Language pageLanguage(std::string_view addressTag, std::span<const std::string> browserTags) {
    Language language;
    std::optional<LocaleName> chosen;
    const auto choose = [&](std::string_view tag) {
        const auto parts = parseTag(tag);
        if (!parts) return false;
        const Catalogue* found = firstOf(*parts);
        if (!found) return false;
        language.catalogue = *found;
        chosen = parts;
        return true;
    };
    if (!choose(addressTag))
        for (const std::string& tag : browserTags)
            if (choose(tag)) break;

    std::string region = chosen ? chosen->region : "";
    if (region.empty())
        for (const std::string& tag : browserTags)
            if (const auto parts = parseTag(tag); parts && !parts->region.empty()) {
                region = parts->region;
                break;
            }
    const std::string mainLocale(language.catalogue.mainLocale());
    const std::string languagePart = mainLocale.substr(0, mainLocale.find('_'));
    const MoneyFormat main = euroFormat(mainLocale).value_or(MoneyFormat{});
    const std::string locale = region.empty() ? mainLocale : languagePart + "_" + region;
    language.money = euroFormat(locale).value_or(MoneyFormat{main.decimal, false, true});
    return language;
}

std::string appLanguageTag(std::string_view addressTag) {
    const auto parts = parseTag(addressTag);
    const Catalogue* found = parts ? firstOf(*parts) : nullptr;
    if (!found) return "";
    std::string tag(found->tag());
    const std::string mainLocale(found->mainLocale());
    const std::string languagePart = mainLocale.substr(0, mainLocale.find('_'));
    const std::string mainRegion = mainLocale.substr(mainLocale.find('_') + 1);
    if (!parts->region.empty() && parts->region != mainRegion && euroFormat(languagePart + "_" + parts->region))
        tag += "-" + parts->region;
    return tag;
}

}  // namespace piecettes
