#include "board/texture_file.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "board/texel_decode.h"
#include "board/texture_memory.h"
#include "board/trace_recorder.h"
#include "platform/file_names.h"

namespace {

constexpr std::array<std::string_view, 16> FORMAT_NAMES = {
    "rgb332",   "yiq",      "a8",     "i8",       "ai44",     "p8",   "",     "",
    "argb8332", "ayiq8422", "rgb565", "argb1555", "argb4444", "ai88", "ap88", ""};

constexpr std::size_t NCC_TABLE_BYTES = (16 + 12 + 12) * 2;
constexpr std::size_t PALETTE_BYTES = 256 * 4;
// A header line longer than this is not a 3DF header.
constexpr std::size_t MAX_LINE = 64;

char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (lower(a[k]) != lower(b[k])) return false;
  }
  return true;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Cuts the next line-feed-terminated line off `rest`.
bool nextLine(std::string_view* rest, std::string_view* line) {
  std::size_t end = rest->substr(0, MAX_LINE + 1).find('\n');
  if (end == std::string_view::npos) return false;
  *line = rest->substr(0, end);
  rest->remove_prefix(end + 1);
  return true;
}

// "prefix: A B" with A and B small decimal numbers.
bool parsePair(std::string_view line, std::string_view prefix, int* a, int* b) {
  line = trim(line);
  if (line.size() < prefix.size() || !equalsIgnoringCase(line.substr(0, prefix.size()), prefix)) {
    return false;
  }
  line.remove_prefix(prefix.size());
  int* targets[2] = {a, b};
  for (int* target : targets) {
    line = trim(line);
    std::size_t digits = 0;
    int value = 0;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') {
      if (value > 9999) return false;
      value = value * 10 + (line[digits++] - '0');
    }
    if (digits == 0) return false;
    *target = value;
    line.remove_prefix(digits);
  }
  return trim(line).empty();
}

// The lod of a level whose larger side is `side`; false unless a power of two 1..256.
bool lodForSide(int side, GrLOD_t* lod) {
  for (GrLOD_t l = GR_LOD_256; l <= GR_LOD_1; ++l) {
    if (side == 256 >> l) {
      *lod = l;
      return true;
    }
  }
  return false;
}

bool aspectForRatio(int width, int height, GrAspectRatio_t* aspect) {
  constexpr std::array<std::array<int, 2>, 7> RATIOS = {
      {{8, 1}, {4, 1}, {2, 1}, {1, 1}, {1, 2}, {1, 4}, {1, 8}}};
  for (std::size_t k = 0; k < RATIOS.size(); ++k) {
    if (RATIOS[k][0] == width && RATIOS[k][1] == height) {
      *aspect = GrAspectRatio_t(k);
      return true;
    }
  }
  return false;
}

std::uint16_t bigEndian16(const std::uint8_t* p) { return std::uint16_t(p[0] << 8 | p[1]); }

std::uint32_t bigEndian32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

std::size_t tableBytes(GrTextureFormat_t format) {
  if (format == GR_TEXFMT_YIQ_422 || format == GR_TEXFMT_AYIQ_8422) return NCC_TABLE_BYTES;
  if (format == GR_TEXFMT_P_8 || format == GR_TEXFMT_AP_88) return PALETTE_BYTES;
  return 0;
}

// The NCC table's entries as the board's registers hold them: four Y values
// per word, and each I or Q entry as three 9-bit fields.
void packNccTable(GuNccTable* ncc) {
  for (int k = 0; k < 4; ++k) {
    const FxU8* y = ncc->yRGB + 4 * k;
    ncc->packed_data[k] = FxU32(y[3]) << 24 | FxU32(y[2]) << 16 | FxU32(y[1]) << 8 | y[0];
    for (int half = 0; half < 2; ++half) {
      const FxI16* e = half == 0 ? ncc->iRGB[k] : ncc->qRGB[k];
      ncc->packed_data[4 + 4 * half + k] =
          (FxU32(e[0]) & 0x1ff) << 18 | (FxU32(e[1]) & 0x1ff) << 9 | (FxU32(e[2]) & 0x1ff);
    }
  }
}

bool readNccTable(const std::uint8_t* p, GuNccTable* ncc) {
  *ncc = {};
  for (int k = 0; k < 16; ++k, p += 2) {
    std::uint16_t y = bigEndian16(p);
    if (y > 255) return false;
    ncc->yRGB[k] = FxU8(y);
  }
  for (FxI16(*entries)[3] : {ncc->iRGB, ncc->qRGB}) {
    for (int k = 0; k < 4; ++k) {
      for (int c = 0; c < 3; ++c, p += 2) {
        auto value = std::int16_t(bigEndian16(p));
        if (value < -256 || value > 255) return false;
        entries[k][c] = value;
      }
    }
  }
  packNccTable(ncc);
  return true;
}

// The file up to the length of the longest 3DF file, and in *whole whether
// that was all of it; false when it is missing, unreadable or the host has
// no memory to read it into.
bool readTextureBytes(const char* fileName, std::vector<std::uint8_t>* bytes, bool* whole) {
  if (!fileName) return false;
  const OwnedFile file(openFile(fileName, "rb"));
  if (!file) return false;
  try {
    *whole = readWholeFile(file.get(), MAX_3DF_FILE_BYTES, bytes);
    return !std::ferror(file.get());
  } catch (const std::bad_alloc&) {
    return false;  // without room to read it the file cannot be loaded
  }
}

// The whole file, or false as above or when it is longer than any 3DF file.
bool readTextureFile(const char* fileName, std::vector<std::uint8_t>* bytes) {
  bool whole = false;
  return readTextureBytes(fileName, bytes, &whole) && whole;
}

}  // namespace

bool textureFormatFromName(std::string_view name, GrTextureFormat_t* format) {
  for (std::size_t k = 0; k < FORMAT_NAMES.size(); ++k) {
    if (!FORMAT_NAMES[k].empty() && equalsIgnoringCase(name, FORMAT_NAMES[k])) {
      *format = GrTextureFormat_t(k);
      return true;
    }
  }
  return false;
}

std::string_view textureFormatName(GrTextureFormat_t format) {
  return format >= 0 && std::size_t(format) < FORMAT_NAMES.size() ? FORMAT_NAMES[format] : "";
}

bool parse3dfHeader(const std::uint8_t* bytes, std::size_t size, Parsed3df* parsed) {
  std::string_view rest(reinterpret_cast<const char*>(bytes), size);
  std::string_view magic, formatLine, lodLine, aspectLine;
  if (!nextLine(&rest, &magic) || !nextLine(&rest, &formatLine) || !nextLine(&rest, &lodLine) ||
      !nextLine(&rest, &aspectLine)) {
    return false;
  }
  magic = trim(magic);
  if (magic.size() <= 5 || !equalsIgnoringCase(magic.substr(0, 5), "3df v")) return false;

  Gu3dfHeader header{};
  int smallSide, largeSide, ratioWidth, ratioHeight;
  if (!textureFormatFromName(trim(formatLine), &header.format) ||
      !parsePair(lodLine, "lod range:", &smallSide, &largeSide) ||
      !parsePair(aspectLine, "aspect ratio:", &ratioWidth, &ratioHeight) ||
      !lodForSide(smallSide, &header.small_lod) || !lodForSide(largeSide, &header.large_lod) ||
      !aspectForRatio(ratioWidth, ratioHeight, &header.aspect_ratio)) {
    return false;
  }
  if (header.small_lod < header.large_lod) std::swap(header.small_lod, header.large_lod);
  int width = 1, height = 1;
  levelSize(header.large_lod, header.aspect_ratio, &width, &height);
  header.width = FxU32(width);
  header.height = FxU32(height);

  std::size_t tableOffset = size - rest.size();
  std::size_t dataOffset = tableOffset + tableBytes(header.format);
  std::size_t memRequired =
      mipMapBytes(header.format, header.small_lod, header.large_lod, header.aspect_ratio);
  *parsed = {header, tableOffset, dataOffset, FxU32(memRequired)};
  return true;
}

bool parse3df(const std::uint8_t* bytes, std::size_t size, Parsed3df* parsed) {
  return parse3dfHeader(bytes, size, parsed) && parsed->dataOffset <= size &&
         size - parsed->dataOffset == parsed->memRequired;
}

bool load3dfTexels(const std::uint8_t* bytes, const Parsed3df& parsed, Gu3dfInfo* info) {
  GrTextureFormat_t format = parsed.header.format;
  info->table = {};
  if (format == GR_TEXFMT_YIQ_422 || format == GR_TEXFMT_AYIQ_8422) {
    if (!readNccTable(bytes + parsed.tableOffset, &info->table.nccTable)) return false;
  } else if (format == GR_TEXFMT_P_8 || format == GR_TEXFMT_AP_88) {
    for (int k = 0; k < 256; ++k) {
      info->table.palette.data[k] = bigEndian32(bytes + parsed.tableOffset + 4 * k);
    }
  }
  const std::uint8_t* texels = bytes + parsed.dataOffset;
  auto* out = static_cast<std::uint8_t*>(info->data);
  if (texelBytes(format) == 1) {
    std::memcpy(out, texels, parsed.memRequired);
    return true;
  }
  for (std::size_t k = 0; k + 1 < parsed.memRequired; k += 2) {
    std::uint16_t word = bigEndian16(texels + k);
    std::memcpy(out + k, &word, 2);
  }
  return true;
}

// The header alone, from which the caller allocates the texels: a file cut
// short or too long is refused by gu3dfLoad, so that the program reports a
// file it cannot load, not one it cannot find.
FxBool gu3dfGetInfo(const char* fileName, Gu3dfInfo* info) {
  traceCall(TraceOp::Gu3dfGetInfo, fileName, info);
  std::vector<std::uint8_t> bytes;
  bool whole = false;
  Parsed3df parsed;
  if (!info || !readTextureBytes(fileName, &bytes, &whole) ||
      !parse3dfHeader(bytes.data(), bytes.size(), &parsed)) {
    return FXFALSE;
  }
  info->header = parsed.header;
  info->mem_required = parsed.memRequired;
  return FXTRUE;
}

// The caller's buffer holds info->mem_required bytes: a file that no longer
// matches that size (changed since gu3dfGetInfo) is refused.
FxBool gu3dfLoad(const char* fileName, Gu3dfInfo* info) {
  traceCall(TraceOp::Gu3dfLoad, fileName, info);
  std::vector<std::uint8_t> bytes;
  Parsed3df parsed;
  if (!info || !info->data || !readTextureFile(fileName, &bytes) ||
      !parse3df(bytes.data(), bytes.size(), &parsed) || parsed.memRequired != info->mem_required) {
    return FXFALSE;
  }
  if (!load3dfTexels(bytes.data(), parsed, info)) return FXFALSE;
  info->header = parsed.header;
  return FXTRUE;
}
