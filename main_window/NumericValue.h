#pragma once
// The one rule by which a field's text becomes a number, and the text the
// numeric fields write back.

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// Blanks, tabs and line feeds anywhere are ignored; the rest is read from its
// start as a number (sign, digits, fraction after a point, exponent after E;
// or &H / &O followed by hexadecimal / octal digits) up to the first character
// that cannot continue it. 0 when the text does not begin with a number.
double NumericValue(std::string_view text);

// The value when the whole text, blanks ignored, is one number by the rule
// above; nothing otherwise. For values read back from the settings store,
// where anything else was not written by the program.
std::optional<double> ExactNumericValue(std::string_view text);

// Whole numbers as plain digits (a minus sign when negative); anything else in
// the shortest form that NumericValue reads back as the same value.
std::string NumberText(double value);

}  // namespace velmora
