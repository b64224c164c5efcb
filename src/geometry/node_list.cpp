#include "geometry/node_list.h"

namespace kelanim {

std::string int_to_key(std::int64_t value, int width)
{
    std::string digits = std::to_string(value);
    if (width > 0 && digits.size() < std::size_t(width)) digits.insert(0, std::size_t(width) - digits.size(), ' ');
    return digits;
}

namespace node_order {

int compare_names(const std::string* a, const std::string* b)
{
    if (!a || !b) return (a ? 1 : 0) - (b ? 1 : 0);
    // Byte by byte as unsigned bytes, a shorter name before its extensions.
    const int c = a->compare(*b);
    return (c > 0) - (c < 0);
}

}  // namespace node_order
}  // namespace kelanim
