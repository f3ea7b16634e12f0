// The 3DF reader (every format with its table, the header's lod range and
// aspect, files that are inconsistent or hostile) and the texel decoder.

#include "board/texture_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "board/texel_decode.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string header(const std::string& format, const std::string& lods, const std::string& aspect) {
  return "3df v1.0\n" + format + "\nlod range: " + lods + "\naspect ratio: " + aspect + "\n";
}

Bytes fileBytes(const std::string& text, std::size_t dataBytes) {
  Bytes bytes(text.begin(), text.end());
  for (std::size_t k = 0; k < dataBytes; ++k) bytes.push_back(std::uint8_t(k * 7));
  return bytes;
}

// Each test its own file: ctest runs the tests in parallel processes.
std::string writeFile(const Bytes& bytes) {
  std::filesystem::create_directories(WILDSKY_TEST_OUTPUT_DIR);
  std::string path = std::string(WILDSKY_TEST_OUTPUT_DIR) + "/" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".3df";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  return path;
}

bool getInfo(const Bytes& bytes, Gu3dfInfo* info) {
  *info = {};
  return gu3dfGetInfo(writeFile(bytes).c_str(), info) != FXFALSE;
}

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
  const std::vector<std::uint8_t> bytes(c.texels.begin(), c.texels.end());
  std::vector<std::uint32_t> out(c.texels.size(), 0xdeadbeefu);
  decodeTexels(c.format,
               texelBytes(c.format) == 1 ? static_cast<const void*>(bytes.data()) : c.texels.data(),
               int(c.texels.size()), 1, table, out.data());
  return out;
}

}  // namespace

// A 4x4 texture with levels 4, 2, 1 (21 texels) in every format: the table
// and the texels (16-bit ones turned from big-endian to host order).
TEST(TextureFile, LoadsEveryFormatWithItsTable) {
  const char* names[] = {"rgb332",   "yiq",    "a8",       "i8",       "ai44", "p8",  "argb8332",
                         "ayiq8422", "RGB565", "argb1555", "Argb4444", "ai88", "ap88"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    GrTextureFormat_t format;
    ASSERT_TRUE(textureFormatFromName(name, &format));
    bool ncc = format == GR_TEXFMT_YIQ_422 || format == GR_TEXFMT_AYIQ_8422;
    bool pal = format == GR_TEXFMT_P_8 || format == GR_TEXFMT_AP_88;
    std::size_t texel = format >= GR_TEXFMT_ARGB_8332 ? 2 : 1;
    Bytes bytes = fileBytes(header(name, "1 4", "1 1"), 0);
    if (ncc) {
      for (int k = 0; k < 16; ++k) bytes.insert(bytes.end(), {0, std::uint8_t(k * 16 + 3)});
      for (int k = 0; k < 24; ++k) {
        std::int16_t v = std::int16_t(k % 2 ? -256 + k : 255 - k);
        bytes.insert(bytes.end(), {std::uint8_t(std::uint16_t(v) >> 8), std::uint8_t(v)});
      }
    }
    for (int k = 0; pal && k < 256; ++k) bytes.insert(bytes.end(), {0x80, 1, 2, std::uint8_t(k)});
    for (int k = 0; k < 21; ++k) {
      if (texel == 2) bytes.push_back(0xa0);
      bytes.push_back(std::uint8_t(k));
    }

    Gu3dfInfo info;
    ASSERT_TRUE(getInfo(bytes, &info));
    EXPECT_EQ(info.header.format, format);
    ASSERT_EQ(info.mem_required, 21 * texel);
    std::vector<std::uint16_t> data(22, 0xeeee);  // one guard word past the buffer
    info.data = data.data();
    ASSERT_TRUE(gu3dfLoad(writeFile(bytes).c_str(), &info));
    const auto* loaded = reinterpret_cast<const std::uint8_t*>(data.data());
    for (int k = 0; k < 21; ++k) {
      EXPECT_EQ(texel == 2 ? data[k] : loaded[k], texel == 2 ? 0xa000 + k : k);
    }
    EXPECT_EQ(loaded[21 * texel], 0xee) << "written past mem_required";
    if (ncc) {
      EXPECT_EQ(info.table.nccTable.yRGB[15], 243);
      EXPECT_EQ(info.table.nccTable.iRGB[0][0], 255);
      EXPECT_EQ(info.table.nccTable.iRGB[0][1], -255);
      EXPECT_EQ(info.table.nccTable.qRGB[3][2], -233);
    }
    if (pal) {
      EXPECT_EQ(info.table.palette.data[200], 0x800102c8u);
    }
  }
}

// Both orders of the lod range give the same texture; each aspect has its
// largest level and its chain down to 1x1 (sizes summed by hand).
TEST(TextureFile, LodOrderAndEveryAspect) {
  struct Aspect {
    const char* text;
    GrAspectRatio_t aspect;
    unsigned width, height, bytes;
  };
  const Aspect aspects[] = {
      {"8 1", GR_ASPECT_8x1, 256, 32, 10927},  {"4 1", GR_ASPECT_4x1, 256, 64, 21847},
      {"2 1", GR_ASPECT_2x1, 256, 128, 43691}, {"1 1", GR_ASPECT_1x1, 256, 256, 87381},
      {"1 2", GR_ASPECT_1x2, 128, 256, 43691}, {"1 4", GR_ASPECT_1x4, 64, 256, 21847},
      {"1 8", GR_ASPECT_1x8, 32, 256, 10927}};
  for (const Aspect& a : aspects) {
    for (const char* lods : {"1 256", "256 1"}) {
      SCOPED_TRACE(std::string(a.text) + " / " + lods);
      Gu3dfInfo info;
      ASSERT_TRUE(getInfo(fileBytes(header("i8", lods, a.text), a.bytes), &info));
      EXPECT_EQ(info.header.aspect_ratio, a.aspect);
      EXPECT_EQ(info.header.width, a.width);
      EXPECT_EQ(info.header.height, a.height);
      EXPECT_EQ(info.header.large_lod, GR_LOD_256);
      EXPECT_EQ(info.header.small_lod, GR_LOD_1);
      EXPECT_EQ(info.mem_required, a.bytes);
    }
  }
  // A partial chain of 16-bit texels: 32x16 and 16x8, with a CRLF header.
  Gu3dfInfo info;
  ASSERT_TRUE(getInfo(
      fileBytes("3df v1.0\r\nargb1555\r\nlod range: 16 32\r\naspect ratio: 2 1\r\n", 2 * 640),
      &info));
  EXPECT_EQ(info.header.large_lod, GR_LOD_32);
  EXPECT_EQ(info.header.small_lod, GR_LOD_16);
  EXPECT_EQ(info.header.width, 32u);
  EXPECT_EQ(info.header.height, 16u);
}

TEST(TextureFile, RefusesBadHeadersAndSizes) {
  const std::size_t good = 21;  // i8, lod range 1 4
  const std::vector<std::pair<const char*, Bytes>> bad = {
      {"unknown format", fileBytes(header("rgb888", "1 4", "1 1"), good)},
      {"reserved format", fileBytes(header("rsvd0", "1 4", "1 1"), good)},
      {"wrong magic", fileBytes("3dg v1.0\ni8\nlod range: 1 4\naspect ratio: 1 1\n", good)},
      {"no version", fileBytes("3df v\ni8\nlod range: 1 4\naspect ratio: 1 1\n", good)},
      {"lod too large", fileBytes(header("i8", "1 512", "1 1"), good)},
      {"lod zero", fileBytes(header("i8", "0 4", "1 1"), good)},
      {"lod not a power", fileBytes(header("i8", "3 4", "1 1"), good)},
      {"lod absurd", fileBytes(header("i8", "1 99999999999999999999", "1 1"), good)},
      {"lod negative", fileBytes(header("i8", "-1 4", "1 1"), good)},
      {"lod missing", fileBytes(header("i8", "4", "1 1"), good)},
      {"lod extra", fileBytes(header("i8", "1 4 8", "1 1"), good)},
      {"aspect 3 1", fileBytes(header("i8", "1 4", "3 1"), good)},
      {"aspect 1 16", fileBytes(header("i8", "1 4", "1 16"), good)},
      {"aspect 2 2", fileBytes(header("i8", "1 4", "2 2"), good)},
      {"short data", fileBytes(header("i8", "1 4", "1 1"), good - 1)},
      {"extra data", fileBytes(header("i8", "1 4", "1 1"), good + 1)},
      {"short palette", fileBytes(header("p8", "1 4", "1 1"), 1000)},
      {"short table", fileBytes(header("yiq", "1 1", "1 1"), 79)},
      {"three lines", fileBytes("3df v1.0\ni8\nlod range: 1 4\n", 0)},
      {"no final newline", fileBytes("3df v1.0\ni8\nlod range: 1 1\naspect ratio: 1 1", 0)},
      {"endless line", Bytes(5000, 'a')},
      {"empty", Bytes{}},
  };
  for (const auto& [what, bytes] : bad) {
    Gu3dfInfo info;
    EXPECT_FALSE(getInfo(bytes, &info)) << what;
  }
  Gu3dfInfo info{};
  EXPECT_FALSE(gu3dfGetInfo(WILDSKY_TEST_OUTPUT_DIR "/no_such_file.3df", &info));
  EXPECT_FALSE(gu3dfGetInfo(nullptr, &info));
}

// Table values beyond what the board's registers hold, and loads whose buffer
// does not match the file, are refused by gu3dfLoad.
TEST(TextureFile, LoadRefusesHostileTablesAndMismatchedBuffers) {
  std::uint8_t buffer[64] = {};
  const std::string text = header("yiq", "1 1", "1 1");
  Bytes yiq(text.begin(), text.end());
  yiq.resize(yiq.size() + 81);  // a zero table and one texel
  Gu3dfInfo info;
  ASSERT_TRUE(getInfo(yiq, &info));
  info.data = buffer;
  EXPECT_TRUE(gu3dfLoad(writeFile(yiq).c_str(), &info));

  // Y[0] = 256, I[0][0] = 256, Q[0][0] = -512.
  for (std::size_t offset : {std::size_t(0), std::size_t(32), std::size_t(56)}) {
    Bytes hostile = yiq;
    hostile[text.size() + offset] = offset == 56 ? 0xfe : 1;
    info.data = buffer;
    EXPECT_FALSE(gu3dfLoad(writeFile(hostile).c_str(), &info)) << offset;
  }
  info.data = nullptr;
  EXPECT_FALSE(gu3dfLoad(writeFile(yiq).c_str(), &info));
  info.data = buffer;
  info.mem_required = 64;  // the file has changed since gu3dfGetInfo
  EXPECT_FALSE(gu3dfLoad(writeFile(yiq).c_str(), &info));
}

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
