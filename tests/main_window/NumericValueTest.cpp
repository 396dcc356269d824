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

struct Reading {
    const char* name;
    const char* text;
    double value;
};

const Reading kReadings[] = {
    {"blanks around", " 12 ", 12},                      {"leading zero", "07", 7},
    {"letters after", "12ab", 12},                      {"hexadecimal", "&HFF", 255},
    {"hexadecimal lower case", "&hff", 255},            {"octal", "&O17", 15},
    {"octal stops at 8", "&O178", 15},                  {"prefix without digits", "&H", 0},
    {"other prefix", "&X12", 0},                        {"exponent", "1E3", 1000},
    {"exponent lower case", "2e2", 200},                {"exponent without digits", "5E", 5},
    {"exponent sign without digits", "5E-", 5},         {"negative", "-5", -5},
    {"plus sign", "+5", 5},                             {"sign alone", "-", 0},
    {"minus zero", "-0", 0},                            {"empty", "", 0},
    {"word", "abc", 0},                                 {"blanks inside", "1 2 3", 123},
    {"tab and line feed", "\t4\n2", 42},
    {"twenty digits", "12345678901234567890", 12345678901234567890.0},
    {"fraction", "1.5", 1.5},                           {"fraction without integer part", ".25", 0.25},
    {"point without fraction", "7.", 7},                {"second point ends it", "1.2.3", 1.2},
    {"small exponent", "1.5E-3", 0.0015},               {"comma is no decimal separator", "1,5", 1},
    {"beyond the largest double", "1E999", std::numeric_limits<double>::max()},
    {"below the smallest double", "1E-999", 0},
};

TEST(NumericValueTest, ReadsTheLeadingNumber) {
    for (const Reading& r : kReadings) {
        EXPECT_EQ(NumericValue(r.text), r.value) << r.name << ": \"" << r.text << "\"";
    }
}

TEST(NumericValueTest, MinusZeroReadsAsPlainZero) { EXPECT_FALSE(std::signbit(NumericValue("-0"))); }

struct Exact {
    const char* name;
    const char* text;
    bool number;
};

const Exact kExact[] = {
    {"digits", "9720", true},      {"blanks around", " 15 ", true}, {"negative", "-300", true},
    {"fraction", "1.5", true},     {"hexadecimal", "&H10", true},   {"letters after", "12ab", false},
    {"word", "True", false},       {"empty", "", false},            {"sign alone", "-", false},
    {"prefix alone", "&H", false}, {"two numbers", "1.2.3", false}, {"exponent", "1E3", true},
};

TEST(ExactNumericValueTest, TakesOnlyATextThatIsOneNumber) {
    for (const Exact& e : kExact) {
        EXPECT_EQ(ExactNumericValue(e.text).has_value(), e.number) << e.name << ": \"" << e.text << "\"";
    }
    EXPECT_EQ(ExactNumericValue(" 15 "), 15.0);
}

struct Written {
    const char* name;
    double value;
    const char* text;
};

const Written kWritten[] = {
    {"zero", 0, "0"},           {"whole", 1000, "1000"},           {"negative", -5, "-5"},
    {"fifteen digits", 123456789012345, "123456789012345"},        {"sixteen digits, whole", 1e15, "1000000000000000"},
    {"twenty digits, whole", 1e20, "100000000000000000000"},       {"fraction", 1.5, "1.5"},
    {"small fraction", 0.0015, "0.0015"},                          {"negative fraction", -0.25, "-0.25"},
};

TEST(NumberTextTest, WritesWholeNumbersAsPlainDigits) {
    for (const Written& w : kWritten) EXPECT_EQ(NumberText(w.value), w.text) << w.name;
}

TEST(NumberTextTest, EveryTextReadsBackAsTheSameValue) {
    const double values[] = {12345678901234567890.0, 1.0 / 3, 1e-20, 123456.789e300,
                             std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min(),
                             -987654321.123456789, 0.1 + 0.2};
    for (const double v : values) {
        const std::string text = NumberText(v);
        EXPECT_EQ(NumericValue(text), v) << text;
        EXPECT_EQ(text.find_first_of(" ,"), std::string::npos) << text;
    }
}

TEST(NumberTextTest, TwentyDigitsComeBackAsPlainDigits) {
    const std::string text = NumberText(NumericValue("12345678901234567890"));
    EXPECT_EQ(text.find_first_not_of("0123456789"), std::string::npos) << text;
    EXPECT_EQ(text.size(), 20u);
}

// A German locale writes 1,5 for one and a half; the fields keep the point.
class GermanLocaleTest : public testing::Test {
protected:
    void SetUp() override {
        if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !BuildGermanLocale()) {
            GTEST_SKIP() << "no German locale here, and localedef could not build one";
        }
    }
    void TearDown() override {
        unsetenv("LOCPATH");
        std::setlocale(LC_NUMERIC, "C");
    }

    // Compiles de_DE.UTF-8 into a folder of the test's own and points glibc at it.
    static bool BuildGermanLocale() {
        const std::string folder = testing::TempDir() + "velmora-locale";
        std::filesystem::create_directories(folder);
        // localedef answers 1 for mere warnings; setlocale below is the test.
        const std::string command = "localedef -i de_DE -f UTF-8 '" + folder + "/de_DE.UTF-8' >/dev/null 2>&1";
        if (std::system(command.c_str()) < 0) return false;
        setenv("LOCPATH", folder.c_str(), 1);
        return std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    }
};

TEST_F(GermanLocaleTest, PointStaysTheDecimalSeparator) {
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    EXPECT_EQ(NumericValue("1.5"), 1.5);
    EXPECT_EQ(NumericValue("1,5"), 1);
    EXPECT_EQ(NumberText(1.5), "1.5");
    EXPECT_EQ(NumberText(1234567), "1234567");
    EXPECT_EQ(ExactNumericValue("2.25"), 2.25);
}

}  // namespace
}  // namespace velmora
