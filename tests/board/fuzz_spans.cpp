// The span loops against each other on arbitrary bytes: the bytes are read as
// a run of state changes, clears and triangles, drawn by the general, scalar
// and wide loops (SSE2, SSE4.2 and AVX2 lanes) in turn, and by the wide ones on
// workers; all must leave the same colour and depth bytes.

#include <cstdint>
#include <cstring>
#include <iterator>
#include <random>
#include <span>
#include <vector>

#include "board/depth_cull.h"
#include "board/span_wide.h"
#include "tests/board/board_test_support.h"

namespace {

constexpr int MAX_COMMANDS = 96;  // bounds the time one input takes

// Reads the input front to back; past its end every read gives zeros.
class InputBytes {
 public:
  InputBytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool done() const { return next_ >= size_; }
  std::uint8_t byte() { return next_ < size_ ? data_[next_++] : 0; }
  // Low byte first. The reads are separate statements: the operands of | may
  // be evaluated in either order, which would read inputs differently from
  // one compiler to another.
  std::uint16_t u16() {
    const std::uint16_t low = byte();
    return std::uint16_t(low | byte() << 8);
  }
  std::uint32_t u32() {
    const std::uint32_t low = u16();
    return low | std::uint32_t(u16()) << 16;
  }

  // A value in [low, high]; the top mark stands for any float at all, read
  // from the next four bytes, so that NaN, infinities and huge values come too.
  float within(float low, float high) {
    std::uint16_t mark = u16();
    if (mark != 0xffff) return low + (high - low) * float(mark) / 65534.0f;
    std::uint32_t bits = u32();
    float any;
    std::memcpy(&any, &bits, sizeof any);
    return any;
  }
  float within(ValueRange range) { return within(range.low, range.high); }

 private:
  const std::uint8_t* data_;
  std::size_t size_, next_ = 0;
};

// A triangle around a centre anywhere near the screen, its corners at most a
// quarter of a pixel to 128 pixels from it, with colours and depths reaching
// a little beyond their ranges (where the board clamps them) and every other
// vertex value from the input.
void drawInputTriangle(InputBytes& in) {
  float cx = in.within(-64, 576), cy = in.within(-64, 448);
  float spread = float(1 << (in.byte() % 10)) / 4;
  GrVertex v[3];
  for (GrVertex& vertex : v) {
    float x = cx + spread * in.within(-1, 1), y = cy + spread * in.within(-1, 1);
    float r = in.within(CHANNEL_BEYOND), g = in.within(CHANNEL_BEYOND);
    float b = in.within(CHANNEL_BEYOND), ooz = in.within(DEPTH_BEYOND);
    float a = in.within(CHANNEL_BEYOND);
    float oow = in.within(1.0f / 4096, 2);
    float s = in.within(-2048, 2048), t = in.within(-2048, 2048);
    vertex = textured(vertexAt(x, y, r, g, b, ooz, a), s, t, oow);
  }
  grDrawTriangle(&v[0], &v[1], &v[2]);
}

// Two sets of random texels for each texture kind, made once: making them
// per input would take most of the fuzzer's time.
const TexelData& texelsFor(std::size_t kind, int variant) {
  static const std::vector<TexelData> sets = [] {
    std::vector<TexelData> made;
    std::mt19937 random(1);
    for (const TextureKind& k : TEXTURE_KINDS) {
      for (int copy = 0; copy < 2; ++copy) made.push_back(makeRandomTexels(k, random));
    }
    return made;
  }();
  return sets[kind * 2 + std::size_t(variant)];
}

void download(GrMipMapId_t id, std::size_t kind, int variant) {
  const TexelData& data = texelsFor(kind, variant);
  guTexDownloadMipMap(id, data.texels.data(), &data.palette);
}

// Draws the whole input on a freshly opened board.
void drawInput(const std::uint8_t* data, std::size_t size, int threads) {
  openBoard(threads);
  std::vector<GrMipMapId_t> textures;
  for (std::size_t kind = 0; kind < std::size(TEXTURE_KINDS); ++kind) {
    textures.push_back(makeTexture(TEXTURE_KINDS[kind]));
    download(textures.back(), kind, 0);
  }
  InputBytes in(data, size);
  std::mt19937 random(in.byte());
  setRandomState(random, textures);
  for (int command = 0; command < MAX_COMMANDS && !in.done(); ++command) {
    switch (in.byte() % 8) {
      case 0:
        random.seed(in.u32());
        setRandomState(random, textures);
        break;
      case 1: {
        const GrColor_t colour = in.u32();  // read before the depth: arguments have no order
        grBufferClear(colour, 0, in.u16());
        break;
      }
      case 2: {
        std::size_t kind = in.byte() % textures.size();
        download(textures[kind], kind, in.byte() % 2);
        break;
      }
      default:
        drawInputTriangle(in);
    }
  }
}

struct Buffers {
  std::vector<std::uint16_t> colour, depth;
  bool operator==(const Buffers&) const = default;
};

// A way to draw an input. The first, the general loops without the depth
// cull on the caller's thread, is the reference.
struct DrawingWay {
  SpanLanes lanes;
  bool general;
  int threads;
};

constexpr DrawingWay WAYS[] = {{SpanLanes::Scalar, true, 1},
                               {SpanLanes::Scalar, false, 1},
                               {SpanLanes::Sse2, false, 1},
                               {SpanLanes::Sse42, false, 1},
                               {SpanLanes::Avx2, false, 1},
                               // Five workers cut the screen into uneven bands.
                               {SpanLanes::Avx2, false, 5}};

Buffers drawnBy(const DrawingWay& way, const std::uint8_t* data, std::size_t size) {
  useSpanLanes(way.lanes);
  forceGeneralSpans(way.general);
  useDepthCull(!way.general);
  drawInput(data, size, way.threads);
  Buffers drawn{readBuffer(), readBuffer(GR_BUFFER_AUXBUFFER)};
  if (drawn.colour.empty() || drawn.depth.empty()) __builtin_trap();  // a read lock refused
  return drawn;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Buffers reference = drawnBy(WAYS[0], data, size);
  for (const DrawingWay& way : std::span(WAYS).subspan(1)) {
    if (drawnBy(way, data, size) != reference) __builtin_trap();
  }
  boardReset();
  return 0;
}
