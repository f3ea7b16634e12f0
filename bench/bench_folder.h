#pragma once
// Fresh folders under the system's temporary directory for a benchmark's
// files, removed with everything in them when the process exits.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

// Aborts when no folder can be made: the benchmark has nowhere to run.
inline std::filesystem::path makeBenchFolder() {
  static std::vector<std::filesystem::path> folders;
  std::string name = (std::filesystem::temp_directory_path() / "wildsky-bench-XXXXXX").string();
  if (mkdtemp(name.data()) == nullptr) std::abort();
  if (folders.empty()) {
    std::atexit([] {
      std::error_code ignored;
      for (const auto& folder : folders) std::filesystem::remove_all(folder, ignored);
    });
  }
  folders.emplace_back(name);
  return folders.back();
}
