#pragma once
// The four workloads the board is measured on, drawn through its interface:
// 512x384, one 256x256 rgb565 mipmapped texture (bilinear, nearest level,
// wrap) modulated by the vertex colour, each frame cleared, swapped and
// finished.

#include <vector>

#include "render/glide.h"

struct Triangle {
  GrVertex a, b, c;
};

// Opens the board with the texture selected and the combine units set.
void openWorkloadBoard();

// a: 8 full-screen planes tilted 45 degrees, back to front, depth less with
// writes (blended: source-alpha blending with depth writes off instead).
void drawPlanesFrame(bool blended);
inline constexpr int PLANE_COUNT = 8;

// c: a fixed set of small triangles at random places and depths.
std::vector<Triangle> smallTriangles(int count, float area);
void drawTrianglesFrame(const std::vector<Triangle>& triangles);

// d: sky, terrain, boxes and blended panes seen from a turning camera.
class OutdoorScene {
 public:
  OutdoorScene();
  void drawFrame();  // turns the camera 3 degrees first

 private:
  struct Point {
    float x, y, z, u, v, r, g, b, a;
  };
  using Mesh = std::vector<Point>;  // three points a triangle
  void drawMesh(const Mesh& mesh);

  Mesh sky_, terrain_, boxes_, panes_;
  float yaw_ = 0;
};
