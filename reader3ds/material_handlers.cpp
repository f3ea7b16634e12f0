#include "reader3ds/material_handlers.h"

#include <cstring>

#include "app/tracked_memory.h"
#include "reader3ds/chunk_walker.h"
#include "reader3ds/material_names.h"
#include "reader3ds/reader_state.h"
#include "reader3ds/stream_reads.h"

namespace {

// The material that property chunks fill; null before the load's first
// "Material name", so such properties are dropped.
Material* currentMaterial() {
  const ReaderState& s = readerState;
  return s.materialCount > 0 ? &s.materials[s.currentMaterial] : nullptr;
}

char* copyName(std::size_t length) {
  auto* copy = static_cast<char*>(memAlloc(length + 1));
  std::memcpy(copy, readerState.nameBuffer, length + 1);
  return copy;
}

// The selector handlers record what their nested value is for, then visit it.
void selectThenWalk(std::int32_t& selector, std::int32_t value, std::FILE* stream,
                    std::int32_t endOffset) {
  selector = value;
  walkChunks(stream, endOffset);
}

}  // namespace

void onMaterialName(std::FILE* stream, std::int32_t) {
  ReaderState& s = readerState;
  s.currentMaterial = appendRecords(s.materials, s.materialCount, 1);
  s.materials[s.currentMaterial].name = copyName(readName(stream));
  noteMaterialName(s.currentMaterial);
}

void onAmbientColor(std::FILE* stream, std::int32_t endOffset) {
  selectThenWalk(readerState.colorTarget, COLOR_AMBIENT, stream, endOffset);
}

void onDiffuseColor(std::FILE* stream, std::int32_t endOffset) {
  selectThenWalk(readerState.colorTarget, COLOR_DIFFUSE, stream, endOffset);
}

void onTransparency(std::FILE* stream, std::int32_t endOffset) {
  selectThenWalk(readerState.percentTarget, PERCENT_TRANSPARENCY, stream, endOffset);
}

void onTextureMap(std::FILE* stream, std::int32_t endOffset) {
  selectThenWalk(readerState.mapKind, MAP_TEXTURE, stream, endOffset);
}

void onReflectionMap(std::FILE* stream, std::int32_t endOffset) {
  selectThenWalk(readerState.mapKind, MAP_REFLECTION, stream, endOffset);
}

void onBumpMap(std::FILE* stream, std::int32_t endOffset) {
  selectThenWalk(readerState.mapKind, MAP_BUMP, stream, endOffset);
}

void onRgbByte(std::FILE* stream, std::int32_t) {
  unsigned char rgb[3];
  if (!readBytes(stream, rgb, sizeof rgb)) return;
  if (Material* material = currentMaterial()) {
    if (readerState.colorTarget == COLOR_AMBIENT) {
      for (int i = 0; i < 3; ++i) material->ambient[i] = rgb[i];
    } else if (readerState.colorTarget == COLOR_DIFFUSE) {
      for (int i = 0; i < 3; ++i) material->diffuse[i] = rgb[i];
      material->flags |= MATERIAL_HAS_DIFFUSE;
    }
  }
  readerState.colorTarget = COLOR_NONE;
}

void onRgbFloat(std::FILE* stream, std::int32_t) { skipBytes(stream, 12); }

void onPercentage(std::FILE* stream, std::int32_t) {
  std::uint16_t percent;
  if (!readU16(stream, &percent)) return;
  Material* material = currentMaterial();
  if (material != nullptr && readerState.percentTarget == PERCENT_TRANSPARENCY) {
    // The fraction is a 32-bit float before it is scaled: 17 percent gives
    // 43.3500023, where one rounding of the exact 43.35 would give 43.3499985.
    material->transparency = static_cast<float>(percent) / 100.0f * 255.0f;
    if (percent != 0) material->flags |= MATERIAL_TRANSPARENT;
  }
  readerState.percentTarget = PERCENT_NONE;
}

void onTwoSided(std::FILE*, std::int32_t) {
  if (Material* material = currentMaterial()) material->twoSided = 1;
}

void onMapFilename(std::FILE* stream, std::int32_t) {
  const std::size_t length = readName(stream);
  char* file = copyName(length);
  Material* material = currentMaterial();
  const bool kept = material != nullptr && length >= 3 &&
                    (readerState.mapKind == MAP_TEXTURE || readerState.mapKind == MAP_REFLECTION);
  if (!kept) {
    memFree(file);
    return;
  }
  std::memcpy(file + length - 3, "3df", 3);
  memFree(material->textureFile);
  material->textureFile = file;
  material->flags |= MATERIAL_HAS_TEXTURE;
}

void onShadingType(std::FILE* stream, std::int32_t) { skipBytes(stream, 2); }

void onTextureFlags(std::FILE* stream, std::int32_t) {
  if (skipBytes(stream, 1)) skipBytes(stream, 1);
}

void onFloatValue(std::FILE* stream, std::int32_t) { skipBytes(stream, 4); }
