#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "reader3ds/chunk_table.h"
#include "reader3ds/load3ds.h"
#include "reader3ds/reader_state.h"
#include "tests/reader3ds/reader_test_support.h"
#include "tools/writer3ds/chunk_ids.h"
#include "tools/writer3ds/chunk_writer.h"

namespace {

namespace fs = std::filesystem;

class ChunkWalker : public testing::Test {
 protected:
  void SetUp() override { resetReaderState(); }
};

void materialChunk(ChunkWriter& w, const char* name) {
  w.begin(chunk_id::MATERIAL);
  w.begin(chunk_id::MATERIAL_NAME);
  w.str(name);
  w.end();
  w.end();
}

std::string materialNames(const Scene& s) {
  std::string names;
  for (std::int32_t m = 0; m < s.materialCount; ++m)
    names += std::string(s.materials[m].name) + ";";
  return names;
}

TEST(ChunkTable, RowsInOrderWithUniqueIds) {
  ASSERT_EQ(chunkTypes.size(), 98u);
  std::set<std::uint32_t> ids;
  for (const ChunkType& type : chunkTypes) ids.insert(type.id);
  EXPECT_EQ(ids.size(), 98u);
  EXPECT_EQ(chunkTypes[0].id, 0x0010u);
  EXPECT_STREQ(chunkTypes[0].name, "RGB float");
  EXPECT_STREQ(chunkTypes[10].name, "Ambient color");
  EXPECT_STREQ(chunkTypes[32].name, "Ambient color");
  EXPECT_STREQ(chunkTypes[25].name, "Light Multyplity");
  EXPECT_STREQ(chunkTypes[49].name, "Shadeing type");
  EXPECT_STREQ(chunkTypes[47].name, "Self Illumination: FaceMap /flag/");
  EXPECT_EQ(chunkTypes[78].id, 0xA300u);
  EXPECT_EQ(chunkTypes[97].id, 0xB024u);
  EXPECT_STREQ(chunkTypes[97].name, "Roll track");
  EXPECT_EQ(findChunkType(0x4D4D)->handler, nullptr);
  EXPECT_EQ(findChunkType(0xA210)->handler, &ignoreChunk);
  EXPECT_EQ(findChunkType(0x3D3E), nullptr);
  EXPECT_EQ(findChunkType(0x0012), nullptr);
}

TEST_F(ChunkWalker, UnlistedChunksArePassedOverWhole) {
  ChunkWriter w;
  w.begin(chunk_id::MAIN);
  for (std::uint16_t unlisted : {0x3D3E, 0x0100, 0x0012}) {
    w.begin(unlisted);
    materialChunk(w, "Hidden");
    w.end();
  }
  w.begin(chunk_id::OBJECT_MESH);
  materialChunk(w, "Seen");
  w.end();
  w.end();
  auto loaded = loadBytes(w.bytes());
  EXPECT_EQ(materialNames(loaded->scene), "Seen;");
}

// A zero length ends its level; a sub-chunk running past its parent ends the
// parent's level and the walk goes on after the parent.
TEST_F(ChunkWalker, BrokenLevelsEndAndTheWalkResumesAfterTheParent) {
  ChunkWriter w;
  w.begin(chunk_id::OBJECT_MESH);
  materialChunk(w, "A");
  w.header(0x0100, 0);
  materialChunk(w, "Lost");
  w.end();
  w.begin(chunk_id::OBJECT_MESH);
  w.header(0x0100, 1000);  // past the parent's end
  w.end();
  materialChunk(w, "B");
  w.begin(chunk_id::MAIN);  // not the first chunk; no magic number is needed
  materialChunk(w, "C");
  w.end();
  materialChunk(w, "D");  // after "Main": still read
  auto loaded = loadBytes(w.bytes());
  EXPECT_EQ(materialNames(loaded->scene), "A;B;C;D;");
}

// Handlers that read less or more than their chunk holds (a short "Matrix",
// key tracks whose counts run past the chunk and the file): the walker's seek
// to the chunk end undoes it, and the chunks after them are read.
TEST_F(ChunkWalker, HandlersAreFollowedBySeekToTheChunkEnd) {
  ChunkWriter w;
  w.begin(chunk_id::MATRIX);
  w.end();
  materialChunk(w, "AfterShort");
  for (std::uint16_t track : {chunk_id::POSITION_KEYS, chunk_id::MORPH_KEYS, chunk_id::HIDE_KEYS}) {
    w.begin(track);
    for (int i = 0; i < 5; ++i) w.u16(0);
    w.u16(65535);
    w.u16(1);  // the upper half of the count is dropped
    w.u32(0);
    w.u16(0xFFFF);  // sixteen spline values
    w.end();
    materialChunk(w, "After");
  }
  auto loaded = loadBytes(w.bytes());
  EXPECT_EQ(materialNames(loaded->scene), "AfterShort;After;After;After;");
}

TEST_F(ChunkWalker, HugeLengthsAndDeepNestingEndTheWalk) {
  ChunkWriter w;
  materialChunk(w, "First");
  w.header(chunk_id::OBJECT_MESH, 0xFFFFFFF0u);  // its end passes INT32_MAX
  materialChunk(w, "Unreached");
  auto loaded = loadBytes(w.bytes());
  EXPECT_EQ(materialNames(loaded->scene), "First;");

  // 200000 nested headers, each claiming the rest of the file: the walk stays
  // within its depth bound, and chunks near the top are still read.
  ChunkWriter deep;
  materialChunk(deep, "Top");
  constexpr std::uint32_t levels = 200000;
  for (std::uint32_t i = 0; i < levels; ++i)
    deep.header(chunk_id::OBJECT_MESH, (levels - i) * 6 + 20);
  materialChunk(deep, "Bottom");
  auto deepLoaded = loadBytes(deep.bytes());
  EXPECT_EQ(materialNames(deepLoaded->scene), "Top;");
}

// Each 12-byte "doubler" makes the rest of the file be walked twice: once by
// the inner chunk that runs to the file end and once more by the outer level,
// which resumes after the short outer chunk. Twenty of them would read the
// vertex list a million times; the read budget ends the walk long before.
TEST_F(ChunkWalker, OverlappingChunksAreBoundedByTheReadBudget) {
  constexpr int doublers = 20;
  constexpr int vertices = 100;
  constexpr std::uint32_t fileLength = doublers * 12 + 8 + vertices * 12;
  ChunkWriter w;
  for (std::uint32_t at = 0; at < doublers * 12; at += 12) {
    w.header(chunk_id::MAIN, 12);
    w.header(chunk_id::MAIN, fileLength - (at + 6));
  }
  w.header(chunk_id::VERTEX_LIST, 8 + vertices * 12);
  w.u16(vertices);
  for (int i = 0; i < vertices * 3; ++i) w.f32(1.0f);
  ASSERT_EQ(w.bytes().size(), fileLength);
  auto loaded = loadBytes(w.bytes());
  const std::int64_t budget = READ_BUDGET_PER_FILE_BYTE * fileLength + READ_BUDGET_SPARE;
  EXPECT_GE(loaded->scene.vertexCount, vertices);
  EXPECT_LE(loaded->scene.vertexCount * 12, budget);
}

// Inputs the fuzzer found: each loads into a scene whose indices all lie
// inside its arrays, reading no more than the budget allows.
TEST_F(ChunkWalker, FuzzerFindingsLoadSafely) {
  const fs::path folder = fs::path(WILDSKY_READER_TEST_DIR) / "fuzz_regressions";
  int count = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    SCOPED_TRACE(entry.path().filename().string());
    resetReaderState();
    auto loaded = loadFile(entry.path().string());
    const Scene& s = loaded->scene;
    for (std::int32_t f = 0; f < s.faceCount; ++f) {
      for (int k = 0; k < 3; ++k) ASSERT_LT(s.faces[f].vertex[k], s.vertexCount);
      ASSERT_LT(s.faces[f].material, s.materialCount);
    }
    const auto size = static_cast<std::int64_t>(fs::file_size(entry.path()));
    EXPECT_LE(s.vertexCount * 12, READ_BUDGET_PER_FILE_BYTE * size + READ_BUDGET_SPARE);
    ++count;
  }
  EXPECT_GT(count, 0);
}

TEST_F(ChunkWalker, KeyframerSectionLeavesNoTrace) {
  WriterScene file;
  file.materials = {{.name = "M", .transparencyPercent = 30, .textureMap = "M.TGA"}};
  file.objects.push_back(makeObject("A", 4, {{0, 1, 2}, {1, 2, 3}}));
  file.objects[0].faceMaterials = {{"M", {0, 1}}};
  file.light = file.camera = true;
  auto plain = loadBytes(write3ds(file));
  file.keyframer = true;
  auto animated = loadBytes(write3ds(file));
  const Scene& a = plain->scene;
  const Scene& b = animated->scene;
  ASSERT_EQ(a.vertexCount, b.vertexCount);
  ASSERT_EQ(a.faceCount, b.faceCount);
  ASSERT_EQ(a.materialCount, b.materialCount);
  EXPECT_EQ(std::memcmp(a.vertices, b.vertices, sizeof(SceneVertex) * a.vertexCount), 0);
  EXPECT_EQ(std::memcmp(a.faces, b.faces, sizeof(SceneFace) * a.faceCount), 0);
  EXPECT_EQ(std::memcmp(a.mappings, b.mappings, sizeof(SceneMapping) * a.vertexCount), 0);
  EXPECT_STREQ(b.materials[0].textureFile, "M.3df");
  EXPECT_EQ(a.materials[0].transparency, b.materials[0].transparency);
}

TEST(LoadFailure, MissingFileEndsTheProcessWithItsPathAsGiven) {
  EXPECT_EXIT(
      {
        dup2(STDERR_FILENO, STDOUT_FILENO);  // the message goes to stdout; let the test see it
        Scene scene{};
        load3ds("OBJECTS\\gone.3ds", &scene);
      },
      testing::ExitedWithCode(1), "^Can't open \"OBJECTS\\\\gone\\.3ds\"!\n$");
}

}  // namespace
