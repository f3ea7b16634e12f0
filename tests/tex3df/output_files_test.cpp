// The tools' file writes: a write that fails part way is reported and leaves
// no half-written file behind.
#include "tools/output_files/output_files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

namespace {

// Ends the process with the result of writing 100 KB under a 4 KB file-size limit.
void saveOverTheSizeLimit(const std::string& path) {
  std::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of the process ending
  const rlimit limit{4096, 4096};
  setrlimit(RLIMIT_FSIZE, &limit);
  std::exit(saveBytes(path, std::vector<std::uint8_t>(100000, 7)) ? 0 : 3);
}

TEST(OutputFiles, AFailedWriteIsReportedAndLeavesNoFile) {
  const std::filesystem::path dir = WILDSKY_TEST_OUTPUT_DIR;
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "cut-short.bin").string();
  EXPECT_EXIT(saveOverTheSizeLimit(path), testing::ExitedWithCode(3), "");
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
