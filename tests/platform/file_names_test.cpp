#include "platform/file_names.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class FileNames : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "wildsky-names-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder = pattern;
    previous = fs::current_path();
    fs::current_path(folder);
    fs::create_directories("OBJECTS");
    fs::create_directories("TEXTURES");
    std::ofstream("OBJECTS/qxwild.3ds") << "wild";
    std::ofstream("TEXTURES/rock.3df") << "lower";
    std::ofstream("TEXTURES/Rock.3df") << "mixed";
  }
  void TearDown() override {
    fs::current_path(previous);
    fs::remove_all(folder);
  }
  static std::string contents(const char* programPath) {
    std::FILE* file = openFile(programPath, "rb");
    if (file == nullptr) return "(none)";
    char buffer[16] = {};
    const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, file);
    std::fclose(file);
    return std::string(buffer, n);
  }
  fs::path folder, previous;
};

TEST_F(FileNames, BackslashPathsFindFilesWhateverTheirLetterCase) {
  EXPECT_EQ(contents(".\\OBJECTS\\qxwild.3ds"), "wild");
  EXPECT_EQ(contents(".\\objects\\QXWILD.3DS"), "wild");
  // An exact name wins over one that differs only in case.
  EXPECT_EQ(contents(".\\TEXTURES\\rock.3df"), "lower");
  EXPECT_EQ(contents(".\\TEXTURES\\Rock.3df"), "mixed");
  const std::string other = contents(".\\TEXTURES\\ROCK.3DF");
  EXPECT_TRUE(other == "lower" || other == "mixed");
  EXPECT_EQ(contents(".\\TEXTURES\\..\\OBJECTS\\QxWild.3ds"), "wild");
  EXPECT_EQ(contents((folder.string() + "\\objects\\qxwild.3DS").c_str()), "wild");
}

TEST_F(FileNames, MissingNamesKeepTheirSpellingWithMappedSeparators) {
  EXPECT_EQ(contents(".\\OBJECTS\\ballsky.3ds"), "(none)");
  EXPECT_EQ(contents(".\\NOWHERE\\x.3ds"), "(none)");
  EXPECT_EQ(resolvePath(".\\NOWHERE\\x.3ds"), "./NOWHERE/x.3ds");
  EXPECT_EQ(resolvePath(".\\objects\\MISSING.3ds"), "./OBJECTS/MISSING.3ds");
  EXPECT_EQ(contents(""), "(none)");
  // Writing through a mapped name creates the file where the folder is.
  std::FILE* file = openFile(".\\objects\\new.tga", "wb");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  EXPECT_TRUE(fs::exists("OBJECTS/new.tga"));
}

}  // namespace
