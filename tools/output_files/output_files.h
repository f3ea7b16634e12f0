#pragma once
// Files and standard output as the tools write them: every write checked, so
// that a full disk or a closed pipe is reported and never passes as success.

#include <cstdint>
#include <string>
#include <vector>

// Writes bytes as the file at path. On failure a partly written file is
// removed, so nothing half-written is left looking like a result.
bool saveBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Encodes pixels (rows of stride bytes, channels 1 to 4) as a PNG file at path.
bool savePng(const std::string& path, int width, int height, int channels,
             const std::uint8_t* pixels, int stride);

// Flushes standard output: false when anything printed to it was lost.
bool standardOutputWritten();
