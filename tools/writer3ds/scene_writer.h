#pragma once
// A whole .3ds file as a modelling program writes it: materials before
// objects; each object with Vertex list, Mappings list, Face list (with Face
// material and Smoothings) and Matrix; colours as RGB byte and RGB float;
// optionally a spotlight, a camera and a keyframer section.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct WriterMaterial {
  std::string name{};
  std::array<std::uint8_t, 3> diffuse{200, 200, 200};
  std::array<std::uint8_t, 3> ambient{50, 50, 50};
  int transparencyPercent = 0;  // written as "Transparency" / "WORD"
  bool twoSided = false;
  std::string textureMap{};  // "ROCK.TGA"; empty: none
};

struct WriterObject {
  std::string name{};
  std::vector<std::array<float, 3>> vertices;
  std::vector<std::array<float, 2>> mappings;  // u, v; empty: no Mappings list
  std::vector<std::array<std::uint16_t, 3>> faces;
  std::vector<std::pair<std::string, std::vector<std::uint16_t>>> faceMaterials;  // name, faces
};

struct WriterScene {
  std::vector<WriterMaterial> materials;
  std::vector<WriterObject> objects;
  bool light = false, camera = false, keyframer = false;
};

std::vector<std::uint8_t> write3ds(const WriterScene& scene);
