#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>

#include "main_window/NumericValue.h"

namespace velmora {
namespace {

TEST(NumericValueTest, ReadsTheLeadingNumber) {
    const struct {
        const char* name;
        const char* text;
        double value;
    } rows[] = {
        {"blanks around", " 12 ", 12},            {"leading zero", "07", 7},
        {"letters after", "12ab", 12},            {"hexadecimal", "&HFF", 255},
        {"hexadecimal lower case", "&hff", 255},  {"octal", "&O17", 15},
        {"octal stops at 8", "&O178", 15},        {"prefix without digits", "&H", 0},
        {"other prefix", "&X12", 0},              {"exponent", "1E3", 1000},
        {"exponent lower case", "2e2", 200},      {"exponent sign without digits", "5E-", 5},
        {"negative", "-5", -5},                   {"plus sign", "+5", 5},
        {"sign alone", "-", 0},                   {"empty", "", 0},
        {"blanks inside", "1 2 3", 123},          {"tab and line feed", "\t4\n2", 42},
        {"fraction", "1.5", 1.5},                 {"fraction without integer part", ".25", 0.25},
        {"point without fraction", "7.", 7},      {"second point ends it", "1.2.3", 1.2},
        {"small exponent", "1.5E-3", 0.0015},     {"comma is no decimal separator", "1,5", 1},
        {"twenty digits", "12345678901234567890", 12345678901234567890.0},
        {"beyond the largest double", "1E999", std::numeric_limits<double>::max()},
        {"below the smallest double", "1E-999", 0},
    };
    for (const auto& r : rows) EXPECT_EQ(NumericValue(r.text), r.value) << r.name << ": \"" << r.text << "\"";
    EXPECT_FALSE(std::signbit(NumericValue("-0")));
}

TEST(NumberTextTest, WritesWholeNumbersAsPlainDigitsAndEveryTextReadsBack) {
    const std::pair<double, const char*> written[] = {
        {0, "0"}, {-5, "-5"}, {1e20, "100000000000000000000"}, {1.5, "1.5"}, {0.0015, "0.0015"}, {-0.25, "-0.25"}};
    for (const auto& [value, text] : written) EXPECT_EQ(NumberText(value), text);
    for (const double v : {12345678901234567890.0, 1.0 / 3, 1e-20, 123456.789e300, std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::denorm_min(), -987654321.123456789}) {
        const std::string text = NumberText(v);
        EXPECT_EQ(NumericValue(text), v) << text;
        EXPECT_EQ(text.find_first_of(" ,"), std::string::npos) << text;
    }
}

// A German locale writes 1,5 for one and a half; the fields keep the point.
TEST(GermanLocaleTest, PointStaysTheDecimalSeparator) {
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        // Compiled into a folder of the test's own; localedef answers 1 for mere warnings.
        const std::string folder = testing::TempDir() + "velmora-locale";
        std::filesystem::create_directories(folder);
        const std::string command = "localedef -i de_DE -f UTF-8 '" + folder + "/de_DE.UTF-8' >/dev/null 2>&1";
        if (std::system(command.c_str()) >= 0) setenv("LOCPATH", folder.c_str(), 1);
        if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no German locale here";
    }
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    EXPECT_EQ(NumericValue("1.5"), 1.5);
    EXPECT_EQ(NumberText(1.5), "1.5");
    EXPECT_EQ(ExactNumericValue("2.25"), 2.25);
    unsetenv("LOCPATH");
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace
}  // namespace velmora
