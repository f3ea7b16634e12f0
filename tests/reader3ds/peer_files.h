#pragma once
// The real .3ds files of the shared test data and what an independent reader
// found in each (testdata/3ds/lib3ds/NAME.json, one line of fixed layout).

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

using FacesPerName = std::map<std::string, int>;

struct PeerMaterial {
  std::string name, texture, reflection;
  int twoSided;
  double transparency;  // 0..1
};

struct PeerFile {
  std::filesystem::path file;
  int vertices = -1, faces = -1;  // -1: the peer file was not understood
  double vertexSum[3] = {0, 0, 0};
  FacesPerName facesByMaterial{};  // "" for faces no material names
  std::vector<PeerMaterial> materials{};
};

inline PeerFile readPeerFile(const std::filesystem::path& file, const std::string& json) {
  using Matches = std::sregex_iterator;
  PeerFile peer{.file = file};
  const std::regex totals(
      R"re("vertices":(\d+),"faces":(\d+).*"vertexSum":\[([-\d.]+),([-\d.]+),([-\d.]+)\],"facesByMaterial":\{([^}]*)\})re");
  const std::regex count(R"re("([^"]*)":(\d+))re");
  const std::regex material(
      R"re(\{"name":"([^"]*)","twoSided":(\d),"transparency":([\d.]+),"diffuse":\[[^\]]*\],"texture1":"([^"]*)","reflection":"([^"]*)"\})re");
  std::smatch m;
  if (!std::regex_search(json, m, totals)) return peer;
  const std::string byMaterial = m[6];
  for (Matches i(byMaterial.begin(), byMaterial.end(), count), end; i != end; ++i) {
    peer.facesByMaterial[(*i)[1]] = std::stoi((*i)[2]);
  }
  for (Matches i(json.begin(), json.end(), material), end; i != end; ++i) {
    peer.materials.push_back({(*i)[1], (*i)[4], (*i)[5], std::stoi((*i)[2]), std::stod((*i)[3])});
  }
  std::size_t names = 0;
  for (std::size_t at = 0; (at = json.find("\"name\":", at)) != std::string::npos; ++at) ++names;
  if (names != peer.materials.size()) return peer;  // a material layout not known here
  peer.vertices = std::stoi(m[1]);
  peer.faces = std::stoi(m[2]);
  for (int c = 0; c < 3; ++c) peer.vertexSum[c] = std::stod(m[3 + c]);
  return peer;
}

// Every real file with a peer file; empty when the shared folder is absent.
inline std::vector<PeerFile> peerFiles() {
  const auto folder = std::filesystem::path(WILDSKY_SHARED_DIR) / "testdata" / "3ds";
  std::vector<PeerFile> peers;
  if (!std::filesystem::is_directory(folder / "lib3ds")) return peers;
  for (const auto& entry : std::filesystem::directory_iterator(folder / "lib3ds")) {
    std::stringstream json;
    json << std::ifstream(entry.path()).rdbuf();
    peers.push_back(readPeerFile(folder / entry.path().stem(), json.str()));
  }
  return peers;
}
