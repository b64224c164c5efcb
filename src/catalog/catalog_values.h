// Number conversions of catalog attribute values. A value that is not a
// number raises conversion_error, whose text is the message shown to the user.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kelanim {

class conversion_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A decimal integer with an optional sign; surrounding blanks are allowed.
// Raises "'TEXT' is not a valid integer value" otherwise, also when the
// number does not fit 32 bits.
std::int32_t catalog_integer(const std::string& text);

// A decimal number with "." as the decimal separator and an optional
// exponent; surrounding blanks are allowed. Raises
// "'TEXT' is not a valid floating point value" otherwise, also for numbers
// beyond the range of a float and for "inf" and "nan".
float catalog_float(const std::string& text);

}  // namespace kelanim
