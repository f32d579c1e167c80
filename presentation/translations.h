// The languages made from the gettext files at build time (make_catalogues.py writes
// translations.cpp in the build tree). catalogue.cpp reads them; nothing else should.
#pragma once

#include <cstddef>

namespace piecettes::translations {

struct Language {
    // The gettext code, as the file's Language header says it: "de", "pt_PT", "sr@latin".
    const char* code;
    // The file's Plural-Forms, as C++: the form's index for a whole number.
    int (*plural)(long n);
    int forms;
    // For each text of the template in its order: one string, or `forms` strings for a
    // text with a plural. Null for the source language, whose words are the template's.
    const char* const* strings;
};

// The source language first, then the others by code.
extern const Language Languages[];
extern const std::size_t LanguageCount;

}  // namespace piecettes::translations
