#include "CtlNumbers.h"

#include <cctype>
#include <charconv>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Units are keywords, and keywords are case-free like pin names.
bool endsWithUnit(std::string_view text, std::string_view unit)
{
    if (text.size() <= unit.size() || !isDigit(text[text.size() - unit.size() - 1]))
        return false;
    for (std::size_t i = 0; i < unit.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - unit.size() + i])) !=
            unit[i])
            return false;
    return true;
}

std::optional<std::uint64_t> digits(std::string_view text, int base)
{
    std::uint64_t value = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || stop != text.data() + text.size())
        return std::nullopt;
    return value;
}

struct Unit {
    std::string_view suffix;
    std::uint64_t microseconds;
};

constexpr Unit kUnits[] = {{"us", 1}, {"ms", 1000}, {"s", 1000000}};

} // namespace

std::optional<std::uint64_t> ParseWholeNumber(std::string_view text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return text[2] == '+' || text[2] == '-' ? std::nullopt : digits(text.substr(2), 16);
    if (text.size() > 1 && text[0] == '0')
        return std::nullopt;
    return digits(text, 10);
}

std::optional<Microseconds> ParseDuration(std::string_view text, Microseconds bareUnit)
{
    std::uint64_t scale = static_cast<std::uint64_t>(bareUnit.count());
    for (const Unit &unit : kUnits) {
        if (endsWithUnit(text, unit.suffix)) {
            text.remove_suffix(unit.suffix.size());
            scale = unit.microseconds;
            break;
        }
    }
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.empty() || (point != std::string_view::npos && fraction.empty()) ||
        fraction.size() > 9 || (whole.size() > 1 && whole[0] == '0'))
        return std::nullopt;
    const auto units = digits(whole, 10);
    const auto fractionValue =
        fraction.empty() ? std::optional<std::uint64_t>(0) : digits(fraction, 10);
    // Past a day in any unit is refused below; this bound keeps the product in range.
    if (!units || !fractionValue || *units > static_cast<std::uint64_t>(kLongestDuration.count()))
        return std::nullopt;
    std::uint64_t denominator = 1;
    for (std::size_t i = 0; i < fraction.size(); ++i)
        denominator *= 10;
    const std::uint64_t total = *units * scale + *fractionValue * scale / denominator;
    if (total > static_cast<std::uint64_t>(kLongestDuration.count()))
        return std::nullopt;
    return Microseconds(total);
}
