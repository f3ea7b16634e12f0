// Textures: the 3DF reader (the file calls, the header's lod range and
// aspect, inconsistent files, loads into a buffer that does not fit), the
// texel decoder, texture memory of unit 0 (exhaustion, refusals) and the
// sampler reading a texture at its edges.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "board/texel_decode.h"
#include "board/texture_file.h"
#include "board/texture_memory.h"
#include "board/texture_sampler.h"

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

// Through both file calls, into a buffer of the size the header gives.
bool loads(const Bytes& bytes) {
  const std::string path = writeFile(bytes);
  Gu3dfInfo info{};
  if (!gu3dfGetInfo(path.c_str(), &info)) return false;
  std::vector<std::uint8_t> texels(info.mem_required);
  info.data = texels.data();
  return gu3dfLoad(path.c_str(), &info) != FXFALSE;
}

GrMipMapId_t allocate(int width, int height, GrTextureFormat_t format, GrLOD_t smallLod,
                      GrLOD_t largeLod, GrAspectRatio_t aspect,
                      GrMipMapMode_t mipmap = GR_MIPMAP_NEAREST) {
  return guTexAllocateMemory(GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, width, height, format, mipmap,
                             smallLod, largeLod, aspect, GR_TEXTURECLAMP_WRAP,
                             GR_TEXTURECLAMP_CLAMP, GR_TEXTUREFILTER_BILINEAR,
                             GR_TEXTUREFILTER_POINT_SAMPLED, 0.0f, FXFALSE);
}

}  // namespace

// A 4x4 argb4444 texture with levels 4, 2, 1 (21 texels) through the file
// calls: the texels turned from big-endian to host order and nothing written
// past mem_required; a buffer missing or of another size than the file needs
// is refused. The lod range is given largest first and the lines end in CRLF,
// which the tex3df round trips (every format, table and aspect) never write.
TEST(TextureFile, LoadsThroughTheFileCallsIntoABufferOfExactlyItsSize) {
  Bytes bytes = fileBytes("3df v1.0\r\nArgb4444\r\nlod range: 4 1\r\naspect ratio: 1 1\r\n", 0);
  for (int k = 0; k < 21; ++k) bytes.insert(bytes.end(), {0xa0, std::uint8_t(k)});
  Gu3dfInfo info;
  ASSERT_TRUE(getInfo(bytes, &info));
  EXPECT_EQ(info.header.format, GR_TEXFMT_ARGB_4444);
  ASSERT_EQ(info.mem_required, 42u);
  std::vector<std::uint16_t> data(33, 0xeeee);  // guard words past mem_required
  info.data = data.data();
  ASSERT_TRUE(gu3dfLoad(writeFile(bytes).c_str(), &info));
  for (int k = 0; k < 21; ++k) EXPECT_EQ(data[k], 0xa000 + k);
  EXPECT_EQ(data[21], 0xeeee) << "written past mem_required";
  info.mem_required = 64;  // the file has changed since gu3dfGetInfo
  EXPECT_FALSE(gu3dfLoad(writeFile(bytes).c_str(), &info));
  info.data = nullptr;
  EXPECT_FALSE(gu3dfLoad(writeFile(bytes).c_str(), &info));
}

// Unknown and reserved formats, bad magic or version, lod ranges and aspects
// out of range or malformed, data of the wrong length (i8 with lod range 1 4
// has 21 bytes), a short palette or table, missing lines, an endless line.
// A well-formed header over data of the wrong length, even more than any
// 3DF file holds, passes gu3dfGetInfo, so that the program reports a file it
// cannot load, and gu3dfLoad refuses it.
TEST(TextureFile, RefusesBadHeadersAndSizes) {
  const std::string i8 = "\ni8\nlod range: 1 4\naspect ratio: 1 1\n";
  std::vector<std::pair<std::string, std::size_t>> bad = {
      {header("rgb888", "1 4", "1 1"), 21},
      {header("rsvd0", "1 4", "1 1"), 21},
      {"3dg v1.0" + i8, 21},
      {"3df v" + i8, 21},
      {header("i8", "1 4", "1 1"), 20},
      {header("i8", "1 4", "1 1"), 22},
      {header("p8", "1 4", "1 1"), 1000},
      {header("yiq", "1 1", "1 1"), 79},
      {"3df v1.0\ni8\nlod range: 1 4\n", 0},
      {"3df v1.0\ni8\nlod range: 1 1\naspect ratio: 1 1", 0},
      {std::string(5000, 'a'), 0},
      {"", 0}};
  for (const char* lods : {"1 512", "0 4", "3 4", "1 99999999999999999999", "-1 4", "4", "1 4 8"}) {
    bad.push_back({header("i8", lods, "1 1"), 21});
  }
  for (const char* aspect : {"3 1", "1 16", "2 2"}) {
    bad.push_back({header("i8", "1 4", aspect), 21});
  }
  for (const auto& [text, data] : bad) {
    EXPECT_FALSE(loads(fileBytes(text, data))) << text.substr(0, 80) << " + " << data;
  }
  Gu3dfInfo info{};
  for (std::size_t data : {std::size_t{20}, std::size_t{22}, MAX_3DF_FILE_BYTES}) {
    const Bytes bytes = fileBytes(header("i8", "1 4", "1 1"), data);
    EXPECT_TRUE(getInfo(bytes, &info)) << data;
    EXPECT_FALSE(loads(bytes)) << data;
  }
  EXPECT_FALSE(gu3dfGetInfo(WILDSKY_TEST_OUTPUT_DIR "/no_such_file.3df", &info));
  EXPECT_FALSE(gu3dfGetInfo(nullptr, &info));
}

// Expected values worked out by hand from the bit layouts and replication
// (the tex3df round trips hold the other formats to their precision); a
// format that needs a table and gets none, or an unknown format, decodes as
// opaque black instead of reading through a null table.
TEST(TexelDecode, EveryFormatMatchesHandComputedTexels) {
  GuTexTable ncc{}, pal{};
  for (int k = 0; k < 16; ++k) ncc.nccTable.yRGB[k] = std::uint8_t(k * 16);
  ncc.nccTable.yRGB[15] = 250;
  ncc.nccTable.iRGB[1][0] = 10, ncc.nccTable.iRGB[1][1] = -5;
  ncc.nccTable.qRGB[2][0] = 20, ncc.nccTable.qRGB[2][2] = -256;
  for (int k = 0; k < 256; ++k) pal.palette.data[k] = 0xaa000000u | std::uint32_t(k);
  pal.palette.data[7] = 0x12345678u;
  const struct {
    GrTextureFormat_t format;
    std::vector<std::uint16_t> texels;  // bytes or words, one per texel
    std::vector<std::uint32_t> expected;
    const GuTexTable* table;
  } cases[] = {
      {GR_TEXFMT_RGB_332, {0xe3, 0x49, 0x00}, {0xffff00ff, 0xff494955, 0xff000000}, &pal},
      // y 15, i 1, q 2: R 250+10+20 clamps to 255, G 250-5, B 250-256 clamps to 0.
      {GR_TEXFMT_YIQ_422, {0xf6, 0x10}, {0xfffff500, 0xff101010}, &ncc},
      {GR_TEXFMT_P_8, {0x07, 0xff}, {0xff345678, 0xff0000ff}, &pal},
      {GR_TEXFMT_ARGB_8332, {0x80e3, 0x0049}, {0x80ff00ff, 0x00494955}, &pal},
      {GR_TEXFMT_AYIQ_8422, {0x40f6}, {0x40fff500}, &ncc},
      {GR_TEXFMT_RGB_565, {0x07e0, 0x8410, 0xffff}, {0xff00ff00, 0xff848284, 0xffffffff}, &pal},
      {GR_TEXFMT_AP_88, {0x8007, 0x00ff}, {0x80345678, 0x000000ff}, &pal},
      {GR_TEXFMT_P_8, {1, 2}, {0xff000000, 0xff000000}, nullptr},
      {GR_TEXFMT_RSVD1, {1}, {0xff000000}, nullptr},
  };
  for (const auto& c : cases) {
    const std::vector<std::uint8_t> bytes(c.texels.begin(), c.texels.end());
    std::vector<std::uint32_t> out(c.texels.size(), 0xdeadbeefu);
    decodeTexels(
        c.format,
        texelBytes(c.format) == 1 ? static_cast<const void*>(bytes.data()) : c.texels.data(),
        int(c.texels.size()), 1, c.table, out.data());
    EXPECT_EQ(out, c.expected) << "format " << c.format;
  }
}

// 24 full 256x256 rgb565 chains (174762 bytes each) fit in 4 MiB with 16 bytes
// to spare: the 25th answers -1, a 4x4 8-bit texture takes the last 16 bytes,
// then not even one byte is left. Inconsistent requests take nothing.
TEST(TextureMemory, ExhaustionAndInconsistentRequestsAnswerNullHandle) {
  resetTextureMemory();
  EXPECT_EQ(allocate(128, 256, GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_256, GR_ASPECT_1x1),
            GR_NULL_MIPMAP_HANDLE);  // width does not match the aspect
  EXPECT_EQ(allocate(256, 256, GR_TEXFMT_RGB_565, GR_LOD_256, GR_LOD_1, GR_ASPECT_1x1),
            GR_NULL_MIPMAP_HANDLE);  // small and large lod swapped
  EXPECT_EQ(allocate(256, 256, GR_TEXFMT_RSVD2, GR_LOD_1, GR_LOD_256, GR_ASPECT_1x1),
            GR_NULL_MIPMAP_HANDLE);
  EXPECT_EQ(textureMemoryInUse(), 0u);
  EXPECT_FALSE(guTexDownloadMipMap(0, "", nullptr));
  for (GrMipMapId_t k = 0; k < 24; ++k) {
    ASSERT_EQ(allocate(256, 256, GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_256, GR_ASPECT_1x1), k);
  }
  EXPECT_EQ(textureMemoryInUse(), 24u * 174762u);
  EXPECT_EQ(allocate(256, 256, GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_256, GR_ASPECT_1x1),
            GR_NULL_MIPMAP_HANDLE);
  EXPECT_EQ(allocate(4, 4, GR_TEXFMT_INTENSITY_8, GR_LOD_4, GR_LOD_4, GR_ASPECT_1x1), 24u);
  EXPECT_EQ(textureMemoryInUse(), std::size_t(4) << 20);
  EXPECT_EQ(allocate(1, 1, GR_TEXFMT_INTENSITY_8, GR_LOD_1, GR_LOD_1, GR_ASPECT_1x1),
            GR_NULL_MIPMAP_HANDLE);
  resetTextureMemory();
  EXPECT_EQ(textureMemoryInUse(), 0u);
  EXPECT_EQ(boundTextureFor(0), nullptr);
  // The modes given (see allocate) reach the sampler axis by axis and filter
  // by filter; GR_MIPMAP_DISABLE keeps a chain on its largest level.
  ASSERT_EQ(allocate(8, 8, GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_8, GR_ASPECT_1x1, GR_MIPMAP_DISABLE),
            0u);
  std::vector<std::uint16_t> texels(64 + 16 + 4 + 1, 0x001f);  // level 0 blue
  std::fill(texels.begin() + 64, texels.end(), 0xf800);        // the smaller ones red
  ASSERT_TRUE(guTexDownloadMipMap(0, texels.data(), nullptr));
  const BoundTexture* t = boundTextureFor(0);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(std::vector<bool>({t->clampS, t->clampT, t->bilinearMin, t->bilinearMag}),
            std::vector<bool>({false, true, true, false}));
  EXPECT_EQ(sampleTexture(*t, 100, 100, 2.0f), 0xff0000ffu) << "minified: still level 0";
  resetTextureMemory();
}

// Past the right edge wrap reads the left column and clamp the edge column,
// axis by axis. (The same-bytes test holds the wide sampler, bilinear too, to
// this one at every edge.) Red grows with the column, blue with the row;
// texel i's centre is at 64 i + 32.
TEST(TextureSampler, WrapAgainstClamp) {
  std::uint32_t texels[16];
  for (std::uint32_t k = 0; k < 16; ++k) texels[k] = 0xff000000u | (k % 4) << 22 | (k / 4) << 6;
  BoundTexture t{};
  t.levels[0] = {4, 4, texels};
  t.levelCount = 1, t.scale = 4 / 256.0f, t.mipmapped = true;
  const float edge = 256.0f, row = 96;  // the right border of the texture; row 1
  EXPECT_EQ(sampleTexture(t, edge + 32, row, 0.0f), 0xff000040u);
  t.clampS = true;
  EXPECT_EQ(sampleTexture(t, edge + 32, row, 0.0f), 0xffc00040u);
  EXPECT_EQ(sampleTexture(t, -1e9f, row, 0.0f), 0xff000040u);
  EXPECT_EQ(sampleTexture(t, row, edge + 160, 0.0f), 0xff400080u) << "t still wraps";

  // Coordinates no float can place still land on a texel of the texture.
  t.clampS = false;
  for (float wild : {std::nanf(""), std::numeric_limits<float>::infinity(), -3e38f, 3e38f}) {
    EXPECT_EQ(sampleTexture(t, wild, wild, 0.0f) >> 24, 0xffu);
  }
}
