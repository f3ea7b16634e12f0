#include <gtest/gtest.h>

#include "app/tracked_memory.h"
#include "reader3ds/load3ds.h"
#include "tests/reader3ds/reader_test_support.h"
#include "tools/writer3ds/chunk_ids.h"
#include "tools/writer3ds/chunk_writer.h"

namespace {

class MeshHandlers : public testing::Test {
 protected:
  void SetUp() override { resetReaderState(); }
};

// Two objects of 4 and 3 vertices, two materials, a light and a camera: the
// whole Scene as the reader hands it over.
TEST_F(MeshHandlers, ObjectsAreMergedIntoSceneWideArrays) {
  WriterScene file;
  file.materials = {{.name = "Red", .diffuse = {255, 0, 0}}, {.name = "Blue"}};
  file.objects.push_back(makeObject("Quad", 4, {{0, 1, 2}, {0, 2, 3}}));
  file.objects.push_back(makeObject("Tri", 3, {{0, 1, 2}}));
  file.objects[0].faceMaterials = {{"Blue", {1}}, {"Red", {0}}};
  file.objects[1].faceMaterials = {{"Red", {0}}};
  file.light = file.camera = true;
  const std::uint32_t before = getTotalMemAllocated();
  {
    const auto loaded = loadBytes(write3ds(file));
    const Scene& s = loaded->scene;
    ASSERT_EQ(s.vertexCount, 7);
    ASSERT_EQ(s.faceCount, 3);
    ASSERT_EQ(s.materialCount, 2);
    const std::int32_t expected[3][3] = {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}};
    const std::int32_t materials[3] = {0, 1, 0};
    for (int f = 0; f < 3; ++f) {
      for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(s.faces[f].vertex[k], expected[f][k]);
        EXPECT_EQ(s.faces[f].mapping[k], expected[f][k]);
      }
      EXPECT_EQ(s.faces[f].material, materials[f]) << "face " << f;
    }
    for (int v = 0; v < 7; ++v) {
      const float i = static_cast<float>(v < 4 ? v : v - 4);
      EXPECT_EQ(s.vertices[v].x, i);
      EXPECT_EQ(s.vertices[v].y, 2 * i);
      EXPECT_EQ(s.vertices[v].z, -i);
      EXPECT_EQ(s.mappings[v].s, i / 8 * 256);
      EXPECT_EQ(s.mappings[v].t, (1 - i / 8) * 256);
    }
  }
  EXPECT_EQ(getTotalMemAllocated(), before) << "the reader keeps no block after the hand-over";
}

TEST_F(MeshHandlers, FaceMaterialNamesResolveWithinTheirFaceList) {
  WriterScene file;
  file.materials = {{.name = "Twin"}, {.name = "Other"}, {.name = "Twin"}, {.name = "Odd"}};
  file.objects.push_back(makeObject("A", 3, {{0, 1, 2}, {0, 1, 2}}));
  file.objects.push_back(makeObject("B", 3, {{0, 1, 2}, {0, 1, 2}, {0, 1, 2}}));
  // Face 5 of B lies beyond its face list: ignored, not written into the next list.
  file.objects[1].faceMaterials = {{"Twin", {0, 1}}, {"Other", {2, 5}}};
  file.objects[0].faceMaterials = {{"Odd", {1}}};
  auto loaded = loadBytes(write3ds(file));
  const Scene& s = loaded->scene;
  ASSERT_EQ(s.faceCount, 5);
  EXPECT_EQ(s.faces[1].material, 3);
  EXPECT_EQ(s.faces[2].material, 2) << "two materials of one name: the later one";
  EXPECT_EQ(s.faces[3].material, 2);
  EXPECT_EQ(s.faces[4].material, 1);
  // Face 0 was never named: it gets the fallback material.
  ASSERT_EQ(s.materialCount, 5);
  EXPECT_EQ(s.faces[0].material, 4);
  EXPECT_STREQ(s.materials[4].name, "");
  EXPECT_EQ(s.materials[4].flags, MATERIAL_HAS_DIFFUSE);
  EXPECT_EQ(s.materials[4].transparency, 0.0f);
  EXPECT_EQ(s.materials[4].textureFile, nullptr);
}

TEST_F(MeshHandlers, FaceMaterialNameEndsAtFFAndUnknownNamesFallBack) {
  ChunkWriter w;
  w.begin(chunk_id::MATERIAL);
  w.begin(chunk_id::MATERIAL_NAME);
  w.str("Stone");
  w.end();
  w.end();
  w.begin(chunk_id::VERTEX_LIST);
  w.u16(3);
  for (int i = 0; i < 9; ++i) w.f32(static_cast<float>(i));
  w.end();
  w.begin(chunk_id::FACE_LIST);
  w.u16(2);
  for (std::uint16_t v : {0, 1, 2, 7, 2, 1, 0, 7}) w.u16(v);
  w.begin(chunk_id::FACE_MATERIAL);
  w.raw("Stone\xFF", 6);  // the name ends at 0xFF; the count follows at once
  w.u16(1);
  w.u16(0);
  w.end();
  w.begin(chunk_id::FACE_MATERIAL);
  w.str("Nowhere");
  w.u16(1);
  w.u16(1);
  w.end();
  w.end();
  auto loaded = loadBytes(w.bytes());
  const Scene& s = loaded->scene;
  ASSERT_EQ(s.faceCount, 2);
  EXPECT_EQ(s.faces[0].material, 0);
  ASSERT_EQ(s.materialCount, 2);
  EXPECT_EQ(s.faces[1].material, 1);
}

// Corner numbers beyond their object fall back to the object's first vertex;
// faces of an object without vertices (a vertex list of 0 moved vertexBase
// to the end) collapse onto one vertex appended at the origin.
TEST_F(MeshHandlers, CornersNeverLeaveTheirObject) {
  WriterScene file;
  file.objects.push_back(makeObject("A", 3, {{0, 1, 2}}));
  file.objects.push_back(makeObject("B", 3, {{2, 3, 65535}}));
  file.objects.push_back(makeObject("Empty", 0, {}));
  ChunkWriter tail;
  tail.begin(chunk_id::FACE_LIST);
  tail.u16(1);
  for (std::uint16_t v : {0, 1, 2, 0}) tail.u16(v);
  tail.end();
  std::vector<std::uint8_t> bytes = write3ds(file);
  bytes.insert(bytes.end(), tail.bytes().begin(), tail.bytes().end());
  auto loaded = loadBytes(bytes);
  const Scene& s = loaded->scene;
  ASSERT_EQ(s.vertexCount, 7);
  ASSERT_EQ(s.faceCount, 3);
  const std::int32_t expected[3] = {5, 3, 3};
  for (int k = 0; k < 3; ++k) EXPECT_EQ(s.faces[1].vertex[k], expected[k]);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(s.faces[2].vertex[k], 6);
  EXPECT_EQ(s.vertices[6].x, 0.0f);
  ASSERT_EQ(s.materialCount, 1) << "a file without materials gets the fallback";
  EXPECT_EQ(s.faces[2].material, 0);
}

TEST_F(MeshHandlers, MappingsArePaddedAndCutToEachObjectsVertices) {
  WriterScene file;
  file.objects.push_back(makeObject("NoPairs", 3, {{0, 1, 2}}));
  file.objects.push_back(makeObject("FewPairs", 4, {{0, 1, 3}}));
  file.objects.push_back(makeObject("ManyPairs", 2, {{0, 1, 1}}));
  file.objects.push_back(makeObject("Exact", 3, {{0, 1, 2}}));
  file.objects[0].mappings.clear();
  file.objects[1].mappings.resize(2);
  file.objects[2].mappings.push_back({9, 9});
  file.objects[2].mappings.push_back({9, 9});
  auto loaded = loadBytes(write3ds(file));
  const Scene& s = loaded->scene;
  ASSERT_EQ(s.vertexCount, 12);
  const float expectedS[12] = {0, 0, 0, 0, 32, 0, 0, 0, 32, 0, 32, 64};
  for (int j = 0; j < 12; ++j) EXPECT_EQ(s.mappings[j].s, expectedS[j]) << "mapping " << j;
  EXPECT_EQ(s.mappings[11].t, (1 - 2.0f / 8) * 256);
}

TEST_F(MeshHandlers, EmptyFileGivesAnEmptyScene) {
  auto loaded = loadBytes({});
  const Scene& s = loaded->scene;
  EXPECT_EQ(s.vertexCount, 0);
  EXPECT_EQ(s.faceCount, 0);
  EXPECT_EQ(s.materialCount, 0);
  EXPECT_NE(s.mappings, nullptr);
}

// Counts larger than the chunk holds: the records the chunk cannot hold are
// dropped, so counts and arrays agree and nothing outside is read.
TEST_F(MeshHandlers, CountsAreBoundedByTheChunkAndTheFile) {
  ChunkWriter w;
  w.begin(chunk_id::VERTEX_LIST);
  w.u16(65535);
  for (float c : {1.0f, 2.0f, 3.0f, 4.0f}) w.f32(c);
  w.end();
  w.begin(chunk_id::MAPPINGS_LIST);
  w.u16(65535);
  w.f32(0.5f);
  w.f32(0.25f);
  w.end();
  w.begin(chunk_id::FACE_LIST);
  w.u16(3);
  for (std::uint16_t v : {0, 0, 0}) w.u16(v);
  w.end();
  w.header(chunk_id::VERTEX_LIST, 1000);  // runs past the end of the file
  w.u16(40);
  for (int i = 0; i < 7; ++i) w.f32(5.0f);
  auto loaded = loadBytes(w.bytes());
  const Scene& s = loaded->scene;
  ASSERT_EQ(s.vertexCount, 3);
  EXPECT_EQ(s.vertices[0].z, 3.0f);
  EXPECT_EQ(s.vertices[1].x, 5.0f);
  EXPECT_EQ(s.vertices[2].z, 5.0f);
  EXPECT_EQ(s.mappings[0].s, 128.0f);
  EXPECT_EQ(s.mappings[2].s, 0.0f);
  EXPECT_EQ(s.faceCount, 0) << "a face list holding less than one face adds none";
}

}  // namespace
