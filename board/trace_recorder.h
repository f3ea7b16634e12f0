#pragma once
// Recording the board's interface calls into a trace file.
//
// A trace starts at the next grSstWinOpen after boardStartTrace (or, with
// WILDSKY_TRACE=file in the environment, at the first grSstWinOpen; frames
// from WILDSKY_TRACE_FRAMES, default 60) that finds texture memory empty,
// so a replay that starts from a freshly initialised board reproduces every
// frame. It ends after the given number of grBufferSwap calls, at
// grGlideShutdown, or at boardStopTrace, and closes with the image the last
// recorded call leaves in the front buffer.
// Every gr*/gu* operation calls its hook first.

#include <cstddef>
#include <type_traits>

#include "board/trace_format.h"
#include "render/glide.h"

inline constexpr int TRACE_DEFAULT_FRAMES = 60;

// False when a trace is already armed or running, or frames < 1.
bool boardStartTrace(const char* path, int frames);
void boardStopTrace();
bool boardTraceRecording();  // armed or running

inline bool traceActive = false;  // a trace is running: hooks record

void traceBeginRecord(TraceOp op, std::size_t payloadBytes);
void tracePut(std::uint32_t value);
void tracePut(float value);
void tracePut(const GrVertex* vertex);
void tracePut(const char* text);
inline void tracePut(const void*) {}  // result structures the board fills

template <class T>
std::size_t tracePutBytes(const T&) {
  if constexpr (std::is_pointer_v<T> && !std::is_same_v<T, const GrVertex*>) return 0;
  return std::is_pointer_v<T> ? TRACE_VERTEX_BYTES : 4;
}
std::size_t tracePutBytes(const char* text);

template <class... Args>
void traceRecordCall(TraceOp op, const Args&... args) {
  traceBeginRecord(op, (tracePutBytes(args) + ... + std::size_t(0)));
  (tracePut(static_cast<std::conditional_t<std::is_integral_v<Args>, std::uint32_t, Args>>(args)),
   ...);
}

// The hooks: each operation's arguments as a record.
template <class... Args>
void traceCall(TraceOp op, const Args&... args) {
  if (traceActive) [[unlikely]]
    traceRecordCall(op, args...);
}

// Hooks with more to do than writing their arguments.
void traceSstWinOpen(FxU32 hWnd, GrScreenResolution_t resolution, GrScreenRefresh_t refresh,
                     GrColorFormat_t format, GrOriginLocation_t origin, int nColBuffers,
                     int nAuxBuffers);
void traceBufferSwap(int swapInterval);
void traceShutdown();
void traceTexDownloadMipMap(GrMipMapId_t id, const void* src, const GuTexTable* table);
void traceLfbLock(GrLock_t type, GrBuffer_t buffer, GrLfbWriteMode_t writeMode,
                  GrOriginLocation_t origin, FxBool pixelPipeline);
void traceLfbUnlock(GrLock_t type, GrBuffer_t buffer);

// Triangles and clears draw in place into a buffer under an upper-left write
// lock, over what the caller wrote through it so far, which a replay writes
// only at the unlock. So the writes so far go into the trace ahead of the
// call, as an unlock and a fresh lock, and what the call leaves is what
// later writes are told apart from.
void traceWritesThroughLockSoFar();
void traceLockCopyAfterDrawing();

template <class... Args>
void traceDrawingCall(TraceOp op, const Args&... args) {
  if (traceActive) [[unlikely]] {
    traceWritesThroughLockSoFar();
    traceRecordCall(op, args...);
  }
}

// After the call has drawn.
inline void traceDrawingDone() {
  if (traceActive) [[unlikely]]
    traceLockCopyAfterDrawing();
}
