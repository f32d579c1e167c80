// Prints what readAmount and formatAmount give for every row of the amount suite and
// every input file named after it, one line each, so that the native and the
// WebAssembly builds can be compared byte for byte. Amounts are printed as the bits
// of the double, so that a difference in the last bit shows.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "amount.h"
#include "amount_rows.h"

using piecettes::formatAmount;
using piecettes::readAmount;

namespace {

std::uint64_t bits(double value) {
    std::uint64_t out;
    std::memcpy(&out, &value, sizeof out);
    return out;
}

void printRead(const std::string& label, const std::string& text) {
    const double value = readAmount(text);
    std::printf("%s read %016" PRIx64 " %s %s\n", label.c_str(), bits(value), formatAmount(value, ',').c_str(),
                formatAmount(value, '.').c_str());
}

void printWrite(const std::string& label, double amount) {
    std::printf("%s write %016" PRIx64 " %s %s\n", label.c_str(), bits(amount), formatAmount(amount, ',').c_str(),
                formatAmount(amount, '.').c_str());
}

}  // namespace

// amount_print ROWS [INPUT...]: each input is read as typed text, and its first eight
// bytes, where it has them, as a double to write (as the fuzz targets take them).
int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s ROWS [INPUT...]\n", argv[0]);
        return 2;
    }
    const auto rows = piecettes::test::readAmountRows(argv[1]);
    if (!rows.ok) {
        std::fprintf(stderr, "cannot read the rows of %s\n", argv[1]);
        return 1;
    }
    for (const auto& row : rows.reading) printRead(row.name, row.text);
    for (const auto& row : rows.writing) printWrite(row.name, row.amount);
    for (int i = 2; i < argc; ++i) {
        std::ifstream file(argv[i], std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        // The file's name, not its path: the two builds may be given different paths.
        std::string name = argv[i];
        name = name.substr(name.find_last_of('/') + 1);
        printRead(name, bytes);
        double amount;
        if (bytes.size() >= sizeof amount) {
            std::memcpy(&amount, bytes.data(), sizeof amount);
            printWrite(name, amount);
        }
    }
    return 0;
}
