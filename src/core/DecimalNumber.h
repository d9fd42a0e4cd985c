#pragma once

#include <optional>
#include <string>

// A decimal number as read from text, kept in its pieces so that a value
// beyond a double can be told apart as too large or too small. Both number
// readers of the terminal (operator entries and scale readings) fill one.
struct DecimalNumber {
    bool negative = false;
    std::string integerDigits;
    std::string fractionDigits;
    long long exponent = 0;

    bool hasDigits() const { return !integerDigits.empty() || !fractionDigits.empty(); }
    // Adds one digit to the exponent; it stops growing far beyond any double,
    // where only its order of magnitude matters.
    void addExponentDigit(int digit)
    {
        if (exponent < 1'000'000)
            exponent = exponent * 10 + digit;
    }
};

// The value, independent of the C locale; zero for a value too small for a
// double, nothing for one too large.
std::optional<double> DecimalNumberValue(const DecimalNumber& number);

// The sum of two weights as their decimal texts add up: each is taken with
// the 15 significant digits the journal writes (0.1 as 0.1, not as the binary
// fraction nearest to it), and the exact sum of those is rounded once to a
// double, so 0.1 + 0.2 - 0.3 gives 0 rather than 5.55E-17. Values whose
// digits cannot be added exactly in a double are added as doubles.
double DecimalSum(double a, double b);
