// Decimal numbers in escape sequences (row and column numbers, sizes, colour components).
#pragma once

#include <cstddef>

inline constexpr std::size_t DECIMAL_CAPACITY = 10;  // every unsigned 32-bit value

// Writes the digits of a non-negative value (a negative one counts as 0), most significant
// first, and returns how many there are.
inline std::size_t format_decimal(int value, char (&digits)[DECIMAL_CAPACITY]) {
    char reversed[DECIMAL_CAPACITY];
    std::size_t count = 0;
    unsigned magnitude = value < 0 ? 0u : static_cast<unsigned>(value);
    do {
        reversed[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    for (std::size_t i = 0; i < count; ++i) {
        digits[i] = reversed[count - 1 - i];
    }
    return count;
}

// How many digits format_decimal writes for the value.
inline std::size_t decimal_digits(int value) {
    std::size_t count = 1;
    for (unsigned magnitude = value < 0 ? 0u : static_cast<unsigned>(value); magnitude >= 10;
         magnitude /= 10) {
        ++count;
    }
    return count;
}
