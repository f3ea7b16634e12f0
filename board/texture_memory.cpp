#include "board/texture_memory.h"

#include <cstdint>
#include <deque>
#include <new>
#include <utility>
#include <vector>

#include "board/board.h"
#include "board/draw_workers.h"
#include "board/texel_decode.h"
#include "board/trace_recorder.h"

namespace {

constexpr GrLOD_t SMALLEST_LOD = GR_LOD_1;

struct MipMap {
  GrTextureFormat_t format;
  std::size_t address;                // where the mipmap lies in texture memory
  std::vector<std::uint32_t> texels;  // every level, decoded, largest first
  BoundTexture bound;
};

// A deque keeps the BoundTexture the board core holds valid as mipmaps are added.
struct TextureMemory {
  std::deque<MipMap> mipMaps;
  std::size_t nextFree = 0;
};

TextureMemory memory;

bool lodInRange(GrLOD_t lod) { return lod >= GR_LOD_256 && lod <= SMALLEST_LOD; }

}  // namespace

bool levelSize(GrLOD_t lod, GrAspectRatio_t aspect, int* width, int* height) {
  if (!lodInRange(lod) || aspect < GR_ASPECT_8x1 || aspect > GR_ASPECT_1x8) return false;
  int side = 256 >> lod;
  int shift = aspect < GR_ASPECT_1x1 ? GR_ASPECT_1x1 - aspect : aspect - GR_ASPECT_1x1;
  int smaller = side >> shift > 0 ? side >> shift : 1;
  *width = aspect <= GR_ASPECT_1x1 ? side : smaller;
  *height = aspect >= GR_ASPECT_1x1 ? side : smaller;
  return true;
}

std::size_t mipMapBytes(GrTextureFormat_t format, GrLOD_t smallLod, GrLOD_t largeLod,
                        GrAspectRatio_t aspect) {
  int bytes = texelBytes(format);
  if (bytes == 0 || !lodInRange(smallLod) || !lodInRange(largeLod) || smallLod < largeLod) {
    return 0;
  }
  std::size_t total = 0;
  for (GrLOD_t lod = largeLod; lod <= smallLod; ++lod) {
    int width, height;
    if (!levelSize(lod, aspect, &width, &height)) return 0;
    total += std::size_t(width) * std::size_t(height) * std::size_t(bytes);
  }
  return total;
}

GrMipMapId_t guTexAllocateMemory(GrChipID_t tmu, FxU8 oddEvenMask, int width, int height,
                                 GrTextureFormat_t format, GrMipMapMode_t mipmapMode,
                                 GrLOD_t smallLod, GrLOD_t largeLod, GrAspectRatio_t aspect,
                                 GrTextureClampMode_t sClamp, GrTextureClampMode_t tClamp,
                                 GrTextureFilterMode_t minFilter, GrTextureFilterMode_t magFilter,
                                 float lodBias, FxBool trilinear) {
  traceCall(TraceOp::TexAllocateMemory, tmu, oddEvenMask, width, height, format, mipmapMode,
            smallLod, largeLod, aspect, sClamp, tClamp, minFilter, magFilter, lodBias, trilinear);
  // One texture unit: every level lives in unit 0, whatever the odd/even mask.
  if (tmu != GR_TMU0 || (oddEvenMask & GR_MIPMAPLEVELMASK_BOTH) == 0) return GR_NULL_MIPMAP_HANDLE;
  if (mipmapMode < GR_MIPMAP_DISABLE || mipmapMode > GR_MIPMAP_NEAREST_DITHER) {
    return GR_NULL_MIPMAP_HANDLE;
  }
  std::size_t bytes = mipMapBytes(format, smallLod, largeLod, aspect);
  int largeWidth = 0, largeHeight = 0;
  if (bytes == 0 || !levelSize(largeLod, aspect, &largeWidth, &largeHeight) ||
      width != largeWidth || height != largeHeight) {
    return GR_NULL_MIPMAP_HANDLE;
  }
  if (bytes > TEXTURE_MEMORY_BYTES - memory.nextFree) return GR_NULL_MIPMAP_HANDLE;

  // Without host memory for its decoded copy the mipmap is refused, as one
  // that does not fit: texture memory stays as it was.
  std::vector<std::uint32_t> texels;
  try {
    texels.assign(bytes / std::size_t(texelBytes(format)), 0u);
    memory.mipMaps.emplace_back();
  } catch (const std::bad_alloc&) {
    return GR_NULL_MIPMAP_HANDLE;
  }
  MipMap& m = memory.mipMaps.back();
  m.format = format;
  m.address = memory.nextFree;
  memory.nextFree += bytes;
  m.texels = std::move(texels);
  BoundTexture& b = m.bound;
  b = {};
  b.levelCount = smallLod - largeLod + 1;
  b.scale = float(256 >> largeLod) / 256.0f;
  b.clampS = sClamp == GR_TEXTURECLAMP_CLAMP;
  b.clampT = tClamp == GR_TEXTURECLAMP_CLAMP;
  b.bilinearMin = minFilter == GR_TEXTUREFILTER_BILINEAR;
  b.bilinearMag = magFilter == GR_TEXTUREFILTER_BILINEAR;
  b.mipmapped = mipmapMode != GR_MIPMAP_DISABLE;
  std::size_t offset = 0;
  for (int k = 0; k < b.levelCount; ++k) {
    int w = 1, h = 1;
    levelSize(largeLod + k, aspect, &w, &h);
    b.levels[k] = {w, h, m.texels.data() + offset};
    offset += std::size_t(w) * std::size_t(h);
  }
  describeLevels(b);
  return GrMipMapId_t(memory.mipMaps.size() - 1);
}

FxBool guTexDownloadMipMap(GrMipMapId_t id, const void* src, const GuTexTable* table) {
  traceTexDownloadMipMap(id, src, table);
  finishDrawing();
  if (id >= memory.mipMaps.size() || !src) return FXFALSE;
  MipMap& m = memory.mipMaps[id];
  if (texelFormatNeedsTable(m.format) && !table) return FXFALSE;
  const auto* texels = static_cast<const std::uint8_t*>(src);
  std::size_t bytes = std::size_t(texelBytes(m.format));
  for (int k = 0; k < m.bound.levelCount; ++k) {
    const TextureLevel& level = m.bound.levels[k];
    // The decoded levels alias m.texels; write through the owning vector.
    std::uint32_t* out = m.texels.data() + (level.texels - m.texels.data());
    decodeTexels(m.format, texels, level.width, level.height, table, out);
    texels += std::size_t(level.width) * std::size_t(level.height) * bytes;
  }
  return FXTRUE;
}

const BoundTexture* boundTextureFor(GrMipMapId_t id) {
  return id < memory.mipMaps.size() ? &memory.mipMaps[id].bound : nullptr;
}

bool storedFormatOf(GrMipMapId_t id, GrTextureFormat_t* format) {
  if (id >= memory.mipMaps.size()) return false;
  *format = memory.mipMaps[id].format;
  return true;
}

void resetTextureMemory() {
  finishDrawing();
  memory = TextureMemory{};
}

std::size_t textureMemoryInUse() { return memory.nextFree; }
