#pragma once
// The file-opening layer. The program's fixed paths were written for a
// system with backslash separators and case-insensitive names (".\OBJECTS",
// "ROCK.3df"); here each backslash becomes the platform's separator and, where
// a name does not exist exactly, a folder entry that differs only in letter
// case is taken instead. Messages keep the path as the program formed it.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// The path as this platform names it, with each component matched
// case-insensitively where the exact name does not exist. A path that cannot
// be matched comes back with only its separators mapped.
std::string resolvePath(const std::string& programPath);

// fopen on the resolved path; a folder does not open, as on the system the
// paths were written for.
std::FILE* openFile(const char* programPath, const char* mode);

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using OwnedFile = std::unique_ptr<std::FILE, FileCloser>;

// Reads an open file to its end or to a read error (std::ferror tells) into
// bytes. False when it holds more than maxBytes: the reading stops there,
// without taking the rest into memory. Growing bytes may throw
// std::bad_alloc.
bool readWholeFile(std::FILE* file, std::uint64_t maxBytes, std::vector<std::uint8_t>* bytes);

// Removes the file at a host path after a failed write, so that nothing
// half-written is left looking like a result. Only a regular file goes: a
// write to a device (/dev/full) fails the same way.
void removeHalfWrittenFile(const std::string& hostPath);
