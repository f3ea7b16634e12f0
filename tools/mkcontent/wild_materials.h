#pragma once
// The materials of the wild scene, in the order the file lists them.

#include <vector>

#include "tools/writer3ds/scene_writer.h"

enum WildMaterial {
  GRASS,
  ROCK,
  SAND,
  WATER,
  BARK,
  LEAVES,
  MARBLE,
  GRANITE,
  GOLD,
  CRYSTAL_BLUE,
  CRYSTAL_GREEN,
  CRYSTAL_ROSE,
  WILD_MATERIAL_COUNT
};

std::vector<WriterMaterial> wildMaterials();
