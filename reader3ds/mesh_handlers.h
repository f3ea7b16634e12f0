#pragma once
// Handlers for object blocks, triangle meshes, lights and cameras. Every mesh
// of a file is appended to the one scene-wide vertex, face and mapping
// arrays of the reader state; names, matrices, smoothing groups, lights and
// cameras are read and dropped.

#include <cstdint>
#include <cstdio>

void onObjectBlock(std::FILE* stream, std::int32_t endOffset);
void onVertexList(std::FILE* stream, std::int32_t endOffset);
void onFaceList(std::FILE* stream, std::int32_t endOffset);
void onFaceMaterial(std::FILE* stream, std::int32_t endOffset);
void onMappingsList(std::FILE* stream, std::int32_t endOffset);
void onSmoothings(std::FILE* stream, std::int32_t endOffset);
void onMatrix(std::FILE* stream, std::int32_t endOffset);
void onLight(std::FILE* stream, std::int32_t endOffset);
void onSpotlight(std::FILE* stream, std::int32_t endOffset);
void onCamera(std::FILE* stream, std::int32_t endOffset);
