#include "mst_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace kelanim {

namespace {

bool is_blank_or_control(unsigned char c) { return c <= ' '; }

std::string_view trim(std::string_view text, bool (*strip)(unsigned char))
{
    while (!text.empty() && strip(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && strip(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

bool is_blank(unsigned char c) { return c == ' ' || c == '\t'; }

// The digits of a number as from_chars takes them: blanks trimmed, a leading
// "+" dropped (from_chars only knows "-").
std::string_view number_text(std::string_view text)
{
    text = trim(text, is_blank);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+') text.remove_prefix(1);
    return text;
}

std::string unquote(const std::string& line)
{
    std::string out;
    out.reserve(line.size());
    bool inside = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '"') {
            // A quote opens a quoted part only when another one closes it.
            inside = !inside && line.find('"', i + 1) != std::string::npos;
            continue;
        }
        out.push_back(inside && c == ' ' ? '_' : c);
    }
    return out;
}

}  // namespace

std::string next_line(std::istream& in)
{
    std::string raw;
    while (std::getline(in, raw)) {
        std::string_view line = trim(raw, is_blank_or_control);
        if (line.empty() || line.front() == ';') continue;
        std::string lowered(line);
        for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return unquote(lowered);
    }
    return {};
}

std::string field(std::string_view text, char delimiter, int n)
{
    for (int k = 1;; ++k) {
        std::size_t end = text.find(delimiter);
        if (k >= n || end == std::string_view::npos) return std::string(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
}

std::int32_t to_integer(std::string_view text)
{
    std::string_view digits = number_text(text);
    std::int32_t value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size())
        throw ConversionError("'" + std::string(text) + "' is not a valid integer value");
    return value;
}

double to_number(std::string_view text)
{
    std::string_view digits = number_text(text);
    double value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size() || !std::isfinite(value))
        throw ConversionError("'" + std::string(text) + "' is not a valid floating point value");
    return value;
}

float to_single(std::string_view text)
{
    double value = to_number(text);
    if (std::fabs(value) > std::numeric_limits<float>::max())
        throw ConversionError("'" + std::string(text) + "' is not a valid floating point value");
    return static_cast<float>(value);
}

std::string format_fixed(double value, int precision, int decimals)
{
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    char buffer[512];
    // The decimal exponent after rounding to `precision` significant digits.
    std::snprintf(buffer, sizeof buffer, "%.*e", precision - 1, value);
    int exponent = std::atoi(std::strchr(buffer, 'e') + 1);
    if (exponent >= precision) {
        std::snprintf(buffer, sizeof buffer, "%.*E", precision - 1, value);
        return buffer;
    }
    int shown = std::min(decimals, precision - 1 - exponent);
    std::snprintf(buffer, sizeof buffer, "%.*f", shown, value);
    std::string text = buffer;
    if (decimals > 0 && shown == 0) text += '.';
    text.append(static_cast<std::size_t>(decimals - shown), '0');
    // A value that rounds to zero is written without a sign.
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

}  // namespace kelanim
