#pragma once
// The file-opening layer. The program's fixed paths were written for a
// system with backslash separators and case-insensitive names (".\OBJECTS",
// "ROCK.3df"); here each backslash becomes the platform's separator and, where
// a name does not exist exactly, a folder entry that differs only in letter
// case is taken instead. Messages keep the path as the program formed it.

#include <cstdio>
#include <string>

// The path as this platform names it, with each component matched
// case-insensitively where the exact name does not exist. A path that cannot
// be matched comes back with only its separators mapped.
std::string resolvePath(const std::string& programPath);

// fopen on the resolved path; a folder does not open, as on the system the
// paths were written for.
std::FILE* openFile(const char* programPath, const char* mode);

// Removes the file at a host path after a failed write, so that nothing
// half-written is left looking like a result. Only a regular file goes: a
// write to a device (/dev/full) fails the same way.
void removeHalfWrittenFile(const std::string& hostPath);
