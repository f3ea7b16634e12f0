#include "platform/file_names.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

// The app's end-to-end runs find their content through these paths too.
TEST(FileNames, BackslashPathsMatchLetterCaseOnlyWhereTheExactNameIsMissing) {
  std::string folder = (fs::temp_directory_path() / "wildsky-names-XXXXXX").string();
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  fs::create_directories(folder + "/TEXTURES");
  std::ofstream(folder + "/TEXTURES/rock.3df") << "lower";
  std::ofstream(folder + "/TEXTURES/Rock.3df") << "mixed";
  const auto contents = [&](const std::string& programPath) {
    std::FILE* file = openFile((folder + programPath).c_str(), "rb");
    char buffer[16] = {};
    const std::size_t n = file == nullptr ? 0 : std::fread(buffer, 1, sizeof buffer - 1, file);
    if (file != nullptr) std::fclose(file);
    return file == nullptr ? std::string("(none)") : std::string(buffer, n);
  };
  EXPECT_EQ(contents("\\TEXTURES\\rock.3df"), "lower");
  EXPECT_EQ(contents("\\TEXTURES\\Rock.3df"), "mixed");
  const std::string other = contents("\\textures\\..\\textures\\ROCK.3DF");
  EXPECT_TRUE(other == "lower" || other == "mixed") << other;
  EXPECT_EQ(contents("\\TEXTURES\\sky.3df"), "(none)");
  // A missing name keeps its spelling; a file written through it lands there.
  EXPECT_EQ(resolvePath(folder + "\\textures\\NEW.tga"), folder + "/TEXTURES/NEW.tga");
  std::FILE* created = openFile((folder + "\\textures\\NEW.tga").c_str(), "wb");
  ASSERT_NE(created, nullptr);
  std::fclose(created);
  EXPECT_TRUE(fs::exists(folder + "/TEXTURES/NEW.tga"));
  EXPECT_EQ(resolvePath(".\\NOWHERE\\x.3ds"), "./NOWHERE/x.3ds");
  EXPECT_EQ(openFile("", "rb"), nullptr);
  fs::remove_all(folder);
}
