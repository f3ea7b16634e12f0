#include "tools/writer3ds/chunk_writer.h"

#include <bit>
#include <cstdio>
#include <stdexcept>

#include "tools/output_files/output_files.h"

void ChunkWriter::begin(std::uint16_t id) {
  open_.push_back(data_.size());
  header(id, 0);
}

void ChunkWriter::end() {
  if (open_.empty()) throw std::logic_error("ChunkWriter::end without begin");
  const std::size_t start = open_.back();
  open_.pop_back();
  const auto length = static_cast<std::uint32_t>(data_.size() - start);
  for (int i = 0; i < 4; ++i) data_[start + 2 + i] = static_cast<std::uint8_t>(length >> (8 * i));
}

void ChunkWriter::header(std::uint16_t id, std::uint32_t length) {
  u16(id);
  u32(length);
}

void ChunkWriter::u8(std::uint8_t v) { data_.push_back(v); }

void ChunkWriter::u16(std::uint16_t v) {
  u8(static_cast<std::uint8_t>(v));
  u8(static_cast<std::uint8_t>(v >> 8));
}

void ChunkWriter::u32(std::uint32_t v) {
  u16(static_cast<std::uint16_t>(v));
  u16(static_cast<std::uint16_t>(v >> 16));
}

void ChunkWriter::f32(float v) { u32(std::bit_cast<std::uint32_t>(v)); }

void ChunkWriter::str(std::string_view text) {
  raw(text.data(), text.size());
  u8(0);
}

void ChunkWriter::raw(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  data_.insert(data_.end(), bytes, bytes + size);
}

const std::vector<std::uint8_t>& ChunkWriter::bytes() const { return data_; }

bool ChunkWriter::save(const std::string& path) const { return saveBytes(path, data_); }
