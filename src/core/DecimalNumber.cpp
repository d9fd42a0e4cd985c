#include "core/DecimalNumber.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

namespace {

// Decimal order of magnitude of a non-zero number: 0 for 1..9.99, -1 for 0.1..0.99.
long long OrderOfMagnitude(const DecimalNumber& n)
{
    const auto firstNonZero = n.integerDigits.find_first_not_of('0');
    if (firstNonZero != std::string::npos)
        return static_cast<long long>(n.integerDigits.size() - firstNonZero) - 1 + n.exponent;
    const auto leadingZeros = n.fractionDigits.find_first_not_of('0');
    return -static_cast<long long>(leadingZeros) - 1 + n.exponent;
}

// Digits after the decimal point of a finite value written with at most 15
// significant digits: 2 for 12.25, 0 for 1200, 5 for 1E-05.
int FractionDigits(double value)
{
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 14);
    const std::string_view form(text, static_cast<std::size_t>(written.ptr - text));  // d.ddddddddddddddeXX
    const std::size_t e = form.find('e');
    const std::string_view mantissa = form.substr(0, e);
    const std::size_t point = mantissa.find('.');
    const std::size_t lastDigit = mantissa.find_last_not_of('0');
    const int fraction = lastDigit > point ? static_cast<int>(lastDigit - point) : 0;
    std::string_view exponent = form.substr(e + 1);
    if (!exponent.empty() && exponent.front() == '+')
        exponent.remove_prefix(1);
    int power = 0;
    std::from_chars(exponent.data(), exponent.data() + exponent.size(), power);
    return std::max(0, fraction - power);
}

}  // namespace

double DecimalSum(double a, double b)
{
    if (!std::isfinite(a) || !std::isfinite(b))
        return a + b;
    // Whole numbers below 2^53 and the powers of ten up to 10^22 are exact
    // doubles, so within them the scaled sum is exact and the one division
    // rounds correctly.
    constexpr double ExactLimit = 9007199254740992.0;  // 2^53
    static constexpr auto PowersOfTen = [] {
        std::array<double, 23> powers{};
        double p = 1;
        for (double& power : powers) {
            power = p;
            p *= 10;
        }
        return powers;
    }();
    const int digits = std::max(FractionDigits(a), FractionDigits(b));
    if (digits >= static_cast<int>(PowersOfTen.size()))
        return a + b;
    const double scale = PowersOfTen[static_cast<std::size_t>(digits)];
    const double scaledA = std::round(a * scale);
    const double scaledB = std::round(b * scale);
    const double scaledSum = scaledA + scaledB;
    if (std::fabs(scaledA) > ExactLimit || std::fabs(scaledB) > ExactLimit || std::fabs(scaledSum) > ExactLimit)
        return a + b;
    return scaledSum / scale;
}

std::optional<double> DecimalNumberValue(const DecimalNumber& number)
{
    // from_chars, unlike strtod, does not depend on the C locale, which Qt
    // sets from the environment at start.
    std::string c = number.integerDigits.empty() ? std::string("0") : number.integerDigits;
    if (!number.fractionDigits.empty())
        c += '.' + number.fractionDigits;
    c += 'e' + std::to_string(number.exponent);
    double value = 0;
    const auto [end, error] = std::from_chars(c.data(), c.data() + c.size(), value);
    if (error == std::errc::result_out_of_range) {
        if (OrderOfMagnitude(number) >= 0)
            return std::nullopt;
        value = 0;
    } else if (error != std::errc() || end != c.data() + c.size()) {
        return std::nullopt;
    }
    return number.negative ? -value : value;
}
