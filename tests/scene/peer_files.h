#pragma once
// The real .3ds files of the shared test data and what an independent reader
// found in each (testdata/3ds/lib3ds/NAME.json: one line, names without
// escapes).

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/file_contents.h"

using FacesPerName = std::map<std::string, int>;

struct PeerMaterial {
  std::string name, texture, reflection;
  int twoSided;
  double transparency;  // 0..1
};

struct PeerFile {
  std::filesystem::path file;
  int vertices = -1, faces = -1;  // -1 when missing
  double vertexSum[3] = {};
  FacesPerName facesByMaterial{};  // "" for faces no material names
  std::vector<PeerMaterial> materials{};
};

// Where the value of the first "key" at or after `from` starts; the end of the
// text when there is none.
inline std::size_t valueAt(const std::string& json, const std::string& key, std::size_t from = 0) {
  const std::size_t at = json.find('"' + key + "\":", from);
  return at == std::string::npos ? json.size() : at + key.size() + 3;
}
inline std::string stringAt(const std::string& json, std::size_t at) {
  return at < json.size() ? json.substr(at + 1, json.find('"', at + 1) - at - 1) : "";
}
inline double numberAt(const std::string& json, std::size_t at) {
  return at < json.size() ? std::strtod(json.c_str() + at, nullptr) : -1;
}

// Every real file with a peer file; empty when the shared folder is absent.
inline std::vector<PeerFile> peerFiles() {
  const auto folder = std::filesystem::path(WILDSKY_SHARED_DIR) / "testdata" / "3ds";
  std::vector<PeerFile> peers;
  if (!std::filesystem::is_directory(folder / "lib3ds")) return peers;
  for (const auto& entry : std::filesystem::directory_iterator(folder / "lib3ds")) {
    std::string json = fileText(entry.path());
    PeerFile& peer = peers.emplace_back(PeerFile{.file = folder / entry.path().stem()});
    peer.vertices = static_cast<int>(numberAt(json, valueAt(json, "vertices")));
    peer.faces = static_cast<int>(numberAt(json, valueAt(json, "faces")));
    char* end = json.data() + std::min(valueAt(json, "vertexSum") + 1, json.size());
    for (double& sum : peer.vertexSum) sum = std::strtod(end, &end), end += *end != '\0';
    for (std::size_t at = valueAt(json, "facesByMaterial") + 1;
         at < json.size() && json[at] == '"';) {
      const std::string name = stringAt(json, at);
      peer.facesByMaterial[name] = static_cast<int>(numberAt(json, at + name.size() + 3));
      at = json.find_first_of(",}", at + name.size() + 3) + 1;
    }
    for (std::size_t at = valueAt(json, "name"); at < json.size(); at = valueAt(json, "name", at)) {
      peer.materials.push_back({stringAt(json, at), stringAt(json, valueAt(json, "texture1", at)),
                                stringAt(json, valueAt(json, "reflection", at)),
                                static_cast<int>(numberAt(json, valueAt(json, "twoSided", at))),
                                numberAt(json, valueAt(json, "transparency", at))});
    }
  }
  return peers;
}
