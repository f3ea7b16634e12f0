#include "board/texel_decode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

GuTexTable nccTable() {
  GuTexTable table{};
  for (int k = 0; k < 16; ++k) table.nccTable.yRGB[k] = std::uint8_t(k * 16);
  table.nccTable.yRGB[15] = 250;
  table.nccTable.iRGB[1][0] = 10;
  table.nccTable.iRGB[1][1] = -5;
  table.nccTable.qRGB[2][0] = 20;
  table.nccTable.qRGB[2][2] = -256;
  return table;
}

GuTexTable palette() {
  GuTexTable table{};
  for (int k = 0; k < 256; ++k) table.palette.data[k] = 0xaa000000u | std::uint32_t(k);
  table.palette.data[7] = 0x12345678u;
  return table;
}

struct Case {
  GrTextureFormat_t format;
  std::vector<std::uint16_t> texels;  // bytes or words, one per texel
  std::vector<std::uint32_t> expected;
};

std::vector<std::uint32_t> decode(const Case& c, const GuTexTable* table) {
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint16_t> words = c.texels;
  for (std::uint16_t t : c.texels) bytes.push_back(std::uint8_t(t));
  const void* src = texelBytes(c.format) == 1 ? static_cast<const void*>(bytes.data())
                                              : static_cast<const void*>(words.data());
  std::vector<std::uint32_t> out(c.texels.size(), 0xdeadbeefu);
  decodeTexels(c.format, src, int(c.texels.size()), 1, table, out.data());
  return out;
}

}  // namespace

// Expected values worked out by hand from the bit layouts and replication.
TEST(TexelDecode, EveryFormatMatchesHandComputedTexels) {
  GuTexTable ncc = nccTable(), pal = palette();
  const std::vector<Case> cases = {
      {GR_TEXFMT_RGB_332, {0xe3, 0x49, 0x00}, {0xffff00ff, 0xff494955, 0xff000000}},
      // y 15, i 1, q 2: R 250+10+20 clamps to 255, G 250-5, B 250-256 clamps to 0.
      {GR_TEXFMT_YIQ_422, {0xf6, 0x10}, {0xfffff500, 0xff101010}},
      {GR_TEXFMT_ALPHA_8, {0x80, 0xff}, {0x80808080, 0xffffffff}},
      {GR_TEXFMT_INTENSITY_8, {0x80, 0x00}, {0xff808080, 0xff000000}},
      {GR_TEXFMT_ALPHA_INTENSITY_44, {0x3c, 0xf0}, {0x33cccccc, 0xff000000}},
      {GR_TEXFMT_P_8, {0x07, 0xff}, {0xff345678, 0xff0000ff}},
      {GR_TEXFMT_ARGB_8332, {0x80e3, 0x0049}, {0x80ff00ff, 0x00494955}},
      {GR_TEXFMT_AYIQ_8422, {0x40f6}, {0x40fff500}},
      {GR_TEXFMT_RGB_565, {0x07e0, 0x8410, 0xffff}, {0xff00ff00, 0xff848284, 0xffffffff}},
      {GR_TEXFMT_ARGB_1555, {0x7c00, 0x8001}, {0x00ff0000, 0xff000008}},
      {GR_TEXFMT_ARGB_4444, {0x1234, 0xf00f}, {0x11223344, 0xff0000ff}},
      {GR_TEXFMT_ALPHA_INTENSITY_88, {0x7f20}, {0x7f202020}},
      {GR_TEXFMT_AP_88, {0x8007, 0x00ff}, {0x80345678, 0x000000ff}},
  };
  for (const Case& c : cases) {
    bool usesNcc = c.format == GR_TEXFMT_YIQ_422 || c.format == GR_TEXFMT_AYIQ_8422;
    EXPECT_EQ(decode(c, usesNcc ? &ncc : &pal), c.expected) << "format " << c.format;
  }
}

// A format that needs a table and gets none, or an unknown format, decodes
// as opaque black instead of reading through a null table.
TEST(TexelDecode, MissingTablesAndUnknownFormatsAreSafe) {
  EXPECT_EQ(decode({GR_TEXFMT_P_8, {1, 2}, {}}, nullptr),
            (std::vector<std::uint32_t>{0xff000000, 0xff000000}));
  EXPECT_EQ(decode({GR_TEXFMT_RSVD1, {1}, {}}, nullptr), (std::vector<std::uint32_t>{0xff000000}));
}
