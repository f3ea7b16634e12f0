#include "tools/mkcontent/content_files.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "tools/mkcontent/font.h"
#include "tools/mkcontent/scenes.h"
#include "tools/mkcontent/textures.h"
#include "tools/output_files/output_files.h"
#include "tools/tex3df/texture_encoder.h"
#include "tools/writer3ds/scene_writer.h"

namespace {

bool writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  if (saveBytes(path.string(), bytes)) return true;
  std::fprintf(stderr, "mkcontent: cannot write %s\n", path.string().c_str());
  return false;
}

}  // namespace

bool writeContent(const std::string& outDir) {
  const std::filesystem::path objects = std::filesystem::path(outDir) / "OBJECTS";
  const std::filesystem::path textures = std::filesystem::path(outDir) / "TEXTURES";
  std::error_code error;
  std::filesystem::create_directories(objects, error);
  std::filesystem::create_directories(textures, error);
  if (error) {
    std::fprintf(stderr, "mkcontent: cannot create %s: %s\n", outDir.c_str(),
                 error.message().c_str());
    return false;
  }
  bool ok = writeFile(objects / "qxwild.3ds", write3ds(makeWildScene()));
  ok = writeFile(objects / "ballsky.3ds", write3ds(makeSkyScene())) && ok;
  for (const ContentTexture& texture : contentTextures())
    ok = writeFile(textures / texture.fileName, encode3df(texture.make(), texture.format)) && ok;
  ok = writeFile(textures / "micro.3df", encode3df(makeFontImage(), GR_TEXFMT_RGB_565)) && ok;
  return ok;
}
