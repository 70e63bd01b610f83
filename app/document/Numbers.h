// Numbers as the operator types them and as the program shows them.
//
// The decimal point is always '.', whatever the process's locale says: every
// function here works on the characters alone (std::from_chars/to_chars), so
// a German or Russian regional setting can neither turn "1.5" into 1 nor
// print "1,500".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Reads a real number from the start of text the way "%lf" does: blanks are
// skipped, then an optional sign, decimal digits with an optional '.', and an
// optional exponent. Whatever follows the number is ignored ("1,5" reads 1,
// "5 %" reads 5). nullopt when the text does not start with a number or the
// number is not finite ("inf", "nan" and overflowing exponents are refused,
// so no infinity ever reaches a measurement).
std::optional<double> ReadReal(std::string_view text);

// Reads a signed decimal integer from the start of text the way "%d" does
// (blanks, optional sign, digits; the rest ignored: "12.7" reads 12).
// nullopt when there is none or it does not fit 32 bits.
std::optional<int32_t> ReadInt(std::string_view text);

// The same for 64 bits ("%Ld").
std::optional<int64_t> ReadInt64(std::string_view text);

// The value with exactly `decimals` digits after the point ("%.3f").
std::string FormatFixed(double value, int decimals);

// A whole number in decimal ("%d").
std::string FormatInteger(int64_t value);
