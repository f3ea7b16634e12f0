#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "reader3ds/load3ds.h"
#include "tests/reader3ds/json_lite.h"
#include "tests/reader3ds/reader_test_support.h"

namespace {

namespace fs = std::filesystem;

const fs::path realFiles = fs::path(WILDSKY_SHARED_DIR) / "testdata" / "3ds";

std::string readText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The map name as the reader keeps it: the last three characters become "3df".
std::string renamed(std::string name) { return name.replace(name.size() - 3, 3, "3df"); }

// Each real file against what an independent reader found in it: totals,
// the faces each material name receives, the position checksum, maps.
void checkAgainstPeer(const fs::path& file, const JsonValue& peer) {
  SCOPED_TRACE(file.filename().string());
  resetReaderState();
  auto loaded = loadFile(file.string());
  const Scene& s = loaded->scene;
  EXPECT_EQ(s.vertexCount, peer["vertices"].number);
  EXPECT_EQ(s.faceCount, peer["faces"].number);

  double sum[3] = {0, 0, 0};
  for (std::int32_t v = 0; v < s.vertexCount; ++v) {
    sum[0] += s.vertices[v].x;
    sum[1] += s.vertices[v].y;
    sum[2] += s.vertices[v].z;
  }
  for (int c = 0; c < 3; ++c) {
    const double expected = peer["vertexSum"].items[c].number;
    EXPECT_NEAR(sum[c], expected, 0.01 + std::abs(expected) * 1e-5) << "axis " << c;
  }

  // Faces named with a name no material has fall back to the unnamed material.
  std::map<std::string, int> expectedFaces;
  const JsonValue& byMaterial = peer["facesByMaterial"];
  for (std::size_t i = 0; i < byMaterial.keys.size(); ++i) {
    const std::string& name = byMaterial.keys[i];
    expectedFaces[loaded->materialIndex(name) >= 0 ? name : ""] +=
        static_cast<int>(byMaterial.values[i].number);
  }
  std::map<std::string, int> faces;
  for (std::int32_t f = 0; f < s.faceCount; ++f) {
    ASSERT_GE(s.faces[f].material, 0);
    ASSERT_LT(s.faces[f].material, s.materialCount);
    for (int k = 0; k < 3; ++k) ASSERT_LT(s.faces[f].vertex[k], s.vertexCount);
    ++faces[loaded->materialName(f)];
  }
  EXPECT_EQ(faces, expectedFaces);

  for (const JsonValue& material : peer["materials"].items) {
    const std::int32_t m = loaded->materialIndex(material["name"].text);
    ASSERT_GE(m, 0) << material["name"].text;
    const Material& ours = s.materials[m];
    EXPECT_EQ(ours.twoSided, material["twoSided"].number);
    EXPECT_NEAR(ours.transparency / 255.0, material["transparency"].number, 0.005);
    const std::string texture = material["texture1"].text;
    const std::string reflection = material["reflection"].text;
    if (!texture.empty() && reflection.empty()) {
      EXPECT_STREQ(ours.textureFile, renamed(texture).c_str());
    }
  }
}

TEST(RealFiles, EveryFileMatchesTheIndependentReader) {
  if (!fs::is_directory(realFiles / "lib3ds")) {
    GTEST_SKIP() << "no real .3ds files at " << realFiles.string();
  }
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(realFiles)) {
    const fs::path peerFile = realFiles / "lib3ds" / (entry.path().filename().string() + ".json");
    if (!fs::exists(peerFile)) continue;
    const JsonValue peer = parseJson(readText(peerFile));
    ASSERT_EQ(peer.kind, JsonValue::Kind::OBJECT) << peerFile.string();
    checkAgainstPeer(entry.path(), peer);
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

}  // namespace
