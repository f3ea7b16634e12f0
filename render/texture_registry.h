#pragma once
// Texture files (3DF, in ".\TEXTURES") loaded into texture memory once per
// distinct name, however many materials and scenes name them, and the TEXMEM
// figure: the bytes of texel data downloaded so far. Every load failure prints
// its message, shuts the board down and ends the process with status -1.

#include <cstdint>

#include "render/glide.h"
#include "scene/scene_types.h"

// The name buffer holds 50 bytes, or the whole name with its NUL when that is
// longer: names are compared and stored whole, never cut.
inline constexpr std::size_t TEXTURE_NAME_BYTES = 50;
inline constexpr std::int32_t TEXTURE_REGISTRY_FIRST_CAPACITY = 10;
inline constexpr std::int32_t TEXTURE_USERS_FIRST_CAPACITY = 10;

struct TextureEntry {
  char* name;  // owned, as the material gave it, without the directory
  GrMipMapId_t mipmapId;
  Scene** users;  // owned: one element per request; filled and freed, never read
  std::int32_t userCount;
  std::int32_t userCapacity;
};

struct TextureRegistry {
  TextureEntry* entries;  // null before the first request and after release
  std::int32_t count;
  std::int32_t capacity;
};

extern TextureRegistry textureRegistry;

// Acquires the texture of every material that names a file, in material
// order; other materials are left untouched.
void loadSceneTextures(Scene& scene);

// Stores the mipmap id of the named file in *slot, loading the file from
// ".\TEXTURES" the first time the exact (case-sensitive) name is asked for.
void acquireTexture(GrMipMapId_t* slot, Scene* user, const char* name);

// Loads the 3DF file at the printf-style path into texture memory and stores
// its mipmap id in *slot. A path longer than the 255-byte path buffer is
// reported as not found.
void loadTexture3df(GrMipMapId_t* slot, const char* format, ...);

// TEXMEM: bytes of texel data loaded so far; only ever grows within a run.
std::int32_t textureMemoryUsed();

// Starts TEXMEM again from zero, for a run whose freshly opened board holds
// no textures (a process may run the program more than once).
void restartTextureMemoryCount();

// Frees the registry. Texture memory stays allocated until the board is shut
// down, and TEXMEM keeps its value.
void releaseTextures();
