// The rows of the amount suite, kept in amount_rows.tsv so that the suite and the amount
// printer of both builds read the same ones. Plain C++: the printer is built with em++ too.
#pragma once

#include <fstream>
#include <limits>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

namespace piecettes::test {

struct ReadingRow {
    std::string name;
    std::string text;
    double expected;
};

struct WritingRow {
    std::string name;
    double amount;
    std::string withComma;
    std::string withPoint;
};

struct AmountRows {
    std::vector<ReadingRow> reading;
    std::vector<WritingRow> writing;
    // False when the file could not be read or a line is not a row.
    bool ok = false;
};

namespace detail {

inline std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out(1);
    for (char c : line) {
        if (c == '\t')
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

inline std::string unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 't' ? '\t' : next == 'n' ? '\n' : next;
    }
    return out;
}

// Read in the classic locale: the suite runs under French settings too, where strtod
// would stop at the point.
inline double number(const std::string& text) {
    if (text == "nan") return std::numeric_limits<double>::quiet_NaN();
    if (text == "inf") return std::numeric_limits<double>::infinity();
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double value = 0;
    in >> value;
    return value;
}

}  // namespace detail

inline AmountRows readAmountRows(const std::string& path) {
    AmountRows rows;
    std::ifstream file(path);
    if (!file) return rows;
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') continue;
        const auto f = detail::fields(line);
        if (f[0] == "read" && f.size() == 4)
            rows.reading.push_back({f[1], detail::unescaped(f[2]), detail::number(f[3])});
        else if (f[0] == "write" && f.size() == 5)
            rows.writing.push_back({f[1], detail::number(f[2]), f[3], f[4]});
        else
            return rows;
    }
    rows.ok = !rows.reading.empty() && !rows.writing.empty();
    return rows;
}

}  // namespace piecettes::test
