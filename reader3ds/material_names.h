#pragma once
// An index of the load's material names, for the "Face material" chunks: a
// file may hold tens of thousands of materials and as many face-material
// chunks, and searching the material array for each chunk would take time
// growing with their product. The index lives in tracked memory with the
// load's arrays; beginLoad forgets it.

#include <cstdint>

// Records that material (an index into readerState.materials, whose name is
// set) is now the highest-numbered material of its name.
void noteMaterialName(std::int32_t material);

// The highest-numbered material noted with this name; NO_MATERIAL when none.
std::int32_t materialNamed(const char* name);

// Frees the index.
void forgetMaterialNames();
