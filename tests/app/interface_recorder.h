#pragma once
// Watches the state calls and triangle submissions of the drawing code. The
// test binary is linked with --wrap for these functions: while a recorder is
// alive the calls are recorded and not passed on; otherwise they go through
// to the board and the clipper unchanged.

#include <string>
#include <vector>

#include "scene/scene_types.h"

struct RecordedCall {
  std::string name;
  std::vector<long> arguments;
  bool operator==(const RecordedCall&) const = default;
};

struct RecordedTriangle {
  SceneVertex* corners[3];
  int depthParity;
};

class InterfaceRecorder {
 public:
  InterfaceRecorder();
  ~InterfaceRecorder();
  InterfaceRecorder(const InterfaceRecorder&) = delete;
  InterfaceRecorder& operator=(const InterfaceRecorder&) = delete;

  std::vector<RecordedCall> calls;
  std::vector<RecordedTriangle> triangles;
};
