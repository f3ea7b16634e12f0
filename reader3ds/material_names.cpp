#include "reader3ds/material_names.h"

#include <chrono>
#include <cstring>

#include "app/tracked_memory.h"
#include "reader3ds/reader_state.h"

namespace {

// An empty slot answers a lookup with "no such material".
constexpr std::int32_t EMPTY_SLOT = NO_MATERIAL;
constexpr std::int32_t FIRST_SLOT_COUNT = 64;

// Open addressing with linear probing, kept at most half full. The slots
// hold material indices; the names stay in the materials.
struct NameIndex {
  std::int32_t* slots = nullptr;
  std::int32_t slotCount = 0;  // a power of two, or 0 before the first name
  std::int32_t used = 0;
};

NameIndex nameIndex;

// A seed drawn once per process, so that a file cannot be made of names
// that all fall on one chain of slots.
std::uint64_t hashSeed() {
  static const std::uint64_t seed = [] {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return static_cast<std::uint64_t>(ticks) ^ reinterpret_cast<std::uintptr_t>(&nameIndex);
  }();
  return seed;
}

std::uint32_t hashName(const char* name) {
  std::uint64_t h = 0xcbf29ce484222325ull ^ hashSeed();
  for (const char* c = name; *c != '\0'; ++c) {
    h = (h ^ static_cast<unsigned char>(*c)) * 0x100000001b3ull;
  }
  // Mixes the high bits into the low ones that pick the slot.
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  h ^= h >> 33;
  return static_cast<std::uint32_t>(h);
}

const char* nameOf(std::int32_t material) { return readerState.materials[material].name; }

// The slot holding a material of this name, or the empty slot where it
// would go.
std::int32_t slotFor(const char* name) {
  const std::int32_t mask = nameIndex.slotCount - 1;
  std::int32_t slot = static_cast<std::int32_t>(hashName(name) & static_cast<std::uint32_t>(mask));
  while (nameIndex.slots[slot] != EMPTY_SLOT &&
         std::strcmp(nameOf(nameIndex.slots[slot]), name) != 0) {
    slot = (slot + 1) & mask;
  }
  return slot;
}

void growIndex() {
  const NameIndex old = nameIndex;
  nameIndex.slotCount = old.slotCount == 0 ? FIRST_SLOT_COUNT : old.slotCount * 2;
  nameIndex.slots =
      static_cast<std::int32_t*>(memAllocArray(nameIndex.slotCount, sizeof(std::int32_t)));
  for (std::int32_t i = 0; i < nameIndex.slotCount; ++i) nameIndex.slots[i] = EMPTY_SLOT;
  for (std::int32_t i = 0; i < old.slotCount; ++i) {
    const std::int32_t material = old.slots[i];
    if (material != EMPTY_SLOT) nameIndex.slots[slotFor(nameOf(material))] = material;
  }
  memFree(old.slots);
}

}  // namespace

void noteMaterialName(std::int32_t material) {
  // A material takes at least 7 bytes of a file read to at most 2^31 bytes,
  // so fewer than 2^29 are noted and the slots stay within 2^30.
  if (2 * (nameIndex.used + 1) > nameIndex.slotCount) growIndex();
  const std::int32_t slot = slotFor(nameOf(material));
  if (nameIndex.slots[slot] == EMPTY_SLOT) ++nameIndex.used;
  nameIndex.slots[slot] = material;
}

std::int32_t materialNamed(const char* name) {
  if (nameIndex.slotCount == 0) return NO_MATERIAL;
  return nameIndex.slots[slotFor(name)];
}

void forgetMaterialNames() {
  memFree(nameIndex.slots);
  nameIndex = NameIndex{};
}
