#pragma once
// Hand-made chunk streams as strings: chunk(id, body) nests, header() lies
// about a length, the rest spell little-endian values.

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/writer3ds/chunk_ids.h"

// Little-endian values, a chunk header claiming `length` bytes, and a chunk
// whose length fits its body.
inline std::string le(std::uint32_t value, int size) {
  std::string out;
  for (int b = 0; b < size; ++b) out += static_cast<char>(value >> (8 * b));
  return out;
}
inline std::string u16s(std::initializer_list<std::uint16_t> values) {
  std::string out;
  for (std::uint16_t v : values) out += le(v, 2);
  return out;
}
inline std::string f32s(const std::vector<float>& values) {
  std::string out;
  for (float v : values) out += le(std::bit_cast<std::uint32_t>(v), 4);
  return out;
}
inline std::string header(std::uint16_t id, std::uint32_t length) {
  return le(id, 2) + le(length, 4);
}
inline std::string chunk(std::uint16_t id, std::string_view body) {
  return header(id, static_cast<std::uint32_t>(body.size() + 6)).append(body);
}
inline std::string text(const std::string& s) { return s + '\0'; }
