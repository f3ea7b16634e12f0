#include "tools/mkcontent/wild_materials.h"

std::vector<WriterMaterial> wildMaterials() {
  // name, diffuse, ambient, transparency %, two-sided, texture map
  std::vector<WriterMaterial> materials{
      {"Grass", {96, 150, 60}, {30, 50, 20}, 0, false, "GRASS.TGA"},
      {"Rock", {130, 120, 110}, {40, 38, 35}, 0, false, "ROCK.TGA"},
      {"Sand", {220, 200, 150}, {60, 55, 40}, 0, false, "SAND.TGA"},
      {"Water", {60, 120, 170}, {20, 40, 60}, 45, true, "WATER.TGA"},
      {"Bark", {110, 80, 50}, {35, 25, 15}, 0, false, "BARK.TGA"},
      {"Leaves", {70, 140, 50}, {20, 45, 15}, 0, true, "LEAVES.TGA"},
      {"Marble", {230, 225, 215}, {70, 70, 65}, 0, false, "MARBLE.TGA"},
      {"Granite", {150, 140, 135}, {45, 42, 40}, 0, false, ""},
      {"Gold", {240, 190, 60}, {80, 60, 20}, 0, false, ""},
      {"CrystalBlue", {80, 170, 255}, {25, 50, 80}, 30, false, ""},
      {"CrystalGreen", {90, 255, 160}, {25, 80, 50}, 55, false, ""},
      {"CrystalRose", {255, 110, 190}, {80, 35, 60}, 80, true, ""},
  };
  // What a modelling program would add to these and the renderer leaves
  // out: the lake mirrors the sky and ripples, leaves are cut out by their
  // texture's alpha, and the marble's highlights are soft. Options that
  // would change how other programs draw the scene (additive transparency,
  // wireframe, face maps) stay off.
  materials[WATER].reflectionMap = {.file = "SKY.TGA", .percent = 40, .tinted = true};
  materials[WATER].bumpMap = {.file = "WATER.TGA", .percent = 30};
  materials[LEAVES].opacityMap = {.file = "LEAVES.TGA"};
  materials[MARBLE].softShine = true;
  return materials;
}
