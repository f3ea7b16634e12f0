#include <gtest/gtest.h>

#include "tests/reader3ds/reader_test_support.h"

namespace {

using namespace chunk_id;

// Two objects of 4 and 3 vertices beside a light, a camera and a keyframer
// section: the whole Scene as the reader hands it over. A name resolves to the
// last material of that name within its face list; a long name is cut to 37
// characters and still matches; a face number beyond its list is ignored.
TEST(MeshHandlers, ObjectsAreMergedIntoSceneWideArrays) {
  const std::string longName = "A material name much longer than the thirty-seven characters";
  WriterScene file{.materials = {{.name = "Twin",
                                  .diffuse = {255, 0, 0},
                                  .transparencyPercent = 30,
                                  .textureMap = "M.TGA"},
                                 {.name = longName, .twoSided = true},
                                 {.name = "Twin"},
                                 {.name = "Other"}},
                   .objects = {makeObject("Quad", 4, {{0, 1, 2}, {0, 2, 3}}),
                               makeObject("Tri", 3, {{0, 1, 2}, {0, 1, 2}, {0, 1, 2}})},
                   .light = true,
                   .camera = true,
                   .keyframer = true};
  file.objects[0].faceMaterials = {{longName, {1}}};
  file.objects[1].faceMaterials = {{"Twin", {0, 1}}, {"Other", {2, 5}}};
  resetReaderState();
  const auto s = loadBytes(write3ds(file));
  ASSERT_EQ(s->vertexCount, 7);
  ASSERT_EQ(s->faceCount, 5);
  ASSERT_EQ(s->materialCount, 5);
  // Corners, then material; face 0 is never named and gets the fallback.
  const std::int32_t faces[5][4] = {
      {0, 1, 2, 4}, {0, 2, 3, 1}, {4, 5, 6, 2}, {4, 5, 6, 2}, {4, 5, 6, 3}};
  for (int f = 0; f < 5; ++f) {
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(s->faces[f].vertex[k], faces[f][k]);
      EXPECT_EQ(s->faces[f].mapping[k], faces[f][k]);
    }
    EXPECT_EQ(s->faces[f].material, faces[f][3]) << "face " << f;
  }
  for (int v = 0; v < 7; ++v) {
    const float i = static_cast<float>(v < 4 ? v : v - 4);
    EXPECT_TRUE(s->vertices[v].x == i && s->vertices[v].y == 2 * i && s->vertices[v].z == -i);
    EXPECT_TRUE(s->mappings[v].s == i / 8 * 256 && s->mappings[v].t == (1 - i / 8) * 256);
  }
  const Material* m = s->materials;
  EXPECT_TRUE(m[0].diffuse[0] == 255.0f && m[0].transparency == 76.5f);
  EXPECT_STREQ(m[0].textureFile, "M.3df");
  EXPECT_EQ(std::string(m[1].name), longName.substr(0, 37));
  EXPECT_EQ(m[1].twoSided, 1);
  EXPECT_STREQ(m[3].name, "Other") << "the rest of the long name was read and dropped";
  EXPECT_STREQ(m[4].name, "");
  EXPECT_TRUE(m[4].flags == MATERIAL_HAS_DIFFUSE && m[4].transparency == 0.0f);
  EXPECT_EQ(m[4].textureFile, nullptr);
}

TEST(MeshHandlers, FaceMaterialNameEndsAtFFAndUnknownNamesFallBack) {
  resetReaderState();
  const auto s =
      loadBytes(chunk(MATERIAL_NAME, text("Stone")) +
                chunk(VERTEX_LIST, u16s({3}) + f32s({0, 1, 2, 3, 4, 5, 6, 7, 8})) +
                chunk(FACE_LIST, u16s({2, 0, 1, 2, 7, 2, 1, 0, 7}) +
                                     // the name ends at 0xFF; the count follows at once
                                     chunk(FACE_MATERIAL, std::string("Stone\xFF") + u16s({1, 0})) +
                                     chunk(FACE_MATERIAL, text("Nowhere") + u16s({1, 1}))));
  ASSERT_EQ(s->faceCount, 2);
  ASSERT_EQ(s->materialCount, 2);
  EXPECT_EQ(s->faces[0].material, 0);
  EXPECT_EQ(s->faces[1].material, 1);
}

// Corner numbers beyond their object fall back to the object's first vertex;
// faces of an object without vertices collapse onto one vertex appended at the
// origin; mapping pairs are padded and cut to each object's vertices.
TEST(MeshHandlers, CornersAndMappingsNeverLeaveTheirObject) {
  WriterScene file{
      .materials = {},
      .objects = {makeObject("NoPairs", 3, {{0, 1, 2}}), makeObject("FewPairs", 3, {{2, 3, 65535}}),
                  makeObject("ManyPairs", 2, {{0, 1, 1}}), makeObject("Exact", 3, {{0, 1, 2}}),
                  makeObject("Empty", 0, {})}};
  file.objects[0].mappings.clear();
  file.objects[1].mappings.resize(2);
  file.objects[2].mappings.resize(4, {9, 9});
  const std::vector<std::uint8_t> bytes = write3ds(file);
  resetReaderState();  // a face list after the object without vertices:
  const auto s =
      loadBytes(std::string(bytes.begin(), bytes.end()) + chunk(FACE_LIST, u16s({1, 0, 1, 2, 0})));
  ASSERT_EQ(s->vertexCount, 12);
  ASSERT_EQ(s->faceCount, 5);
  const std::int32_t corners[5][3] = {{0, 1, 2}, {5, 3, 3}, {6, 7, 7}, {8, 9, 10}, {11, 11, 11}};
  for (int f = 0; f < 5; ++f) {
    for (int k = 0; k < 3; ++k) EXPECT_EQ(s->faces[f].vertex[k], corners[f][k]) << "face " << f;
  }
  EXPECT_EQ(s->vertices[11].x, 0.0f);
  const float mappingS[12] = {0, 0, 0, 0, 32, 0, 0, 32, 0, 32, 64, 0};
  for (int j = 0; j < 12; ++j) EXPECT_EQ(s->mappings[j].s, mappingS[j]) << "mapping " << j;
  EXPECT_EQ(s->mappings[10].t, (1 - 2.0f / 8) * 256);
  ASSERT_EQ(s->materialCount, 1) << "a file without materials gets the fallback";
  EXPECT_EQ(s->faces[4].material, 0);
}

// Counts larger than the chunk holds: the records the chunk cannot hold are
// dropped, so counts and arrays agree and nothing outside is read.
TEST(MeshHandlers, CountsAreBoundedByTheChunkAndTheFile) {
  resetReaderState();
  const auto empty = loadBytes("");
  EXPECT_TRUE(empty->vertexCount == 0 && empty->faceCount == 0 && empty->materialCount == 0);
  EXPECT_NE(empty->mappings, nullptr);

  const auto s = loadBytes(chunk(VERTEX_LIST, u16s({65535}) + f32s({1, 2, 3, 4})) +
                           chunk(MAPPINGS_LIST, u16s({65535}) + f32s({0.5f, 0.25f})) +
                           chunk(FACE_LIST, u16s({3, 0, 0, 0})) +
                           header(VERTEX_LIST, 1000) +  // runs past the end of the file
                           u16s({40}) + f32s(std::vector<float>(7, 5.0f)));
  ASSERT_EQ(s->vertexCount, 3);
  EXPECT_EQ(s->vertices[0].z, 3.0f);
  EXPECT_EQ(s->vertices[1].x, 5.0f);
  EXPECT_EQ(s->vertices[2].z, 5.0f);
  EXPECT_EQ(s->mappings[0].s, 128.0f);
  EXPECT_EQ(s->mappings[2].s, 0.0f);
  EXPECT_EQ(s->faceCount, 0) << "a face list holding less than one face adds none";
}

}  // namespace
