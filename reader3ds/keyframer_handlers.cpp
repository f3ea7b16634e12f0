#include "reader3ds/keyframer_handlers.h"

#include <cstddef>

#include "reader3ds/stream_reads.h"

namespace {

// What follows the flags of each key of a track.
enum class KeyValue { FIXED, NAME, NONE };

// Reads one key track: five header words, a 32-bit key count of which only
// the lower half counts, then the keys. valueSize is the byte size of a FIXED
// value per key. Keys are read and dropped, so the walk stops at the chunk's
// end: a count larger than the chunk holds would read on through the rest
// of the file, and a few such chunks would spend the load's read budget
// before the chunks after them are reached.
void readKeyTrack(std::FILE* stream, std::int32_t endOffset, KeyValue value,
                  std::size_t valueSize) {
  std::uint16_t word;
  for (int i = 0; i < 5; ++i) {
    if (!readU16(stream, &word)) return;
  }
  std::uint16_t count;
  if (!readU16(stream, &count) || !readU16(stream, &word)) return;
  for (std::uint16_t key = 0; key < count && bytesLeftInChunk(stream, endOffset) > 0; ++key) {
    std::uint16_t frameLow, frameHigh, flags;
    if (!readU16(stream, &frameLow) || !readU16(stream, &frameHigh) || !readU16(stream, &flags))
      return;
    if (value != KeyValue::NONE) {
      // One spline value per set flag bit; a failed read ends only this scan.
      for (int bit = 0; bit < 16; ++bit) {
        float spline;
        if ((flags >> bit & 1) && !readF32s(stream, &spline, 1)) break;
      }
    }
    if (value == KeyValue::NAME) {
      skipName(stream);
    } else if (value == KeyValue::FIXED) {
      if (!skipBytes(stream, valueSize)) return;
    }
  }
}

}  // namespace

void onFrames(std::FILE* stream, std::int32_t) { skipBytes(stream, 8); }

void onTrackObjName(std::FILE* stream, std::int32_t) {
  skipName(stream);
  if (skipBytes(stream, 4)) skipBytes(stream, 2);
}

void onPivotPoint(std::FILE* stream, std::int32_t) { skipBytes(stream, 12); }

void onObjectNumber(std::FILE* stream, std::int32_t) { skipBytes(stream, 2); }

void onPositionKeys(std::FILE* stream, std::int32_t endOffset) {
  readKeyTrack(stream, endOffset, KeyValue::FIXED, 12);
}

void onRotationKeys(std::FILE* stream, std::int32_t endOffset) {
  readKeyTrack(stream, endOffset, KeyValue::FIXED, 16);
}

void onScaleKeys(std::FILE* stream, std::int32_t endOffset) {
  readKeyTrack(stream, endOffset, KeyValue::FIXED, 12);
}

void onFovKeys(std::FILE* stream, std::int32_t endOffset) {
  readKeyTrack(stream, endOffset, KeyValue::FIXED, 4);
}

void onRollKeys(std::FILE* stream, std::int32_t endOffset) {
  readKeyTrack(stream, endOffset, KeyValue::FIXED, 4);
}

void onMorphKeys(std::FILE* stream, std::int32_t endOffset) {
  readKeyTrack(stream, endOffset, KeyValue::NAME, 0);
}

void onHideKeys(std::FILE* stream, std::int32_t endOffset) {
  readKeyTrack(stream, endOffset, KeyValue::NONE, 0);
}
