#pragma once
// Builds a 3D Studio chunk stream in memory: little-endian values, chunks
// opened with begin() and closed with end(), which fills in the length.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class ChunkWriter {
 public:
  void begin(std::uint16_t id);  // opens a chunk; end() fills in its length
  void end();
  // A header with a length of our choosing that end() does not touch, for
  // chunks that lie about their size.
  void header(std::uint16_t id, std::uint32_t length);
  void u8(std::uint8_t v);
  void u16(std::uint16_t v);
  void u32(std::uint32_t v);
  void f32(float v);
  void str(std::string_view text);  // the bytes and a terminating zero
  void raw(const void* data, std::size_t size);
  const std::vector<std::uint8_t>& bytes() const;
  bool save(const std::string& path) const;

 private:
  std::vector<std::uint8_t> data_;
  std::vector<std::size_t> open_;
};
