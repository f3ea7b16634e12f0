// scene3ds FILE... [--faces]: loads the .3ds files one after the other as
// the renderer loads its two, and prints, as a JSON array, what it will draw.
// As in the renderer, a file's map selectors carry over into the next file
// (a map chunk with no kind of its own takes the last kind set). A file that
// cannot be opened ends the tool with the renderer's own message and status
// 1, before anything is printed.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "scene/scene_loader.h"
#include "tools/output_files/output_files.h"
#include "tools/scene3ds/scene_json.h"

int main(int argc, char** argv) {
  bool withFaces = false;
  std::vector<const char*> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--faces") == 0) {
      withFaces = true;
    } else if (argv[i][0] == '-') {  // --help and unknown options
      files.clear();
      break;
    } else {
      files.push_back(argv[i]);
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: scene3ds [--faces] FILE...\n");
    return 2;
  }

  std::vector<Scene*> scenes;
  for (const char* file : files) scenes.push_back(loadScene("%s", file));
  std::string out = "[\n";
  for (std::size_t i = 0; i < scenes.size(); ++i) {
    out += sceneJson(*scenes[i], files[i], withFaces);
    out += i + 1 < scenes.size() ? ",\n" : "\n";
    freeScene(scenes[i]);
  }
  out += "]\n";
  std::fputs(out.c_str(), stdout);
  if (!standardOutputWritten()) {
    std::fprintf(stderr, "scene3ds: cannot write the description\n");
    return 1;
  }
  return 0;
}
