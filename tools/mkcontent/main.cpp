// mkcontent OUTDIR: writes the default scenes, their textures and the
// overlay font under OUTDIR, the same bytes on every run.

#include <cstdio>

#include "tools/mkcontent/content_files.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mkcontent OUTDIR\n");
    return 2;
  }
  return writeContent(argv[1]) ? 0 : 1;
}
