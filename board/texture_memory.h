#pragma once
// Texture memory of texture unit 0 and the shapes of mipmaps.
//
// guTexAllocateMemory places each mipmap after the previous one (memory is
// only given back by resetTextureMemory) and counts it in the bytes of its
// stored format, the file's texel bytes. Next to that count the board keeps
// every level decoded to 0xAARRGGBB, the layout the sampler reads fastest;
// guTexDownloadMipMap decodes once, sampling never converts or allocates.
// Mipmap ids are 0, 1, 2, ... in order of allocation.

#include <cstddef>

#include "board/texture_sampler.h"
#include "render/glide.h"

// Width and height of the level whose larger side is 256 >> lod for an aspect
// ratio (the smaller side never drops below 1). False for an lod or aspect
// out of range.
bool levelSize(GrLOD_t lod, GrAspectRatio_t aspect, int* width, int* height);

// The texel bytes of the levels largeLod..smallLod in a format; 0 when any
// argument is out of range or smallLod < largeLod.
std::size_t mipMapBytes(GrTextureFormat_t format, GrLOD_t smallLod, GrLOD_t largeLod,
                        GrAspectRatio_t aspect);

const BoundTexture* boundTextureFor(GrMipMapId_t id);             // null: unknown id
bool storedFormatOf(GrMipMapId_t id, GrTextureFormat_t* format);  // false: unknown id
void resetTextureMemory();         // grGlideShutdown / boardReset call it
std::size_t textureMemoryInUse();  // bytes allocated on the board
