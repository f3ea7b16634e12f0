#include "render/texture_registry.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/tracked_memory.h"

TextureRegistry textureRegistry = {nullptr, 0, 0};

namespace {

constexpr std::size_t PATH_BYTES = 256;
constexpr const char* TEXTURE_DIRECTORY = ".\\TEXTURES";

std::int32_t textureMemoryCounter = 0;

// Reused by every load: only the texel buffer is allocated per file.
Gu3dfInfo loadInfo;
char loadPath[PATH_BYTES];

[[noreturn]] void endProcess() {
  std::fflush(stdout);
  grGlideShutdown();
  std::exit(-1);
}

[[noreturn]] void fileNotFound(const char* path) {
  std::printf(
      "I looked for a texture high and low,\n"
      "through every folder I could know;\n"
      "it is not there: \"%s\"\n",
      path);
  endProcess();
}

[[noreturn]] void textureMemoryFull() {
  std::printf(
      "The texture memory is full,\n"
      "no further texel will it pull;\n"
      "there is no room for one texture more.\n");
  std::printf("Could not allocate memory for texture\n");
  endProcess();
}

template <typename T>
T* grownArray(T* array, std::int32_t& capacity) {
  capacity *= 2;
  return static_cast<T*>(memRealloc(array, sizeof(T) * static_cast<std::size_t>(capacity)));
}

TextureEntry* findEntry(const char* name) {
  for (std::int32_t i = 0; i < textureRegistry.count; ++i) {
    if (std::strcmp(textureRegistry.entries[i].name, name) == 0) {
      return &textureRegistry.entries[i];
    }
  }
  return nullptr;
}

void addUser(TextureEntry& entry, Scene* user) {
  if (entry.userCount == entry.userCapacity) {
    entry.users = grownArray(entry.users, entry.userCapacity);
  }
  entry.users[entry.userCount++] = user;
}

char* copyName(const char* name) {
  const std::size_t length = std::strlen(name) + 1;
  char* copy =
      static_cast<char*>(memAlloc(length > TEXTURE_NAME_BYTES ? length : TEXTURE_NAME_BYTES));
  std::memcpy(copy, name, length);
  return copy;
}

}  // namespace

void loadSceneTextures(Scene& scene) {
  for (std::int32_t i = 0; i < scene.materialCount; ++i) {
    Material& material = scene.materials[i];
    if (material.textureFile != nullptr) {
      acquireTexture(&material.texture, &scene, material.textureFile);
    }
  }
}

void acquireTexture(GrMipMapId_t* slot, Scene* user, const char* name) {
  if (textureRegistry.entries == nullptr) {
    textureRegistry.capacity = TEXTURE_REGISTRY_FIRST_CAPACITY;
    textureRegistry.count = 0;
    textureRegistry.entries = static_cast<TextureEntry*>(
        memAlloc(sizeof(TextureEntry) * static_cast<std::size_t>(textureRegistry.capacity)));
  }
  if (TextureEntry* known = findEntry(name)) {
    addUser(*known, user);
    *slot = known->mipmapId;
    return;
  }
  if (textureRegistry.count == textureRegistry.capacity) {
    textureRegistry.entries = grownArray(textureRegistry.entries, textureRegistry.capacity);
  }
  TextureEntry& entry = textureRegistry.entries[textureRegistry.count];
  loadTexture3df(&entry.mipmapId, "%s\\%s", TEXTURE_DIRECTORY, name);
  entry.userCapacity = TEXTURE_USERS_FIRST_CAPACITY;
  entry.users =
      static_cast<Scene**>(memAlloc(sizeof(Scene*) * static_cast<std::size_t>(entry.userCapacity)));
  entry.users[0] = user;
  entry.userCount = 1;
  entry.name = copyName(name);
  ++textureRegistry.count;
  *slot = entry.mipmapId;
}

void loadTexture3df(GrMipMapId_t* slot, const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const int length = std::vsnprintf(loadPath, PATH_BYTES, format, arguments);
  va_end(arguments);
  // A cut path could name some other file: report it as not found instead.
  if (length < 0 || static_cast<std::size_t>(length) >= PATH_BYTES) fileNotFound(loadPath);

  if (!gu3dfGetInfo(loadPath, &loadInfo)) fileNotFound(loadPath);
  void* texels = memAlloc(loadInfo.mem_required);
  loadInfo.data = texels;
  if (!gu3dfLoad(loadPath, &loadInfo)) {
    std::printf("Cannot load texture file\n");
    endProcess();
  }
  const Gu3dfHeader& header = loadInfo.header;
  *slot = guTexAllocateMemory(GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, static_cast<int>(header.width),
                              static_cast<int>(header.height), header.format, GR_MIPMAP_NEAREST,
                              header.small_lod, header.large_lod, header.aspect_ratio,
                              GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP, GR_TEXTUREFILTER_BILINEAR,
                              GR_TEXTUREFILTER_BILINEAR, 0.0f, FXFALSE);
  if (*slot == GR_NULL_MIPMAP_HANDLE) textureMemoryFull();
  guTexDownloadMipMap(*slot, texels, &loadInfo.table);
  textureMemoryCounter += static_cast<std::int32_t>(loadInfo.mem_required);
  memFree(texels);
  loadInfo.data = nullptr;
}

std::int32_t textureMemoryUsed() { return textureMemoryCounter; }

void restartTextureMemoryCount() { textureMemoryCounter = 0; }

void releaseTextures() {
  for (std::int32_t i = 0; i < textureRegistry.count; ++i) {
    memFree(textureRegistry.entries[i].name);
    memFree(textureRegistry.entries[i].users);
  }
  memFree(textureRegistry.entries);
  textureRegistry = {nullptr, 0, 0};
}
