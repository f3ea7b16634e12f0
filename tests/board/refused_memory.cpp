// The host refusing large blocks of memory (a process near its address-space
// limit): the board's texture calls fail as the interface lets them fail (a
// file that cannot be read, a mipmap that does not fit) instead of ending the
// process, and texture memory stays as it was; a trace that cannot be held is
// refused with a message. This binary's operator new stands in for the
// standard library's.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "board/trace_reader.h"
#include "tests/board/board_test_support.h"

namespace {

// Blocks of this many bytes or more are refused while refusing is set.
constexpr std::size_t LARGE_BLOCK = 64 * 1024;
bool refusing = false;

template <typename Call>
auto whileRefusing(Call call) {
  refusing = true;
  auto result = call();
  refusing = false;
  return result;
}

std::string scratchFile(const std::string& extension) {
  return (std::filesystem::temp_directory_path() /
          ("wildsky-refused-" + std::to_string(getpid()) + extension))
      .string();
}

std::string write3df() {
  const std::string path = scratchFile(".3df");
  const std::string header = "3df v1.0\nrgb565\nlod range: 8 8\naspect ratio: 1 1\n";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(header.data(), 1, header.size(), file);
  for (int k = 0; k < 8 * 8 * 2; ++k) std::fputc(k, file);
  std::fclose(file);
  return path;
}

// A 256 x 256 mipmap: its decoded copy takes 256 KB of the host's memory.
GrMipMapId_t allocate() {
  return guTexAllocateMemory(
      GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, 256, 256, GR_TEXFMT_RGB_565, GR_MIPMAP_DISABLE, GR_LOD_256,
      GR_LOD_256, GR_ASPECT_1x1, GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP,
      GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_POINT_SAMPLED, 0.0f, FXFALSE);
}

}  // namespace

void* operator new(std::size_t size) {
  void* block = refusing && size >= LARGE_BLOCK ? nullptr : std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

// The blocks come from malloc above; GCC cannot see that these pair with it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
#pragma GCC diagnostic pop

TEST(RefusedMemory, TextureCallsFailAndTextureMemoryStaysAsItWas) {
  openBoard(1);
  const std::string path = write3df();
  Gu3dfInfo info{};
  // Reading a file takes its first chunk of 64 KB, a large block, at once.
  EXPECT_FALSE(whileRefusing([&] { return gu3dfGetInfo(path.c_str(), &info); }));
  EXPECT_TRUE(gu3dfGetInfo(path.c_str(), &info));
  EXPECT_EQ(info.mem_required, 8u * 8u * 2u);

  EXPECT_EQ(whileRefusing(allocate), GR_NULL_MIPMAP_HANDLE);
  // The refused mipmap left nothing behind: the next one is the first.
  EXPECT_EQ(allocate(), GrMipMapId_t(0));
  std::filesystem::remove(path);
  boardReset();
}

TEST(RefusedMemory, ATraceTheHostCannotHoldIsRefusedWithAMessage) {
  const std::string path = scratchFile(".trace");
  std::FILE* file = std::fopen(path.c_str(), "wb");
  for (std::size_t k = 0; k < 4 * LARGE_BLOCK; ++k) std::fputc(int(k), file);
  std::fclose(file);
  TraceFile trace;
  std::string error;
  EXPECT_FALSE(whileRefusing([&] { return loadTrace(path.c_str(), &trace, &error); }));
  EXPECT_EQ(error, "not enough memory to read the trace");
  std::filesystem::remove(path);
}
