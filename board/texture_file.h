#pragma once
// 3DF texture files: a four-line text header, the NCC table (yiq, ayiq8422) or
// palette (p8, ap88), then the texels of every level, largest first, 16-bit
// texels big-endian. gu3dfGetInfo and gu3dfLoad read files through these
// in-memory readers: gu3dfGetInfo needs a well-formed header, gu3dfLoad also
// a length of exactly the header's table and texels.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "render/glide.h"

// The largest 3DF file read: a full 256x256 chain of 16-bit texels, a palette
// and a generous header fit well inside.
inline constexpr std::size_t MAX_3DF_FILE_BYTES = 1u << 20;

struct Parsed3df {
  Gu3dfHeader header;
  std::size_t tableOffset;  // where the NCC table or palette starts
  std::size_t dataOffset;   // where the texels start
  FxU32 memRequired;        // texel bytes of all levels
};

// Reads the header of a file in memory; the offsets need not lie inside it.
bool parse3dfHeader(const std::uint8_t* bytes, std::size_t size, Parsed3df* parsed);
// Reads the header of a whole file in memory and checks it against its length.
bool parse3df(const std::uint8_t* bytes, std::size_t size, Parsed3df* parsed);

// Fills info->table and the mem_required bytes at info->data (16-bit texels
// as host-order words) from a file that parse3df accepted. False when a table
// value is out of range (Y above 255, I or Q outside -256..255).
bool load3dfTexels(const std::uint8_t* bytes, const Parsed3df& parsed, Gu3dfInfo* info);

// The format named in a 3DF header ("rgb565", case-insensitive); false if none.
bool textureFormatFromName(std::string_view name, GrTextureFormat_t* format);
// The 3DF name of a format ("rgb565"); empty for an unknown format.
std::string_view textureFormatName(GrTextureFormat_t format);
