// The 3DF reader on arbitrary bytes: whatever it accepts is loaded, placed in
// texture memory, downloaded and sampled, all within the buffers.

#include <cstdint>
#include <vector>

#include "board/texture_file.h"
#include "board/texture_memory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Parsed3df parsed;
  if (!parse3df(data, size, &parsed)) return 0;
  std::vector<std::uint8_t> texels(parsed.memRequired);
  Gu3dfInfo info{};
  info.data = texels.data();
  if (!load3dfTexels(data, parsed, &info)) return 0;
  const Gu3dfHeader& h = parsed.header;
  resetTextureMemory();
  GrMipMapId_t id = guTexAllocateMemory(
      GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, int(h.width), int(h.height), h.format, GR_MIPMAP_NEAREST,
      h.small_lod, h.large_lod, h.aspect_ratio, GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_CLAMP,
      GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_POINT_SAMPLED, 0.0f, FXFALSE);
  if (id == GR_NULL_MIPMAP_HANDLE || !guTexDownloadMipMap(id, texels.data(), &info.table))
    __builtin_trap();  // the reader accepted what texture memory refuses
  static volatile std::uint32_t sink;
  for (int k = 0; k < 16; ++k) {
    float s = float(data[k % size]) * 1.7f - 40.0f, t = float(k) * 23.0f - 100.0f;
    sink = sink + sampleTexture(*boundTextureFor(id), s, t, float(k) / 2 - 1);
  }
  resetTextureMemory();
  return 0;
}
