#include "board/trace_recorder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "board/board_context.h"
#include "board/texel_decode.h"
#include "board/texture_memory.h"
#include "platform/file_names.h"

namespace {

struct Recorder {
  std::string armedPath;
  int armedFrames = 0;
  bool environmentRead = false;

  std::FILE* file = nullptr;
  std::string path;
  int framesLeft = 0;
  bool failed = false;

  // The locked buffer as it was before the caller wrote into it.
  std::vector<std::uint16_t> beforeLock;
  std::vector<std::uint16_t> afterUnlock;  // a buffer as a lower-left unlock leaves it
  bool snapshotValid = false;
  GrBuffer_t snapshotBuffer = 0;
};

Recorder recorder;

void write(const void* bytes, std::size_t size) {
  if (!recorder.failed && std::fwrite(bytes, 1, size, recorder.file) != size) {
    recorder.failed = true;
  }
}

void writeU16(std::uint16_t value) {
  std::uint8_t bytes[2] = {std::uint8_t(value), std::uint8_t(value >> 8)};
  write(bytes, 2);
}

void writeU32(std::uint32_t value) {
  std::uint8_t bytes[4] = {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
                           std::uint8_t(value >> 24)};
  write(bytes, 4);
}

// Copies a buffer, rows top to bottom, through a read lock of the board, so
// that drawing still in flight is finished first. Recording is paused so
// the lock is not itself recorded.
bool readBuffer(GrBuffer_t buffer, std::uint16_t* out) {
  traceActive = false;
  GrLfbInfo_t info{};
  info.size = sizeof info;
  bool locked = grLfbLock(GR_LFB_READ_ONLY, buffer, GR_LFBWRITEMODE_ANY, GR_ORIGIN_UPPER_LEFT,
                          FXFALSE, &info);
  if (locked) {
    for (int row = 0; row < BOARD_HEIGHT; ++row) {
      const auto* from = static_cast<const std::uint8_t*>(info.lfbPtr) + row * info.strideInBytes;
      std::memcpy(out + row * BOARD_WIDTH, from, BOARD_WIDTH * sizeof(std::uint16_t));
    }
    grLfbUnlock(GR_LFB_READ_ONLY, buffer);
  }
  traceActive = true;
  return locked;
}

void writeFinalImage(GrBuffer_t buffer) {
  std::vector<std::uint16_t>& pixels = recorder.beforeLock;
  if (!readBuffer(buffer, pixels.data())) return;
  traceBeginRecord(TraceOp::FinalImage, TRACE_FINAL_IMAGE_PAYLOAD);
  writeU32(BOARD_WIDTH);
  writeU32(BOARD_HEIGHT);
  for (std::uint16_t p : pixels) writeU16(p);
}

void finish(GrBuffer_t imageBuffer) {
  writeFinalImage(imageBuffer);
  bool closed = std::fclose(recorder.file) == 0;
  if (recorder.failed || !closed) {
    std::fprintf(stderr, "Can't write the trace \"%s\"!\n", recorder.path.c_str());
    // A trace cut short would only be refused by a replay.
    removeHalfWrittenFile(recorder.path);
  }
  recorder.file = nullptr;
  traceActive = false;
}

void begin(const std::string& path, int frames) {
  recorder.file = std::fopen(path.c_str(), "wb");
  if (recorder.file == nullptr) {
    std::fprintf(stderr, "Can't write the trace \"%s\"!\n", path.c_str());
    return;
  }
  recorder.path = path;
  recorder.framesLeft = frames;
  recorder.failed = false;
  recorder.snapshotValid = false;
  recorder.beforeLock.assign(std::size_t(BOARD_PIXELS), 0);
  recorder.afterUnlock.assign(std::size_t(BOARD_PIXELS), 0);
  write(TRACE_MAGIC, sizeof TRACE_MAGIC);
  writeU32(TRACE_VERSION);
  writeU32(BOARD_WIDTH);
  writeU32(BOARD_HEIGHT);
  traceActive = true;
}

int framesFromEnvironment() {
  const char* text = std::getenv("WILDSKY_TRACE_FRAMES");
  if (text == nullptr) return TRACE_DEFAULT_FRAMES;
  long frames = std::strtol(text, nullptr, 10);
  return frames >= 1 && frames <= 1000000 ? int(frames) : TRACE_DEFAULT_FRAMES;
}

// Pixels of a buffer changed while it was locked, as runs.
template <class Visit>
void forEachChangedRun(const std::uint16_t* now, const std::uint16_t* before, Visit visit) {
  std::uint32_t i = 0;
  while (i < std::uint32_t(BOARD_PIXELS)) {
    if (now[i] == before[i]) {
      ++i;
      continue;
    }
    std::uint32_t start = i;
    while (i < std::uint32_t(BOARD_PIXELS) && now[i] != before[i]) ++i;
    visit(start, i - start);
  }
}

// An unlock record whose runs are the pixels of `now` that differ from
// `before`; with no `now`, it has none.
void writeUnlockRecord(GrLock_t type, GrBuffer_t buffer, const std::uint16_t* now,
                       const std::uint16_t* before) {
  std::size_t runs = 0, pixels = 0;
  if (now != nullptr) {
    forEachChangedRun(now, before, [&](std::uint32_t, std::uint32_t count) {
      ++runs;
      pixels += count;
    });
  }
  traceBeginRecord(TraceOp::LfbUnlock, 12 + runs * 8 + pixels * 2);
  writeU32(std::uint32_t(type));
  writeU32(std::uint32_t(buffer));
  writeU32(std::uint32_t(runs));
  if (now != nullptr) {
    forEachChangedRun(now, before, [&](std::uint32_t start, std::uint32_t count) {
      writeU32(start);
      writeU32(count);
      for (std::uint32_t i = 0; i < count; ++i) writeU16(now[start + i]);
    });
  }
}

// The pixels the buffers hold as the trace starts: a replay starts from
// buffers of zeros, so every buffer that holds other pixels gets an
// upper-left write lock and an unlock whose runs are its pixels that are not 0.
void writeStartingBuffers() {
  std::vector<std::uint16_t>& pixels = recorder.afterUnlock;
  const std::vector<std::uint16_t> zeros(std::size_t(BOARD_PIXELS), 0);
  for (GrBuffer_t buffer : {GR_BUFFER_FRONTBUFFER, GR_BUFFER_BACKBUFFER, GR_BUFFER_AUXBUFFER}) {
    if (!readBuffer(buffer, pixels.data()) || pixels == zeros) continue;
    traceRecordCall(TraceOp::LfbLock, GR_LFB_WRITE_ONLY, buffer, GR_LFBWRITEMODE_ANY,
                    GR_ORIGIN_UPPER_LEFT, FXFALSE);
    writeUnlockRecord(GR_LFB_WRITE_ONLY, buffer, pixels.data(), zeros.data());
  }
}

}  // namespace

bool boardStartTrace(const char* path, int frames) {
  if (path == nullptr || frames < 1 || boardTraceRecording()) return false;
  recorder.armedPath = path;
  recorder.armedFrames = frames;
  return true;
}

void boardStopTrace() {
  recorder.armedPath.clear();
  if (recorder.file != nullptr) finish(GR_BUFFER_FRONTBUFFER);
}

bool boardTraceRecording() { return recorder.file != nullptr || !recorder.armedPath.empty(); }

void traceBeginRecord(TraceOp op, std::size_t payloadBytes) {
  writeU16(std::uint16_t(op));
  writeU16(0);
  writeU32(std::uint32_t(payloadBytes));
}

void tracePut(std::uint32_t value) { writeU32(value); }

void tracePut(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, 4);
  writeU32(bits);
}

void tracePut(const GrVertex* v) {
  GrVertex zero{};
  if (v == nullptr) v = &zero;
  const float values[15] = {v->x,
                            v->y,
                            v->z,
                            v->r,
                            v->g,
                            v->b,
                            v->ooz,
                            v->a,
                            v->oow,
                            v->tmuvtx[0].sow,
                            v->tmuvtx[0].tow,
                            v->tmuvtx[0].oow,
                            v->tmuvtx[1].sow,
                            v->tmuvtx[1].tow,
                            v->tmuvtx[1].oow};
  for (float value : values) tracePut(value);
}

std::size_t tracePutBytes(const char* text) {
  return 4 + (text == nullptr ? 0 : std::strlen(text));
}

void tracePut(const char* text) {
  std::size_t length = text == nullptr ? 0 : std::strlen(text);
  writeU32(std::uint32_t(length));
  if (length > 0) write(text, length);
}

void traceSstWinOpen(FxU32 hWnd, GrScreenResolution_t resolution, GrScreenRefresh_t refresh,
                     GrColorFormat_t format, GrOriginLocation_t origin, int nColBuffers,
                     int nAuxBuffers) {
  if (!recorder.environmentRead) {
    recorder.environmentRead = true;
    const char* path = std::getenv("WILDSKY_TRACE");
    if (path != nullptr && *path != '\0' && !boardTraceRecording()) {
      boardStartTrace(path, framesFromEnvironment());
    }
  }
  // A replay starts from empty texture memory, so a trace armed while the
  // board holds textures waits for an opening after grGlideShutdown.
  bool starting = false;
  if (recorder.file == nullptr && !recorder.armedPath.empty()) {
    if (textureMemoryInUse() == 0) {
      begin(recorder.armedPath, recorder.armedFrames);
      starting = traceActive;
      recorder.armedPath.clear();
    } else {
      std::fprintf(stderr,
                   "The trace \"%s\" waits for grGlideShutdown: the board holds textures.\n",
                   recorder.armedPath.c_str());
    }
  }
  traceCall(TraceOp::SstWinOpen, hWnd, resolution, refresh, format, origin, nColBuffers,
            nAuxBuffers);
  if (starting) writeStartingBuffers();
}

void traceBufferSwap(int swapInterval) {
  if (!traceActive) return;
  traceRecordCall(TraceOp::BufferSwap, swapInterval);
  // The swap about to happen shows the back buffer.
  if (--recorder.framesLeft == 0) finish(GR_BUFFER_BACKBUFFER);
}

void traceShutdown() {
  if (!traceActive) return;
  finish(GR_BUFFER_FRONTBUFFER);
}

// The texels go in as the board reads them: every level of the mipmap,
// 8-bit texels as bytes, 16-bit texels as 16-bit words.
void traceTexDownloadMipMap(GrMipMapId_t id, const void* src, const GuTexTable* table) {
  if (!traceActive) return;
  const BoundTexture* bound = boundTextureFor(id);
  GrTextureFormat_t format = 0;
  storedFormatOf(id, &format);
  std::size_t texels = 0;
  if (bound != nullptr && src != nullptr) {
    for (int k = 0; k < bound->levelCount; ++k) {
      texels += std::size_t(bound->levels[k].width) * std::size_t(bound->levels[k].height);
    }
  }
  std::size_t bytesPerTexel = std::size_t(std::max(texelBytes(format), 1));
  TraceTable kind = TraceTable::None;
  if (table != nullptr && (format == GR_TEXFMT_YIQ_422 || format == GR_TEXFMT_AYIQ_8422)) {
    kind = TraceTable::Ncc;
  } else if (table != nullptr && (format == GR_TEXFMT_P_8 || format == GR_TEXFMT_AP_88)) {
    kind = TraceTable::Palette;
  }
  std::size_t tableBytes = kind == TraceTable::Ncc       ? TRACE_NCC_TABLE_BYTES
                           : kind == TraceTable::Palette ? TRACE_PALETTE_BYTES
                                                         : 0;
  traceBeginRecord(TraceOp::TexDownloadMipMap, 16 + tableBytes + texels * bytesPerTexel);
  writeU32(id);
  writeU32(src == nullptr ? 0 : 1);
  writeU32(std::uint32_t(kind));
  if (kind == TraceTable::Ncc) {
    const GuNccTable& ncc = table->nccTable;
    write(ncc.yRGB, sizeof ncc.yRGB);
    for (const auto& row : ncc.iRGB)
      for (FxI16 v : row) writeU16(std::uint16_t(v));
    for (const auto& row : ncc.qRGB)
      for (FxI16 v : row) writeU16(std::uint16_t(v));
    for (FxU32 v : ncc.packed_data) writeU32(v);
  } else if (kind == TraceTable::Palette) {
    for (FxU32 v : table->palette.data) writeU32(v);
  }
  writeU32(std::uint32_t(texels));
  if (bytesPerTexel == 1) {
    write(src, texels);
  } else {
    const auto* words = static_cast<const std::uint8_t*>(src);
    for (std::size_t i = 0; i < texels; ++i) {
      std::uint16_t word;
      std::memcpy(&word, words + 2 * i, 2);
      writeU16(word);
    }
  }
}

// An upper-left write lock hands the buffer itself out, so it takes a copy
// of the buffer first, for the unlock to record just the pixels changed. A
// lower-left lock needs none: the board keeps the view it handed out. A
// lock refused because another is held leaves that one's copy alone.
void traceLfbLock(GrLock_t type, GrBuffer_t buffer, GrLfbWriteMode_t writeMode,
                  GrOriginLocation_t origin, FxBool pixelPipeline) {
  if (!traceActive) return;
  traceRecordCall(TraceOp::LfbLock, type, buffer, writeMode, origin, pixelPipeline);
  if (board().locked) return;
  recorder.snapshotValid = (type & GR_LFB_WRITE_ONLY) != 0 && origin == GR_ORIGIN_UPPER_LEFT &&
                           readBuffer(buffer, recorder.beforeLock.data());
  recorder.snapshotBuffer = buffer;
}

namespace {

// The name the locked buffer goes by now, the one a replay writes its runs
// to: a swap during the lock gives a colour buffer the other one's name.
GrBuffer_t lockedBufferNameNow() {
  BoardContext& b = board();
  if (b.lockedMemory == b.frontBuffer()) return GR_BUFFER_FRONTBUFFER;
  if (b.lockedMemory == b.backBuffer()) return GR_BUFFER_BACKBUFFER;
  return b.lockedBuffer;
}

// Whether an upper-left write lock, the kind with a copy, is held on a
// buffer that triangles and clears draw into: the back or the depth buffer.
bool drawingReachesWriteLock() {
  BoardContext& b = board();
  return recorder.snapshotValid && b.locked &&
         (b.lockedMemory == b.backBuffer() || b.lockedMemory == b.depthBuffer);
}

}  // namespace

void traceWritesThroughLockSoFar() {
  if (!drawingReachesWriteLock()) return;
  const std::uint16_t* now = board().lockedMemory;
  const std::uint16_t* before = recorder.beforeLock.data();
  if (std::equal(now, now + BOARD_PIXELS, before)) return;
  const GrBuffer_t buffer = lockedBufferNameNow();
  writeUnlockRecord(GR_LFB_WRITE_ONLY, buffer, now, before);
  traceRecordCall(TraceOp::LfbLock, GR_LFB_WRITE_ONLY, buffer, GR_LFBWRITEMODE_ANY,
                  GR_ORIGIN_UPPER_LEFT, FXFALSE);
}

void traceLockCopyAfterDrawing() {
  if (!drawingReachesWriteLock()) return;
  std::copy_n(board().lockedMemory, BOARD_PIXELS, recorder.beforeLock.data());
}

void traceLfbUnlock(GrLock_t type, GrBuffer_t buffer) {
  if (!traceActive) return;
  BoardContext& b = board();
  const bool snapshotTaken = recorder.snapshotValid && recorder.snapshotBuffer == buffer;
  const bool accepted = b.locked && b.lockedBuffer == buffer;
  const bool writes =
      accepted && b.lockWrites && (b.lockedOrigin == GR_ORIGIN_LOWER_LEFT || snapshotTaken);
  // An unlock the board refuses (another buffer's) leaves the lock, and its
  // copy, for the unlock that ends it.
  if (accepted) recorder.snapshotValid = false;
  // An upper-left lock hands the buffer out: the runs are what changed since
  // the lock, or since the last triangle or clear during it. A lower-left
  // lock hands out an upside-down view, whose changed pixels the unlock
  // writes back: the runs are what that write-back changes.
  const std::uint16_t* now = nullptr;
  const std::uint16_t* before = recorder.beforeLock.data();
  if (writes && b.lockedOrigin == GR_ORIGIN_LOWER_LEFT) {
    before = b.lockedMemory;
    std::copy_n(before, BOARD_PIXELS, recorder.afterUnlock.data());
    b.applyLowerLeftWrites(recorder.afterUnlock.data());
    now = recorder.afterUnlock.data();
  } else if (writes) {
    now = b.lockedMemory;
  }
  writeUnlockRecord(type, writes ? lockedBufferNameNow() : buffer, now, before);
}
