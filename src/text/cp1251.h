// Windows-1251 is the one encoding of the program: on the wire, in files and inside std::string.
// Sources are UTF-8; Russian literals are written "Текст"_cp1251 and become Windows-1251 bytes at
// compile time, so no compiler needs an execution-charset option and a character outside the
// code page is a compile error.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace ozl::text {

// Unicode code points of bytes 0x80..0xFF. 0x98 has no character; it maps to U+0098 as the
// system conversion does, so every byte survives a round trip.
inline constexpr std::array<char16_t, 128> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

inline constexpr char16_t ToUtf16(unsigned char byte) {
  return byte < 0x80 ? char16_t{byte} : kHighHalf[byte - 0x80];
}

// The byte for a code point, or -1 when the code page has none.
inline constexpr int FromCodePoint(char32_t code_point) {
  if (code_point < 0x80) return static_cast<int>(code_point);
  if (code_point >= 0x0410 && code_point <= 0x044F) return static_cast<int>(code_point - 0x0410 + 0xC0);
  for (std::size_t i = 0; i < kHighHalf.size(); ++i) {
    if (kHighHalf[i] == code_point) return static_cast<int>(0x80 + i);
  }
  return -1;
}

std::u16string ToUtf16(std::string_view cp1251);
// Characters outside the code page become '?', as the system conversion's default character.
std::string FromUtf16(std::u16string_view utf16);

// A UTF-8 string literal converted to Windows-1251 during compilation.
template <std::size_t N>
struct Cp1251Literal {
  char bytes[N]{};
  std::size_t size = 0;

  consteval Cp1251Literal(const char (&utf8)[N]) {
    std::size_t i = 0;
    while (i + 1 < N) {
      const auto lead = static_cast<unsigned char>(utf8[i]);
      char32_t code_point = 0;
      std::size_t length = 1;
      if (lead < 0x80) {
        code_point = lead;
      } else if ((lead & 0xE0) == 0xC0) {
        code_point = lead & 0x1F;
        length = 2;
      } else if ((lead & 0xF0) == 0xE0) {
        code_point = lead & 0x0F;
        length = 3;
      } else {
        throw "a character outside Windows-1251 in a _cp1251 literal";
      }
      for (std::size_t k = 1; k < length; ++k) {
        code_point = (code_point << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
      }
      const int byte = FromCodePoint(code_point);
      if (byte < 0) throw "a character outside Windows-1251 in a _cp1251 literal";
      bytes[size++] = static_cast<char>(byte);
      i += length;
    }
  }
};

}  // namespace ozl::text

namespace ozl {

// Not constexpr on purpose: clang 14 crashes when a std::string is constructed straight from a
// constexpr call of this operator. The conversion itself still happens during compilation.
template <text::Cp1251Literal literal>
std::string_view operator""_cp1251() {
  static constexpr auto converted = literal;
  return {converted.bytes, converted.size};
}

}  // namespace ozl
