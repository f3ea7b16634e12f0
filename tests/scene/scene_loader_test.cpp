#include "scene/scene_loader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <span>

#include "app/tracked_memory.h"
#include "reader3ds/load3ds.h"
#include "scene/normals.h"
#include "tests/scene/peer_files.h"
#include "tools/output_files/output_files.h"
#include "tools/writer3ds/scene_writer.h"

namespace {

FacesPerName facesPerMaterialName(const Scene& scene) {
  FacesPerName counts;
  for (std::int32_t f = 0; f < scene.faceCount; ++f)
    ++counts[scene.materials[scene.faces[f].material].name];
  return counts;
}

bool inRange(std::int32_t index, std::int32_t count) { return index >= 0 && index < count; }

// What every prepared scene promises the renderer.
void expectSceneInvariants(const Scene& scene) {
  ASSERT_TRUE(scene.faceCount >= 0 && scene.normalCount >= 0);
  ASSERT_TRUE(scene.faceCount == 0 || scene.materialCount > 0);
  for (std::int32_t n = 0; n < scene.normalCount; ++n) {
    const Vector3& v = scene.normals[n];
    const double length = std::sqrt(double{v.x} * v.x + double{v.y} * v.y + double{v.z} * v.z);
    EXPECT_TRUE(length == 0.0 || std::fabs(length - 255.0) < 0.01) << "normal " << n;
    EXPECT_TRUE(n == 0 || compareVectors(scene.normals[n - 1], v) < 0.0f) << "normal " << n;
  }
  for (std::int32_t m = 1; m < scene.materialCount; ++m)
    EXPECT_LE(scene.materials[m - 1].transparency, scene.materials[m].transparency);
  for (std::int32_t f = 0; f < scene.faceCount; ++f) {
    const SceneFace& face = scene.faces[f];
    bool inside =
        inRange(face.faceNormal, scene.normalCount) && inRange(face.material, scene.materialCount);
    for (int k = 0; k < 3; ++k)
      inside = inside && inRange(face.vertex[k], scene.vertexCount) &&
               inRange(face.mapping[k], scene.vertexCount) &&
               inRange(face.normal[k], scene.normalCount);
    ASSERT_TRUE(inside) << "face " << f;
    EXPECT_TRUE(f == 0 || scene.faces[f - 1].material <= face.material) << "face " << f;
    EXPECT_EQ(scene.materials[face.material].transparency == 0.0f, f < scene.opaqueFaceCount) << f;
  }
}

// Loads, checks the invariants, hands the scene to `check`, frees it, and
// expects the tracked counter back where it started.
void loadCheckAndFree(const std::string& path, const std::function<void(const Scene&)>& check) {
  const std::uint32_t before = getTotalMemAllocated();
  resetReaderState();
  Scene* scene = loadScene("%s", path.c_str());
  expectSceneInvariants(*scene);
  if (check) check(*scene);
  freeScene(scene);
  EXPECT_EQ(getTotalMemAllocated(), before);
}

// The same for a scene written to a temporary file, cut to `size` bytes.
void loadGenerated(const WriterScene& written, const std::function<void(const Scene&)>& check,
                   std::size_t size = SIZE_MAX) {
  const std::string path = testing::TempDir() + "scene_" + std::to_string(getpid()) + ".3ds";
  std::vector<std::uint8_t> bytes = write3ds(written);
  bytes.resize(std::min(size, bytes.size()));
  ASSERT_TRUE(saveBytes(path, bytes));
  loadCheckAndFree(path, check);
  std::filesystem::remove(path);
}

// A wavy grid of (n + 1)^2 vertices and 2 n^2 faces; face f gets material
// materials[f % materials.size()].
WriterObject gridObject(const std::string& name, int n, float originX,
                        const std::vector<std::string>& materials) {
  WriterObject object{name, {}, {}, {}, {}};
  for (const std::string& material : materials) object.faceMaterials.push_back({material, {}});
  for (int v = 0; v < (n + 1) * (n + 1); ++v) {
    const float x = originX + static_cast<float>(v % (n + 1)), y = static_cast<float>(v / (n + 1));
    object.vertices.push_back({x, y, 3.0f * std::sin(0.9f * x) * std::cos(0.7f * y)});
    object.mappings.push_back({x / static_cast<float>(n), y / static_cast<float>(n)});
    if (v % (n + 1) == n || v >= n * (n + 1)) continue;
    const auto c = [&](int offset) { return static_cast<std::uint16_t>(v + offset); };
    object.faces.insert(object.faces.end(), {{c(0), c(1), c(n + 1)}, {c(1), c(n + 2), c(n + 1)}});
  }
  for (std::size_t f = 0; f < object.faces.size(); ++f)
    object.faceMaterials[f % materials.size()].second.push_back(static_cast<std::uint16_t>(f));
  return object;
}

TEST(LoadScene, GeneratedScenesArePreparedAndFreedWithoutALeak) {
  WriterScene world{.materials = {{.name = "Glass", .transparencyPercent = 50},
                                  {.name = "Rock", .textureMap = "ROCK.TGA"},
                                  {.name = "Mist", .transparencyPercent = 20, .twoSided = true},
                                  {.name = "Grass"},
                                  {.name = "Unused", .transparencyPercent = 90}},
                    .objects = {gridObject("Hills", 12, 0, {"Rock", "Grass", "Glass"}),
                                gridObject("Lake", 5, 20, {"Mist"}),
                                gridObject("Cliff", 7, 30, {"Grass", "Rock"})}};
  world.light = world.camera = world.keyframer = true;
  loadGenerated(world, {});

  // Cut short anywhere, the file still gives a scene the renderer can draw.
  const std::size_t size = write3ds(world).size();
  for (std::size_t cut = 7; cut < size; cut += size / 13) loadGenerated(world, {}, cut);

  // No opaque face at all.
  WriterScene glass{.materials = {{.name = "Glass", .transparencyPercent = 40}},
                    .objects = {gridObject("Pane", 3, 0, {"Glass"})}};
  loadGenerated(glass, [](const Scene& s) { EXPECT_EQ(s.opaqueFaceCount, 0); });
}

// Each real file, loaded and prepared, against what an independent reader found
// in it: totals, the position checksum, faces per material name, materials.
TEST(LoadScene, RealFilesMatchTheIndependentReader) {
  const std::vector<PeerFile> peers = peerFiles();
  if (peers.empty()) GTEST_SKIP() << "no real .3ds files in " << WILDSKY_SHARED_DIR;
  for (const PeerFile& peer : peers) {
    SCOPED_TRACE(peer.file.filename().string());
    ASSERT_GE(peer.vertices, 0);
    loadCheckAndFree(peer.file.string(), [&](const Scene& s) {
      EXPECT_EQ(s.vertexCount, peer.vertices);
      EXPECT_EQ(s.faceCount, peer.faces);
      double sum[3] = {};
      for (const SceneVertex& p : std::span(s.vertices, s.vertexCount))
        sum[0] += p.x, sum[1] += p.y, sum[2] += p.z;
      for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(sum[c], peer.vertexSum[c], 0.01 + std::abs(peer.vertexSum[c]) * 1e-5) << c;
      EXPECT_EQ(facesPerMaterialName(s), peer.facesByMaterial);
      for (const PeerMaterial& material : peer.materials) {
        std::int32_t m = s.materialCount - 1;  // the last of that name
        while (m >= 0 && material.name != s.materials[m].name) --m;
        ASSERT_GE(m, 0) << material.name;
        EXPECT_EQ(s.materials[m].twoSided, material.twoSided);
        EXPECT_NEAR(s.materials[m].transparency / 255.0, material.transparency, 0.005);
        if (!material.texture.empty() && material.reflection.empty()) {
          // The reader keeps the name with its last three characters as "3df".
          const std::string texture = material.texture.substr(0, material.texture.size() - 3);
          EXPECT_STREQ(s.materials[m].textureFile, (texture + "3df").c_str());
        }
      }
    });
  }
  EXPECT_EQ(peers.size(), 9u);
}

}  // namespace
