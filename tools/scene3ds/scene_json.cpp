#include "tools/scene3ds/scene_json.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

void appendNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", value);
  out += text;
}

void appendInt(std::string& out, long long value) { out += std::to_string(value); }

// Names are 8-bit text of unknown encoding: bytes outside printable ASCII are
// written as \u00XX so the output is always valid JSON.
void appendString(std::string& out, const char* text) {
  if (text == nullptr) {
    out += "null";
    return;
  }
  out += '"';
  for (const char* c = text; *c != '\0'; ++c) {
    const auto byte = static_cast<unsigned char>(*c);
    if (byte == '"' || byte == '\\') {
      out += '\\';
      out += static_cast<char>(byte);
    } else if (byte < 0x20 || byte >= 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += static_cast<char>(byte);
    }
  }
  out += '"';
}

template <typename T>
void appendList(std::string& out, const T* values, int count) {
  out += '[';
  for (int i = 0; i < count; ++i) {
    if (i > 0) out += ", ";
    if constexpr (std::is_floating_point_v<T>) {
      appendNumber(out, values[i]);
    } else {
      appendInt(out, values[i]);
    }
  }
  out += ']';
}

void appendMaterials(std::string& out, const Scene& scene) {
  std::vector<std::int32_t> faces(static_cast<std::size_t>(scene.materialCount), 0);
  for (std::int32_t f = 0; f < scene.faceCount; ++f) {
    const std::int32_t m = scene.faces[f].material;
    if (m >= 0 && m < scene.materialCount) ++faces[static_cast<std::size_t>(m)];
  }
  out += "  \"materials\": [";
  for (std::int32_t m = 0; m < scene.materialCount; ++m) {
    const Material& material = scene.materials[m];
    out += m > 0 ? ",\n    {" : "\n    {";
    out += "\"name\": ";
    appendString(out, material.name);
    out += ", \"flags\": ";
    appendInt(out, material.flags);
    out += ", \"diffuse\": ";
    appendList(out, material.diffuse, 3);
    out += ", \"transparency\": ";
    appendNumber(out, material.transparency);
    out += ", \"twoSided\": ";
    appendInt(out, material.twoSided);
    out += ", \"textureFile\": ";
    appendString(out, material.textureFile);
    out += ", \"faceCount\": ";
    appendInt(out, faces[static_cast<std::size_t>(m)]);
    out += '}';
  }
  out += scene.materialCount > 0 ? "\n  ],\n" : "],\n";
}

void appendBoundingBox(std::string& out, const Scene& scene) {
  out += "  \"boundingBox\": ";
  if (scene.vertexCount <= 0) {
    out += "null";
    return;
  }
  float low[3] = {scene.vertices[0].x, scene.vertices[0].y, scene.vertices[0].z};
  float high[3] = {low[0], low[1], low[2]};
  for (std::int32_t v = 1; v < scene.vertexCount; ++v) {
    const float position[3] = {scene.vertices[v].x, scene.vertices[v].y, scene.vertices[v].z};
    for (int axis = 0; axis < 3; ++axis) {
      if (position[axis] < low[axis]) low[axis] = position[axis];
      if (position[axis] > high[axis]) high[axis] = position[axis];
    }
  }
  out += "{\"min\": ";
  appendList(out, low, 3);
  out += ", \"max\": ";
  appendList(out, high, 3);
  out += '}';
}

void appendFaces(std::string& out, const Scene& scene) {
  out += ",\n  \"faces\": [";
  for (std::int32_t f = 0; f < scene.faceCount; ++f) {
    const SceneFace& face = scene.faces[f];
    out += f > 0 ? ",\n    {" : "\n    {";
    out += "\"vertex\": ";
    appendList(out, face.vertex, 3);
    out += ", \"normal\": ";
    appendList(out, face.normal, 3);
    out += ", \"faceNormal\": ";
    appendInt(out, face.faceNormal);
    out += ", \"mapping\": ";
    appendList(out, face.mapping, 3);
    out += ", \"material\": ";
    appendInt(out, face.material);
    out += '}';
  }
  out += scene.faceCount > 0 ? "\n  ]" : "]";
}

}  // namespace

std::string sceneJson(const Scene& scene, const std::string& fileName, bool withFaces) {
  std::string out = "{\n  \"file\": ";
  appendString(out, fileName.c_str());
  const std::pair<const char*, std::int32_t> counts[] = {
      {"faceCount", scene.faceCount},
      {"materialCount", scene.materialCount},
      {"vertexCount", scene.vertexCount},
      {"normalCount", scene.normalCount},
      {"opaqueFaceCount", scene.opaqueFaceCount},
      // The loader keeps one mapping per vertex.
      {"mappingCount", scene.mappings != nullptr ? scene.vertexCount : 0}};
  for (const auto& [name, value] : counts) {
    out += ",\n  \"";
    out += name;
    out += "\": ";
    appendInt(out, value);
  }
  out += ",\n";
  appendMaterials(out, scene);
  appendBoundingBox(out, scene);
  if (withFaces) appendFaces(out, scene);
  out += "\n}";
  return out;
}
