// The writers escape sequences are written with. They take the same calls (bytes, byte,
// literal, number), so an encoding is written once and can go to any of them:
//   - ByteWriter writes into a buffer without a bounds check per byte: a frame's buffer is sized
//     for the longest frame there can be (ANSI_FRAME_WORST_CASE), and the frame path stays fast;
//   - BoundedWriter stops at a capacity, for the few bytes of the terminal's set-up and restore;
//   - ByteCounter only counts, so that one encoding can be priced by the very code that writes it.
#pragma once

#include <cstddef>
#include <cstring>

#include "platform/ansi/decimal.hpp"

// The calls every writer shares, over its own bytes() (a base of each writer, not an interface:
// nothing is virtual).
template <class Writer>
class WriterCalls {
public:
    template <std::size_t N>
    void literal(const char (&text)[N]) {
        self().bytes(text, N - 1);
    }
    void number(int value) {
        char digits[DECIMAL_CAPACITY];
        const std::size_t count = format_decimal(value, digits);
        self().bytes(digits, count);
    }

private:
    Writer& self() { return static_cast<Writer&>(*this); }
};

class ByteWriter : public WriterCalls<ByteWriter> {
public:
    explicit ByteWriter(char* out, std::size_t length = 0) : out_(out), length_(length) {}
    void bytes(const char* text, std::size_t length) {
        std::memcpy(out_ + length_, text, length);
        length_ += length;
    }
    void byte(char c) { out_[length_++] = c; }
    std::size_t length() const { return length_; }

private:
    char* out_;
    std::size_t length_;
};

class BoundedWriter : public WriterCalls<BoundedWriter> {
public:
    BoundedWriter(char* out, std::size_t capacity) : out_(out), capacity_(capacity) {}
    void bytes(const char* text, std::size_t length) {
        for (std::size_t i = 0; i < length; ++i) {
            byte(text[i]);
        }
    }
    void byte(char c) {
        if (length_ < capacity_) {
            out_[length_++] = c;
        }
    }
    std::size_t length() const { return length_; }

private:
    char* out_;
    std::size_t capacity_;
    std::size_t length_ = 0;
};

class ByteCounter : public WriterCalls<ByteCounter> {
public:
    void bytes(const char*, std::size_t length) { length_ += length; }
    void byte(char) { ++length_; }
    void number(int value) { length_ += static_cast<std::size_t>(decimal_digits(value)); }
    std::size_t length() const { return length_; }

private:
    std::size_t length_ = 0;
};
