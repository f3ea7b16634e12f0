#include <gtest/gtest.h>

#include <cmath>

#include "tests/reader3ds/peer_files.h"
#include "tests/reader3ds/reader_test_support.h"

namespace {

std::int32_t lastMaterialNamed(const Scene& s, const std::string& name) {
  std::int32_t found = -1;
  for (std::int32_t m = 0; m < s.materialCount; ++m)
    found = name == s.materials[m].name ? m : found;
  return found;
}

// Each real file against what an independent reader found in it: totals,
// the position checksum, the faces each material name receives, materials.
TEST(RealFiles, EveryFileMatchesTheIndependentReader) {
  const std::vector<PeerFile> peers = peerFiles();
  if (peers.empty()) GTEST_SKIP() << "no real .3ds files in " << WILDSKY_SHARED_DIR;
  for (const PeerFile& peer : peers) {
    SCOPED_TRACE(peer.file.filename().string());
    ASSERT_GE(peer.vertices, 0);
    resetReaderState();
    const auto s = loadFile(peer.file.string());
    EXPECT_EQ(s->vertexCount, peer.vertices);
    EXPECT_EQ(s->faceCount, peer.faces);
    float SceneVertex::*const axes[] = {&SceneVertex::x, &SceneVertex::y, &SceneVertex::z};
    for (int c = 0; c < 3; ++c) {
      double sum = 0;
      for (std::int32_t v = 0; v < s->vertexCount; ++v) sum += s->vertices[v].*axes[c];
      const double expected = peer.vertexSum[c];
      EXPECT_NEAR(sum, expected, 0.01 + std::abs(expected) * 1e-5) << "axis " << c;
    }

    // Faces named with a name no material has fall back to the unnamed material.
    FacesPerName expectedFaces, faces;
    for (const auto& [name, count] : peer.facesByMaterial) {
      expectedFaces[lastMaterialNamed(*s, name) >= 0 ? name : ""] += count;
    }
    for (std::int32_t f = 0; f < s->faceCount; ++f) {
      ASSERT_TRUE(s->faces[f].material >= 0 && s->faces[f].material < s->materialCount);
      for (int k = 0; k < 3; ++k) ASSERT_LT(s->faces[f].vertex[k], s->vertexCount);
      ++faces[s->materials[s->faces[f].material].name];
    }
    EXPECT_EQ(faces, expectedFaces);

    for (const PeerMaterial& material : peer.materials) {
      const std::int32_t m = lastMaterialNamed(*s, material.name);
      ASSERT_GE(m, 0) << material.name;
      EXPECT_EQ(s->materials[m].twoSided, material.twoSided);
      EXPECT_NEAR(s->materials[m].transparency / 255.0, material.transparency, 0.005);
      if (!material.texture.empty() && material.reflection.empty()) {
        // The reader keeps the name with its last three characters as "3df".
        const std::string texture = material.texture.substr(0, material.texture.size() - 3) + "3df";
        EXPECT_STREQ(s->materials[m].textureFile, texture.c_str());
      }
    }
  }
}

}  // namespace
