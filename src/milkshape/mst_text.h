// Text routines of the .mst reader and writer: significant lines, fields,
// strict number conversion and the fixed-point number form.
#pragma once

#include <cstdint>
#include <istream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kelanim {

// A text that should have been a number. what() is the message for the user.
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The next significant line: blanks and control characters trimmed from both
// ends, comment lines (";" first) and empty lines skipped; "" at the end of
// the input. The line is lower-cased, its double quotes removed and every
// space between an opening and a closing quote turned into "_".
std::string next_line(std::istream& in);

// The n-th field (from 1) of `text` split at every `delimiter`; consecutive
// delimiters give empty fields. A text with fewer fields gives its last one.
std::string field(std::string_view text, char delimiter, int n);

// Decimal integer, blanks around it allowed. Throws ConversionError
// "'<text>' is not a valid integer value".
std::int32_t to_integer(std::string_view text);
// Decimal number, blanks around it allowed; must be finite. Throws
// ConversionError "'<text>' is not a valid floating point value".
double to_number(std::string_view text);
// As to_number, and also within the range of a single.
float to_single(std::string_view text);

// `value` rounded to `precision` significant digits, written with exactly
// `decimals` digits after the point (fewer significant digits are padded
// with zeros); a value with more than `precision` digits before the point
// is written in exponent form.
std::string format_fixed(double value, int precision, int decimals);

}  // namespace kelanim
