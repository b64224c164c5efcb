#include "catalog/catalog_values.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace kelanim {

namespace {

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

// from_chars takes a leading "-" but not a "+".
std::string_view without_plus(std::string_view text)
{
    if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+') text.remove_prefix(1);
    return text;
}

}  // namespace

std::int32_t catalog_integer(const std::string& text)
{
    const std::string_view digits = without_plus(trimmed(text));
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 10);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size())
        throw conversion_error("'" + text + "' is not a valid integer value");
    return value;
}

float catalog_float(const std::string& text)
{
    const std::string_view number = without_plus(trimmed(text));
    float value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value,
                                              std::chars_format::general);
    if (number.empty() || error != std::errc{} || end != number.data() + number.size() || !std::isfinite(value))
        throw conversion_error("'" + text + "' is not a valid floating point value");
    return value;
}

}  // namespace kelanim
