#include "platform/file_names.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool equalIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

// The entry of folder whose name equals name but for letter case; the exact
// name first, so a folder holding both "a" and "A" resolves each to itself.
fs::path matchComponent(const fs::path& folder, const std::string& name) {
  std::error_code error;
  const fs::path exact = folder / name;
  if (fs::exists(exact, error)) return exact;
  const fs::path where = folder.empty() ? fs::path(".") : folder;
  for (fs::directory_iterator it(where, error), end; !error && it != end; it.increment(error)) {
    const std::string entry = it->path().filename().string();
    if (equalIgnoringCase(entry, name)) return folder / entry;
  }
  return exact;
}

}  // namespace

std::string resolvePath(const std::string& programPath) {
  std::string mapped = programPath;
  std::replace(mapped.begin(), mapped.end(), '\\', '/');
  fs::path result = mapped.starts_with("/") ? fs::path("/") : fs::path();
  std::size_t start = 0;
  while (start <= mapped.size()) {
    std::size_t slash = mapped.find('/', start);
    if (slash == std::string::npos) slash = mapped.size();
    const std::string component = mapped.substr(start, slash - start);
    if (component == "." || component == "..") {
      result /= component;
    } else if (!component.empty()) {
      result = matchComponent(result, component);
    }
    start = slash + 1;
  }
  return result.empty() ? mapped : result.string();
}

std::FILE* openFile(const char* programPath, const char* mode) {
  const std::string path = resolvePath(programPath);
  // Here a folder opens for reading, and then every read fails: a scene path
  // naming one would load as an empty scene instead of being reported.
  std::error_code error;
  if (fs::is_directory(path, error)) {
    errno = EISDIR;
    return nullptr;
  }
  return std::fopen(path.c_str(), mode);
}

bool readWholeFile(std::FILE* file, std::uint64_t maxBytes, std::vector<std::uint8_t>* bytes) {
  constexpr std::size_t CHUNK = 1 << 16;
  // A vector cannot grow past its max_size, whatever the limit asked.
  const std::uint64_t limit = std::min<std::uint64_t>(maxBytes, bytes->max_size() - CHUNK);
  bytes->clear();
  for (;;) {
    const std::size_t had = bytes->size();
    bytes->resize(had + CHUNK);
    const std::size_t got = std::fread(bytes->data() + had, 1, CHUNK, file);
    bytes->resize(had + got);
    if (bytes->size() > limit) return false;
    if (got < CHUNK) return true;
  }
}

void removeHalfWrittenFile(const std::string& hostPath) {
  std::error_code error;
  if (fs::is_regular_file(hostPath, error)) fs::remove(hostPath, error);
}
