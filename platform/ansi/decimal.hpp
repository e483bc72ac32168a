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

// How many digits format_decimal writes for the value. The encoder prices every cursor move and
// colour with it, and the numbers it writes are small: a chain of comparisons, smallest first.
inline int decimal_digits(int value) {
    if (value < 10) {
        return 1;
    }
    if (value < 100) {
        return 2;
    }
    if (value < 1000) {
        return 3;
    }
    if (value < 10000) {
        return 4;
    }
    return value < 100000 ? 5 : 5 + decimal_digits(value / 100000);
}
