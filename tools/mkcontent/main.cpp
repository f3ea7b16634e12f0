// mkcontent OUTDIR: writes the default scenes, their textures and the
// overlay font under OUTDIR, the same bytes on every run.

#include <cstdio>

#include "tools/mkcontent/content_files.h"

int main(int argc, char** argv) {
  // An option (--help) is no folder to write into; ./-name is.
  if (argc != 2 || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: mkcontent OUTDIR\n");
    return 2;
  }
  return writeContent(argv[1]) ? 0 : 1;
}
