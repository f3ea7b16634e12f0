#pragma once
// A whole .3ds file as a modelling program writes it: materials before
// objects; each object with Vertex list, Vertex flag list, Mappings list and
// Texture info, Face list (with Face material and Smoothings), Matrix and
// Mesh color; colours as RGB byte and RGB float; optionally a spotlight, a
// camera and a keyframer section with a node for each of them.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// A map of a material beside its texture map. A tinted map carries the tint
// colours that leave its texels as they are: black, white, red, green, blue.
struct WriterMap {
  std::string file{};  // "SKY.TGA"; empty: none
  int percent = 100;   // the map's strength
  bool tinted = false;
};

struct WriterMaterial {
  std::string name{};
  std::array<std::uint8_t, 3> diffuse{200, 200, 200};
  std::array<std::uint8_t, 3> ambient{50, 50, 50};
  int transparencyPercent = 0;  // written as "Transparency" / "WORD"
  bool twoSided = false;
  std::string textureMap{};  // "ROCK.TGA"; empty: none
  // Written before the texture map: a reflection map's file name would
  // otherwise replace the texture map's as the texture a reader keeps.
  WriterMap reflectionMap{};
  WriterMap bumpMap{};
  WriterMap opacityMap{};
  // A shading option of the material editor that the renderer leaves out.
  bool softShine = false;  // highlights softened
};

struct WriterObject {
  std::string name{};
  std::vector<std::array<float, 3>> vertices;
  std::vector<std::array<float, 2>> mappings;  // u, v; empty: no Mappings list
  std::vector<std::array<std::uint16_t, 3>> faces;
  std::vector<std::pair<std::string, std::vector<std::uint16_t>>> faceMaterials;  // name, faces
  // The objects its keyframer node morphs into, one key each, spread over
  // the frames from the first; empty: no morph track.
  std::vector<std::string> morphTargets{};
};

struct WriterScene {
  std::vector<WriterMaterial> materials;
  std::vector<WriterObject> objects;
  bool light = false, camera = false, keyframer = false;
};

std::vector<std::uint8_t> write3ds(const WriterScene& scene);
