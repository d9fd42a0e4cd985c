#include "core/DecimalNumber.h"

#include <charconv>

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

}  // namespace

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
