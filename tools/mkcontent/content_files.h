#pragma once
// Writes every file the program reads at start-up into one directory tree:
// OBJECTS/qxwild.3ds, OBJECTS/ballsky.3ds, and in TEXTURES every texture
// the two scenes name plus the overlay font micro.3df.

#include <string>

// False, after a message on standard error, when a file cannot be written.
bool writeContent(const std::string& outDir);
