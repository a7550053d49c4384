// Length-prefixed texts of single-byte Windows-1252 characters with a fixed
// capacity. Assigning or appending more than fits keeps the first characters.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

template <std::size_t Capacity>
struct FixedText {
  static_assert(Capacity <= 255, "the length is one byte");
  static constexpr std::size_t capacity = Capacity;

  std::uint8_t length = 0;
  std::array<char, Capacity> chars{};

  constexpr FixedText() = default;
  constexpr FixedText(std::string_view text) { append(text); }  // NOLINT: texts convert freely
  constexpr FixedText(const char* text) : FixedText(std::string_view(text)) {}
  FixedText(const std::string& text) : FixedText(std::string_view(text)) {}

  template <std::size_t Other>
  constexpr FixedText(const FixedText<Other>& other) {
    append(other.view());
  }

  constexpr std::string_view view() const { return {chars.data(), length}; }
  std::string str() const { return std::string(view()); }
  constexpr std::size_t size() const { return length; }
  constexpr bool empty() const { return length == 0; }

  // Characters are counted from 1, as the note language counts positions.
  // A position outside the text reads as 0.
  constexpr unsigned char at(std::size_t position) const {
    if (position < 1 || position > length) return 0;
    return static_cast<unsigned char>(chars[position - 1]);
  }

  constexpr void append(std::string_view text) {
    for (char c : text) {
      if (length == Capacity) return;
      chars[length++] = c;
    }
  }
  constexpr void append(char c) { append(std::string_view(&c, 1)); }

  // The characters from position first to last, both counted from 1.
  constexpr std::string_view slice(std::size_t first, std::size_t last) const {
    if (first < 1 || first > last || first > length) return {};
    if (last > length) last = length;
    return view().substr(first - 1, last - first + 1);
  }
};

template <std::size_t A, std::size_t B>
constexpr bool operator==(const FixedText<A>& a, const FixedText<B>& b) {
  return a.view() == b.view();
}
template <std::size_t A>
constexpr bool operator==(const FixedText<A>& a, std::string_view b) {
  return a.view() == b;
}

template <std::size_t A, std::size_t B>
constexpr FixedText<A> operator+(FixedText<A> a, const FixedText<B>& b) {
  a.append(b.view());
  return a;
}
template <std::size_t A>
constexpr FixedText<A> operator+(FixedText<A> a, std::string_view b) {
  a.append(b);
  return a;
}

// The working text of the program: arguments, library lines, titles, names.
using ShortText = FixedText<255>;
