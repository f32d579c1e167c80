// Every suite runs in the locale its CTest entry names. The application object sets
// the C library's locale from the environment, as the program's does; this check makes
// a run whose locale is missing fail, instead of passing quietly in the C locale.
#pragma once

#include <QTest>
#include <clocale>
#include <cstdlib>
#include <cstring>

namespace piecettes::test {

// Call from initTestCase. PIECETTES_TEST_LOCALE names the locale that LC_NUMERIC must
// have; a suite started by hand without it runs in whatever the environment gives.
inline void verifyAskedLocale() {
    const char* asked = std::getenv("PIECETTES_TEST_LOCALE");
    if (!asked || !*asked) return;
    const char* numeric = std::setlocale(LC_NUMERIC, nullptr);
    QVERIFY2(numeric && std::strcmp(numeric, asked) == 0,
             qPrintable(QStringLiteral("the run asks for the locale %1, the C library has %2")
                            .arg(QLatin1String(asked), QLatin1String(numeric ? numeric : "none"))));
}

}  // namespace piecettes::test
