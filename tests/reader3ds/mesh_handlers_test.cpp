#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tests/reader3ds/reader_test_support.h"

namespace {

using namespace chunk_id;

// A mesh object of vertexCount vertices on a line, faces as given.
WriterObject makeObject(const std::string& name, int vertexCount,
                        std::vector<std::array<std::uint16_t, 3>> faces) {
  WriterObject object{name, {}, {}, faces, {}};
  for (float f = 0; f < static_cast<float>(vertexCount); ++f) {
    object.vertices.push_back({f, 2 * f, -f});
    object.mappings.push_back({f / 8, 1 - f / 8});
  }
  return object;
}

// Corner numbers beyond their object fall back to the object's first vertex;
// faces of an object without vertices collapse onto one vertex appended at the
// origin; mapping pairs are padded and cut to each object's vertices.
TEST(MeshHandlers, CornersMappingsAndNamesNeverLeaveTheirArrays) {
  WriterScene file{
      .materials = {},
      .objects = {makeObject("NoPairs", 3, {{0, 1, 2}}), makeObject("FewPairs", 3, {{2, 3, 65535}}),
                  makeObject("ManyPairs", 2, {{0, 1, 1}}), makeObject("Exact", 3, {{0, 1, 2}}),
                  makeObject("Empty", 0, {})}};
  file.objects[0].mappings.clear();
  file.objects[1].mappings.resize(2);
  file.objects[2].mappings.resize(4, {9, 9});
  const std::vector<std::uint8_t> bytes = write3ds(file);  // and a face list after "Empty"
  const auto s =
      loadBytes(std::string(bytes.begin(), bytes.end()) + chunk(FACE_LIST, u16s({1, 0, 1, 2, 0})));
  ASSERT_TRUE(s->vertexCount == 12 && s->faceCount == 5);
  const std::int32_t corners[5][3] = {{0, 1, 2}, {5, 3, 3}, {6, 7, 7}, {8, 9, 10}, {11, 11, 11}};
  for (int f = 0; f < 5; ++f)
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(s->faces[f].vertex[k], corners[f][k]) << "face " << f;
      EXPECT_EQ(s->faces[f].mapping[k], corners[f][k]) << "face " << f;
    }
  EXPECT_EQ(s->vertices[11].x, 0.0f);
  const float mappingS[12] = {0, 0, 0, 0, 32, 0, 0, 32, 0, 32, 64, 0};
  for (int j = 0; j < 12; ++j) EXPECT_EQ(s->mappings[j].s, mappingS[j]) << "mapping " << j;
  EXPECT_EQ(s->mappings[10].t, (1 - 2.0f / 8) * 256);
  // A vertex holds its own pair from the start: the first frame may project
  // it for a coloured face before a textured face reuses the projection.
  for (int j = 0; j < 12; ++j) {
    EXPECT_EQ(std::pair(s->vertices[j].s, s->vertices[j].t),
              std::pair(s->mappings[j].s, s->mappings[j].t))
        << "vertex " << j;
  }

  // A face material name ends at its zero byte, 0xFF included as in the
  // material's own name, or is cut to 37 characters (the rest is read and
  // dropped), and resolves to the last material of that name; a face number
  // beyond its list is ignored; unknown names get the fallback.
  const std::string longName = "A material name much longer than the thirty-seven characters";
  const std::string latin1 = "Caf\xFF";
  const auto named = loadBytes(
      chunk(MATERIAL_NAME, text("Stone")) + chunk(MATERIAL_NAME, text(longName)) +
      chunk(MATERIAL_NAME, text("Stone")) + chunk(MATERIAL_NAME, text(latin1)) +
      chunk(VERTEX_LIST, u16s({3}) + f32s({0, 1, 2, 3, 4, 5, 6, 7, 8})) +
      chunk(FACE_LIST, u16s({4, 0, 1, 2, 7, 2, 1, 0, 7, 1, 2, 0, 7, 0, 2, 1, 7}) +
                           chunk(FACE_MATERIAL, text(latin1) + u16s({2, 0, 4})) +
                           chunk(FACE_MATERIAL, text(longName) + u16s({1, 1})) +
                           chunk(FACE_MATERIAL, text("Stone") + u16s({1, 2})) +
                           chunk(FACE_MATERIAL, text("Nowhere") + u16s({1, 3})) +
                           // Two face numbers announced, none held: the next
                           // chunk's id (1) is not taken for a face number.
                           chunk(FACE_MATERIAL, text("Stone") + u16s({2})) + chunk(1, "")) +
      // A face number beyond its own list, though not beyond the scene's faces.
      chunk(FACE_LIST, u16s({1, 0, 1, 2, 7}) + chunk(FACE_MATERIAL, text("Stone") + u16s({1, 1}))));
  ASSERT_TRUE(named->faceCount == 5 && named->materialCount == 5);
  const SceneFace* faces = named->faces;
  EXPECT_TRUE(faces[0].material == 3 && faces[1].material == 1 && faces[2].material == 2 &&
              faces[3].material == 4 && faces[4].material == 4);
  const Material* m = named->materials;
  EXPECT_EQ(std::string(m[1].name), longName.substr(0, 37));
  EXPECT_EQ(std::string(m[3].name), latin1);
  EXPECT_STREQ(m[4].name, "");
  EXPECT_TRUE(m[4].flags == MATERIAL_HAS_DIFFUSE && m[4].transparency == 0.0f);
  EXPECT_EQ(m[4].textureFile, nullptr);
}

// Thousands of materials, many sharing a name, interleaved with face lists
// whose material chunks name them: each face gets the highest-numbered
// material of its name defined before it, as a search from the array's end
// would find, however the names' index grows along the way.
TEST(MeshHandlers, FaceMaterialsFindTheLatestOfTheirNameAmongThousands) {
  constexpr std::int32_t UNKNOWN = -1;
  std::mt19937 random(7);
  std::vector<std::string> materialNames;
  std::vector<std::int32_t> expected;
  std::string bytes = chunk(VERTEX_LIST, u16s({3}) + f32s({0, 1, 2, 3, 4, 5, 6, 7, 8}));
  for (int step = 0; step < 4000; ++step) {
    const std::string name = std::to_string(random() % 1500) + "m";
    if (step % 2 == 0) {
      materialNames.push_back(name);
      bytes += chunk(MATERIAL_NAME, text(name));
      continue;
    }
    const auto latest = std::find(materialNames.rbegin(), materialNames.rend(), name);
    expected.push_back(latest == materialNames.rend()
                           ? UNKNOWN
                           : static_cast<std::int32_t>(materialNames.rend() - latest - 1));
    bytes += chunk(FACE_LIST, u16s({1, 0, 1, 2, 7}) + chunk(FACE_MATERIAL, text(name) + u16s({1, 0})));
  }
  const auto s = loadBytes(bytes);
  ASSERT_EQ(s->faceCount, static_cast<std::int32_t>(expected.size()));
  const auto fallback = static_cast<std::int32_t>(materialNames.size());
  ASSERT_GT(std::count(expected.begin(), expected.end(), UNKNOWN), 0);
  for (std::size_t f = 0; f < expected.size(); ++f) {
    EXPECT_EQ(s->faces[f].material, expected[f] == UNKNOWN ? fallback : expected[f])
        << "face " << f;
  }
}

}  // namespace
