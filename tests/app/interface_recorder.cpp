#include "tests/app/interface_recorder.h"

#include "render/glide.h"

namespace {

InterfaceRecorder* active = nullptr;

template <typename... Values>
bool record(const char* name, Values... values) {
  if (active == nullptr) return false;
  active->calls.push_back({name, {static_cast<long>(values)...}});
  return true;
}

}  // namespace

InterfaceRecorder::InterfaceRecorder() { active = this; }
InterfaceRecorder::~InterfaceRecorder() { active = nullptr; }

// The linker's names for the wrapped functions (their mangled names).
extern "C" {
void __real__Z20grAlphaBlendFunctioniiii(int, int, int, int);
void __real__Z14grColorCombineiiiii(int, int, int, int, int);
void __real__Z14grAlphaCombineiiiii(int, int, int, int, int);
void __real__Z12grTexCombineiiiiiii(int, int, int, int, int, int, int);
void __real__Z11guTexSourcej(GrMipMapId_t);
void __real__Z20grConstantColorValuej(GrColor_t);
void __real__Z19drawClippedTriangleP11SceneVertexS0_S0_i(SceneVertex*, SceneVertex*, SceneVertex*,
                                                         int);

void __wrap__Z20grAlphaBlendFunctioniiii(int a, int b, int c, int d) {
  if (!record("grAlphaBlendFunction", a, b, c, d)) __real__Z20grAlphaBlendFunctioniiii(a, b, c, d);
}
void __wrap__Z14grColorCombineiiiii(int a, int b, int c, int d, int e) {
  if (!record("grColorCombine", a, b, c, d, e)) __real__Z14grColorCombineiiiii(a, b, c, d, e);
}
void __wrap__Z14grAlphaCombineiiiii(int a, int b, int c, int d, int e) {
  if (!record("grAlphaCombine", a, b, c, d, e)) __real__Z14grAlphaCombineiiiii(a, b, c, d, e);
}
void __wrap__Z12grTexCombineiiiiiii(int a, int b, int c, int d, int e, int f, int g) {
  if (!record("grTexCombine", a, b, c, d, e, f, g)) {
    __real__Z12grTexCombineiiiiiii(a, b, c, d, e, f, g);
  }
}
void __wrap__Z11guTexSourcej(GrMipMapId_t id) {
  if (!record("guTexSource", id)) __real__Z11guTexSourcej(id);
}
void __wrap__Z20grConstantColorValuej(GrColor_t value) {
  if (!record("grConstantColorValue", value)) __real__Z20grConstantColorValuej(value);
}
void __wrap__Z19drawClippedTriangleP11SceneVertexS0_S0_i(SceneVertex* a, SceneVertex* b,
                                                         SceneVertex* c, int depthParity) {
  if (active != nullptr) {
    active->triangles.push_back({{a, b, c}, depthParity});
    return;
  }
  __real__Z19drawClippedTriangleP11SceneVertexS0_S0_i(a, b, c, depthParity);
}
}
