#include "tools/scene3ds/scene_json.h"

#include <algorithm>
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

// `"key": [` one object per line `]`, each written by appendObject(out, i).
template <typename AppendObject>
void appendObjectList(std::string& out, const char* key, std::int32_t count,
                      AppendObject appendObject) {
  out += "  \"";
  out += key;
  out += "\": [";
  for (std::int32_t i = 0; i < count; ++i) {
    out += i > 0 ? ",\n    {" : "\n    {";
    appendObject(out, i);
    out += '}';
  }
  out += count > 0 ? "\n  ]" : "]";
}

void appendMaterials(std::string& out, const Scene& scene) {
  std::vector<std::int32_t> faces(static_cast<std::size_t>(std::max(scene.materialCount, 0)), 0);
  for (std::int32_t f = 0; f < scene.faceCount; ++f) {
    const std::int32_t m = scene.faces[f].material;
    if (m >= 0 && m < scene.materialCount) ++faces[static_cast<std::size_t>(m)];
  }
  appendObjectList(out, "materials", scene.materialCount, [&](std::string& o, std::int32_t m) {
    const Material& material = scene.materials[m];
    o += "\"name\": ";
    appendString(o, material.name);
    o += ", \"flags\": ";
    appendInt(o, material.flags);
    o += ", \"diffuse\": ";
    appendList(o, material.diffuse, 3);
    o += ", \"transparency\": ";
    appendNumber(o, material.transparency);
    o += ", \"twoSided\": ";
    appendInt(o, material.twoSided);
    o += ", \"textureFile\": ";
    appendString(o, material.textureFile);
    o += ", \"faceCount\": ";
    appendInt(o, faces[static_cast<std::size_t>(m)]);
  });
  out += ",\n";
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
  out += ",\n";
  appendObjectList(out, "faces", scene.faceCount, [&](std::string& o, std::int32_t f) {
    const SceneFace& face = scene.faces[f];
    o += "\"vertex\": ";
    appendList(o, face.vertex, 3);
    o += ", \"normal\": ";
    appendList(o, face.normal, 3);
    o += ", \"faceNormal\": ";
    appendInt(o, face.faceNormal);
    o += ", \"mapping\": ";
    appendList(o, face.mapping, 3);
    o += ", \"material\": ";
    appendInt(o, face.material);
  });
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
