#include <gtest/gtest.h>

#include <filesystem>

#include "reader3ds/reader_state.h"
#include "tests/reader3ds/reader_test_support.h"

namespace {

namespace fs = std::filesystem;

using namespace chunk_id;
using namespace std::literals;

std::string material(const char* name) { return chunk(MATERIAL, chunk(MATERIAL_NAME, text(name))); }

// Broken and hostile chunk streams: which materials the walk still reaches.
TEST(ChunkWalker, WalksOnlyWhatTheChunkLengthsAllow) {
  // 65535 + 65536 keys (the count's upper half is dropped), every spline value.
  const std::string keys = u16s({0, 0, 0, 0, 0, 65535, 1, 0, 0, 0xFFFF});
  std::string deep = material("Top");
  constexpr std::uint32_t levels = 200000;
  for (std::uint32_t i = 0; i < levels; ++i) deep += header(OBJECT_MESH, (levels - i) * 6 + 20);
  const std::pair<std::string, const char*> cases[] = {
      // A zero length ends its level; a sub-chunk running past its parent ends
      // the parent's level and the walk goes on after the parent. "Main" needs
      // no magic number and may come anywhere.
      {chunk(OBJECT_MESH, material("A") + header(0x0100, 0) + material("Lost")) +
           chunk(OBJECT_MESH, header(0x0100, 1000)) + material("B") + chunk(MAIN, material("C")) +
           material("D"),
       "A;B;C;D;"},
      // Handlers that read less or more than their chunk holds (a short
      // "Matrix", key tracks running past the chunk and the file): the
      // walker's seek to the chunk end undoes it.
      {chunk(MATRIX, "") + material("Short") + chunk(POSITION_KEYS, keys) + material("After") +
           chunk(MORPH_KEYS, keys) + material("After") + chunk(HIDE_KEYS, keys) + material("After"),
       "Short;After;After;After;"},
      // Key tracks whose counts run past their chunks stop at the chunk end:
      // six of them, before 20 KB of other chunks, would each have read to the
      // end of the file and spent the load's read budget before "Kept".
      {[&] {
         std::string six;
         for (int i = 0; i < 6; ++i) six += chunk(POSITION_KEYS, keys);
         return six + material("Kept") + chunk(0x7777, std::string(20000, '\0'));
       }(),
       "Kept;"},
      {material("First") + header(OBJECT_MESH, 0xFFFFFFF0u) + material("Unreached"), "First;"},
      // 200000 nested headers, each claiming the rest of the file: the walk
      // stays within its depth bound, and chunks near the top are still read.
      {deep + material("Bottom"), "Top;"},
  };
  for (const auto& [bytes, names] : cases) {
    const auto s = loadBytes(bytes);
    std::string got;
    for (std::int32_t m = 0; m < s->materialCount; ++m) got += s->materials[m].name + ";"s;
    EXPECT_EQ(got, names);
  }
}

// Inputs the fuzzer found: each loads into a scene whose indices all lie
// inside its arrays, reading no more than the budget allows.
TEST(ChunkWalker, FuzzerFindingsLoadSafely) {
  int count = 0;
  for (const auto& entry :
       fs::directory_iterator(fs::path(WILDSKY_READER_TEST_DIR) / "fuzz_regressions")) {
    SCOPED_TRACE(entry.path().filename().string());
    const auto s = loadFile(entry.path().string());
    for (std::int32_t f = 0; f < s->faceCount; ++f) {
      for (int k = 0; k < 3; ++k) ASSERT_LT(s->faces[f].vertex[k], s->vertexCount);
      ASSERT_LT(s->faces[f].material, s->materialCount);
    }
    const auto size = static_cast<std::int64_t>(fs::file_size(entry.path()));
    EXPECT_LE(s->vertexCount * 12, READ_BUDGET_PER_FILE_BYTE * size + READ_BUDGET_SPARE);
    ++count;
  }
  EXPECT_GT(count, 0);
}

TEST(LoadFailure, MissingFileOrAFolderEndsTheProcessWithItsPathAsGiven) {
  Scene scene{};
  // The message goes to stdout; the death test reads stderr.
  EXPECT_EXIT((dup2(STDERR_FILENO, STDOUT_FILENO), load3ds("OBJECTS\\gone.3ds", &scene)),
              testing::ExitedWithCode(1), "^Can't open \"OBJECTS\\\\gone\\.3ds\"!\n$");
  const fs::path folder =
      fs::temp_directory_path() / ("wildsky-folder-" + std::to_string(getpid()) + ".3ds");
  fs::create_directories(folder);
  const std::string path = folder.string();
  EXPECT_EXIT((dup2(STDERR_FILENO, STDOUT_FILENO), load3ds(path.c_str(), &scene)),
              testing::ExitedWithCode(1), "^Can't open \"" + path + "\"!\n$");
  fs::remove(folder);
}

}  // namespace
