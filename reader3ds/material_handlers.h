#pragma once
// Handlers for materials and for the small value chunks found all over a
// file. A "Material name" starts a new material; selector chunks (colour,
// transparency, map) record which property their nested value is for and
// visit their sub-chunks; value chunks apply to the current material.

#include <cstdint>
#include <cstdio>

void onMaterialName(std::FILE* stream, std::int32_t endOffset);
void onAmbientColor(std::FILE* stream, std::int32_t endOffset);
void onDiffuseColor(std::FILE* stream, std::int32_t endOffset);
void onTransparency(std::FILE* stream, std::int32_t endOffset);
void onTextureMap(std::FILE* stream, std::int32_t endOffset);
void onReflectionMap(std::FILE* stream, std::int32_t endOffset);
void onBumpMap(std::FILE* stream, std::int32_t endOffset);
void onRgbByte(std::FILE* stream, std::int32_t endOffset);
void onRgbFloat(std::FILE* stream, std::int32_t endOffset);
void onPercentage(std::FILE* stream, std::int32_t endOffset);
void onTwoSided(std::FILE* stream, std::int32_t endOffset);
void onMapFilename(std::FILE* stream, std::int32_t endOffset);
void onShadingType(std::FILE* stream, std::int32_t endOffset);
void onTextureFlags(std::FILE* stream, std::int32_t endOffset);
void onFloatValue(std::FILE* stream, std::int32_t endOffset);
