#pragma once
// What stands on and floats around the island: rocks, trees and ferns,
// crystal clusters, marble balls and a golden ring.

#include <vector>

#include "tools/mkcontent/content_mesh.h"
#include "tools/mkcontent/island.h"

std::vector<ContentMesh> makeProps(const IslandShape& island);
