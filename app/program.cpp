#include "app/program.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "app/face_passes.h"
#include "app/screenshot.h"
#include "app/text_overlay.h"
#include "app/tracked_memory.h"
#include "board/board.h"
#include "platform/clock.h"
#include "reader3ds/load3ds.h"
#include "render/glide.h"
#include "render/texture_registry.h"
#include "render/view_transform.h"
#include "scene/frame_lists.h"
#include "scene/scene_loader.h"

namespace {

constexpr const char* SCENE_DIRECTORY = ".\\OBJECTS";
constexpr float ANGLE_X_STEP = 0.3f;
constexpr float ANGLE_Y_STEP = -1.0f;
constexpr float ANGLE_Z_STEP = 1.2f;
constexpr float FULL_TURN = 360.0f;
constexpr float PI_APPROXIMATION = 3.1415927f;
constexpr int RASTER_LINES = 384;
constexpr int STATISTICS_X = 10, STATISTICS_Y = 10;
constexpr int RETRACE_MARK_X = 10, RETRACE_MARK_Y = 364;

double readProgramClock(const ProgramState& state) {
  return state.platform.clock != nullptr ? state.platform.clock->readClock() : readClock();
}

float wrapAngle(float angle) { return angle > FULL_TURN ? angle - FULL_TURN : angle; }

// Degrees to radians with the product and quotient in extended precision.
double radians(float degrees) {
  return static_cast<double>(static_cast<long double>(degrees) *
                             static_cast<long double>(PI_APPROXIMATION) / 180.0L);
}

void buildViewMatrix(const ProgramState& state) {
  resetView();
  const double x = radians(state.angleX);
  const double y = radians(state.angleY);
  const double z = radians(state.angleZ);
  rotateViewX(std::cos(x), std::sin(x));
  rotateViewY(std::cos(y), std::sin(y));
  rotateViewZ(std::cos(z), std::sin(z));
}

void transformFrameScenes() {
  for (std::int32_t i = 0; i < frameSceneCount; ++i) {
    Scene& scene = *frameScenes[i];
    transformVertices(scene.vertices, scene.vertexCount);
  }
  for (std::int32_t i = 0; i < frameSceneCount; ++i) {
    Scene& scene = *frameScenes[i];
    transformNormals(scene.normals, scene.viewNormals, scene.normalCount);
  }
}

void drawOverlay(const ProgramState& state) {
  const FrameStatistics& statistics = state.statistics;
  if (state.showStatistics == 1) {
    drawText(state.depthParity, STATISTICS_X, STATISTICS_Y,
             "FPS: %.2f  TPS: %.2f\nPCMEM: %d   TEXMEM: %d   RASPOS: %3d",
             statistics.framesPerSecond, statistics.facesPerSecond,
             static_cast<int>(getTotalMemAllocated()), static_cast<int>(textureMemoryUsed()),
             static_cast<int>(statistics.rasterAverage));
  }
  if (state.waitForRetrace != 1) drawText(state.depthParity, RETRACE_MARK_X, RETRACE_MARK_Y, "V");
}

void handleKey(ProgramState& state, int key) {
  if (key >= 0 && key <= 255) key = std::toupper(key);
  switch (key) {
    case 'D':
      saveScreenshot("dump.tga", SCREEN_WIDTH, SCREEN_HEIGHT);
      break;
    case 'V':
      state.waitForRetrace ^= 1;
      break;
    case 'S':
      state.showStatistics ^= 1;
      break;
    default:  // Q and every key without a command
      state.quitRequested = 1;
      break;
  }
}

void scaleScene(Scene& scene, float factor) {
  for (std::int32_t v = 0; v < scene.vertexCount; ++v) {
    scene.vertices[v].x *= factor;
    scene.vertices[v].y *= factor;
    scene.vertices[v].z *= factor;
  }
}

void openBoard() {
  grGlideInit();
  GrHwConfiguration hardware{};
  if (grSstQueryHardware(&hardware) == 0) std::printf("ERROR: no Voodoo Graphics!\n");
  grSstSelect(0);
  grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_72Hz, GR_COLORFORMAT_RGBA, GR_ORIGIN_LOWER_LEFT,
               2, 0);
}

// FPS and TPS of the whole run; a run too short for the clock reports 0.
double perSecond(double count, double seconds) { return seconds > 0 ? count / seconds : 0.0; }

}  // namespace

void advanceCameraAngles(ProgramState& state) {
  state.angleX = wrapAngle(state.angleX + ANGLE_X_STEP);
  state.angleY = state.angleY + ANGLE_Y_STEP;
  state.angleZ = wrapAngle(state.angleZ + ANGLE_Z_STEP);
}

void setStartingBoardState() {
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  grDepthBufferFunction(GR_CMP_GREATER);
  grDepthMask(FXTRUE);
  grBufferClear(0, 0, 0);
}

void startProgram(ProgramState& state, const Platform& platform) {
  state = ProgramState{};
  state.platform = platform;
  boardSetDisplay(platform.display);
  boardSetClock(platform.boardClock);

  // The reader's selectors carry over from file to file, not from an
  // earlier run in this process.
  resetReaderState();
  state.wildScene = loadScene("%s\\qxwild.3ds", SCENE_DIRECTORY);
  state.skyScene = loadScene("%s\\ballsky.3ds", SCENE_DIRECTORY);
  scaleScene(*state.skyScene, SKY_SCALE);
  clearSceneRegistry();
  registerScene(state.wildScene);
  registerScene(state.skyScene);
  initViewVolume();

  openBoard();
  restartTextureMemoryCount();
  loadSceneTextures(*state.wildScene);
  loadSceneTextures(*state.skyScene);
  setStartingBoardState();

  state.statistics.runStart = state.statistics.windowStart = readProgramClock(state);
}

void prepareFrame(ProgramState& state) {
  const int lineAtFrameStart = grSstVideoLine();
  beginFrameLists();
  buildViewMatrix(state);
  advanceCameraAngles(state);
  addSceneToFrame(state.wildScene);
  addSceneToFrame(state.skyScene);
  transformFrameScenes();
  sortTransparentFaces();
  state.rasterLines = grSstVideoLine() - lineAtFrameStart;
  if (state.rasterLines < 0) state.rasterLines += RASTER_LINES;
}

void runFrame(ProgramState& state) {
  prepareFrame(state);

  opaquePass(state.depthParity, state.statistics);
  grDepthMask(FXFALSE);
  transparentPass(state.depthParity, state.statistics);
  grDepthMask(FXTRUE);

  updateStatistics(state.statistics, state.rasterLines, readProgramClock(state));
  drawOverlay(state);

  if (state.platform.keys != nullptr) {
    const int key = state.platform.keys->takeKey();
    if (key >= 0) handleKey(state, key);
  }

  state.depthParity ^= 1;
  grDepthBufferFunction(state.depthParity == 1 ? GR_CMP_GREATER : GR_CMP_LESS);
  grBufferSwap(state.waitForRetrace);
}

void shutdownProgram(ProgramState& state) {
  clearSceneRegistry();
  freeScene(state.wildScene);
  freeScene(state.skyScene);
  state.wildScene = state.skyScene = nullptr;
  releaseTextures();
  grGlideShutdown();
  resetTextOverlay();
  boardSetDisplay(nullptr);
  boardSetClock(nullptr);
  const double runTime = readProgramClock(state) - state.statistics.runStart;

  std::printf("qxTotalMemAllocated = %d\n", static_cast<int>(getTotalMemAllocated()));
  std::printf("qxTotalMemAllocated_MAX = %d\n", static_cast<int>(getTotalMemAllocatedMax()));
  std::printf("Global statistics while running:\nFPS: %.2f  TPS: %.2f\nTEXMEM: %d   RASPOS: %3d\n",
              perSecond(state.statistics.totalFrames, runTime),
              perSecond(state.statistics.totalFaces, runTime),
              static_cast<int>(textureMemoryUsed()),
              static_cast<int>(state.statistics.rasterAverage));
  std::fflush(stdout);
}

int runProgram(const Platform& platform) {
  ProgramState state;
  startProgram(state, platform);
  do {
    runFrame(state);
  } while (state.quitRequested != 1);
  shutdownProgram(state);
  return 0;
}
