#include "board/trace_reader.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include "board/board.h"
#include "platform/file_names.h"

namespace {

constexpr float SNAP_BIAS = 786432.0f;
constexpr std::uint64_t MAX_TRACE_BYTES = std::uint64_t(1) << 32;

// Payload bytes of the records whose size never varies; -1 for the others.
constexpr long fixedPayload(TraceOp op) {
  switch (op) {
    case TraceOp::Init:
    case TraceOp::SstQueryHardware:
    case TraceOp::Shutdown:
    case TraceOp::SstVideoLine:
      return 0;
    case TraceOp::SstSelect:
    case TraceOp::DepthBufferMode:
    case TraceOp::DepthBufferFunction:
    case TraceOp::DepthMask:
    case TraceOp::DitherMode:
    case TraceOp::BufferSwap:
    case TraceOp::ConstantColorValue:
    case TraceOp::ChromakeyMode:
    case TraceOp::ChromakeyValue:
    case TraceOp::TexSource:
      return 4;
    case TraceOp::BufferClear:
      return 12;
    case TraceOp::AlphaBlendFunction:
      return 16;
    case TraceOp::ColorCombine:
    case TraceOp::AlphaCombine:
    case TraceOp::LfbLock:
      return 20;
    case TraceOp::SstWinOpen:
    case TraceOp::TexCombine:
      return 28;
    case TraceOp::TexAllocateMemory:
      return 60;
    case TraceOp::DrawTriangle:
      return 3 * TRACE_VERTEX_BYTES;
    default:
      return -1;
  }
}

class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::size_t left() const { return size_ - at_; }
  bool u16(std::uint16_t* v) {
    if (left() < 2) return false;
    *v = std::uint16_t(data_[at_] | data_[at_ + 1] << 8);
    at_ += 2;
    return true;
  }
  bool u32(std::uint32_t* v) {
    if (left() < 4) return false;
    *v = std::uint32_t(data_[at_]) | std::uint32_t(data_[at_ + 1]) << 8 |
         std::uint32_t(data_[at_ + 2]) << 16 | std::uint32_t(data_[at_ + 3]) << 24;
    at_ += 4;
    return true;
  }
  float f32() {
    std::uint32_t bits = 0;
    u32(&bits);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
  }
  const std::uint8_t* take(std::size_t count) {
    if (left() < count) return nullptr;
    at_ += count;
    return data_ + at_ - count;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

GrVertex readVertex(Bytes& in) {
  GrVertex v{};
  float* fields[15] = {&v.x,
                       &v.y,
                       &v.z,
                       &v.r,
                       &v.g,
                       &v.b,
                       &v.ooz,
                       &v.a,
                       &v.oow,
                       &v.tmuvtx[0].sow,
                       &v.tmuvtx[0].tow,
                       &v.tmuvtx[0].oow,
                       &v.tmuvtx[1].sow,
                       &v.tmuvtx[1].tow,
                       &v.tmuvtx[1].oow};
  for (float* field : fields) *field = in.f32();
  return v;
}

// The area of a triangle in pixels; 0 for one that is not finite.
double triangleArea(const GrVertex& a, const GrVertex& b, const GrVertex& c) {
  double ax = double(a.x) - SNAP_BIAS, ay = double(a.y) - SNAP_BIAS;
  double area = std::fabs(((double(b.x) - SNAP_BIAS - ax) * (double(c.y) - SNAP_BIAS - ay) -
                           (double(c.x) - SNAP_BIAS - ax) * (double(b.y) - SNAP_BIAS - ay)) /
                          2);
  return std::isfinite(area) ? std::fmin(area, double(BOARD_WIDTH) * BOARD_HEIGHT) : 0.0;
}

bool readTable(Bytes& in, TraceTable kind, GuTexTable* table) {
  *table = {};
  if (kind == TraceTable::Palette) {
    for (FxU32& v : table->palette.data) {
      if (!in.u32(&v)) return false;
    }
    return true;
  }
  GuNccTable& ncc = table->nccTable;
  const std::uint8_t* y = in.take(sizeof ncc.yRGB);
  if (y == nullptr) return false;
  std::memcpy(ncc.yRGB, y, sizeof ncc.yRGB);
  std::uint16_t word = 0;
  for (auto* rows : {ncc.iRGB, ncc.qRGB}) {
    for (int i = 0; i < 4; ++i) {
      for (FxI16& v : rows[i]) {
        if (!in.u16(&word)) return false;
        v = FxI16(word);
      }
    }
  }
  for (FxU32& v : ncc.packed_data) {
    if (!in.u32(&v)) return false;
  }
  return true;
}

bool readDownload(Bytes& in, std::size_t payload, TraceFile* trace, TraceCommand* command) {
  std::uint32_t id = 0, hasSource = 0, kind = 0, texels = 0;
  if (!in.u32(&id) || !in.u32(&hasSource) || !in.u32(&kind) || kind > 2) return false;
  command->args[0] = id;
  command->args[1] = hasSource;
  std::size_t tableBytes = kind == 1 ? TRACE_NCC_TABLE_BYTES : kind == 2 ? TRACE_PALETTE_BYTES : 0;
  if (payload < 16 + tableBytes) return false;
  if (kind != 0) {
    GuTexTable table;
    if (!readTable(in, TraceTable(kind), &table)) return false;
    command->table = std::int32_t(trace->tables.size());
    trace->tables.push_back(table);
  }
  if (!in.u32(&texels)) return false;
  std::size_t bytes = payload - 16 - tableBytes;
  if (texels == 0 ? bytes != 0 : bytes != texels && bytes != 2 * std::size_t(texels)) return false;
  const std::uint8_t* data = in.take(bytes);
  if (data == nullptr) return false;
  command->first = std::uint32_t(trace->texels.size());
  command->count = std::uint32_t(bytes);
  command->args[2] = bytes == texels ? 1 : 2;  // bytes a texel
  std::size_t start = trace->texels.size();
  trace->texels.resize(start + (bytes + 1) / 2);
  if (bytes == texels) {
    std::memcpy(trace->texels.data() + start, data, bytes);
  } else {
    for (std::size_t i = 0; i < texels; ++i) {
      trace->texels[start + i] = std::uint16_t(data[2 * i] | data[2 * i + 1] << 8);
    }
  }
  return true;
}

bool readUnlock(Bytes& in, std::size_t payload, TraceFile* trace, TraceCommand* command) {
  std::uint32_t runCount = 0;
  if (!in.u32(&command->args[0]) || !in.u32(&command->args[1]) || !in.u32(&runCount)) {
    return false;
  }
  std::size_t left = payload - 12;
  command->first = std::uint32_t(trace->runs.size());
  command->count = runCount;
  for (std::uint32_t r = 0; r < runCount; ++r) {
    TraceRun run{};
    if (left < 8 || !in.u32(&run.start) || !in.u32(&run.count)) return false;
    left -= 8;
    if (run.start > std::uint32_t(BOARD_WIDTH * BOARD_HEIGHT) ||
        run.count > std::uint32_t(BOARD_WIDTH * BOARD_HEIGHT) - run.start ||
        left < 2 * std::size_t(run.count)) {
      return false;
    }
    left -= 2 * std::size_t(run.count);
    run.firstPixel = std::uint32_t(trace->runPixels.size());
    for (std::uint32_t i = 0; i < run.count; ++i) {
      std::uint16_t p = 0;
      in.u16(&p);
      trace->runPixels.push_back(p);
    }
    trace->runs.push_back(run);
  }
  return left == 0;
}

bool readFinalImage(Bytes& in, std::size_t payload, TraceFile* trace) {
  std::uint32_t width = 0, height = 0;
  if (!in.u32(&width) || !in.u32(&height) || width != BOARD_WIDTH || height != BOARD_HEIGHT ||
      payload != TRACE_FINAL_IMAGE_PAYLOAD) {
    return false;
  }
  trace->finalImage.resize(std::size_t(BOARD_WIDTH) * BOARD_HEIGHT);
  for (std::uint16_t& p : trace->finalImage) in.u16(&p);
  return true;
}

bool readString(Bytes& in, std::size_t payload) {
  std::uint32_t length = 0;
  return in.u32(&length) && payload == 4 + std::size_t(length) && in.take(length) != nullptr;
}

bool readRecord(Bytes& in, TraceOp op, std::size_t payload, TraceFile* trace) {
  TraceCommand command{};
  command.op = op;
  long fixed = fixedPayload(op);
  if (fixed >= 0) {
    if (payload != std::size_t(fixed)) return false;
    if (op == TraceOp::DrawTriangle) {
      command.first = std::uint32_t(trace->vertices.size());
      for (int k = 0; k < 3; ++k) trace->vertices.push_back(readVertex(in));
      const GrVertex* v = &trace->vertices[command.first];
      trace->framePixels.back() += triangleArea(v[0], v[1], v[2]);
    } else {
      for (std::size_t i = 0; i < payload / 4; ++i) in.u32(&command.args[i]);
    }
    if (op == TraceOp::BufferSwap) {
      ++trace->frameCount;
      trace->framePixels.push_back(0);
    }
    if (op == TraceOp::TexAllocateMemory) ++trace->allocationCount;
  } else if (op == TraceOp::TexDownloadMipMap) {
    if (!readDownload(in, payload, trace, &command)) return false;
  } else if (op == TraceOp::LfbUnlock) {
    if (payload < 12 || !readUnlock(in, payload, trace, &command)) return false;
  } else if (op == TraceOp::FinalImage) {
    return readFinalImage(in, payload, trace);
  } else {
    return readString(in, payload);  // file names of 3DF reads: nothing to replay
  }
  trace->commands.push_back(command);
  return true;
}

}  // namespace

bool parseTrace(const std::uint8_t* bytes, std::size_t size, TraceFile* trace, std::string* error) {
  *trace = TraceFile{};
  trace->framePixels.push_back(0);
  Bytes in(bytes, size);
  const std::uint8_t* magic = in.take(sizeof TRACE_MAGIC);
  std::uint32_t version = 0, width = 0, height = 0;
  if (magic == nullptr || std::memcmp(magic, TRACE_MAGIC, sizeof TRACE_MAGIC) != 0) {
    *error = "not a trace file";
    return false;
  }
  if (!in.u32(&version) || !in.u32(&width) || !in.u32(&height) || version != TRACE_VERSION ||
      width != BOARD_WIDTH || height != BOARD_HEIGHT) {
    *error = "unsupported trace version or screen size";
    return false;
  }
  for (std::size_t record = 0; in.left() > 0; ++record) {
    std::uint16_t op = 0, reserved = 0;
    std::uint32_t payload = 0;
    if (!in.u16(&op) || !in.u16(&reserved) || !in.u32(&payload) || in.left() < payload) {
      *error = "truncated at record " + std::to_string(record);
      return false;
    }
    Bytes body(in.take(payload), payload);
    if (op == 0 || op > TRACE_OP_LAST || !readRecord(body, TraceOp(op), payload, trace)) {
      *error =
          "malformed record " + std::to_string(record) + " (operation " + std::to_string(op) + ")";
      return false;
    }
  }
  return true;
}

namespace {

// The whole file into bytes; false with a message when it cannot be opened
// or reaches the size limit.
bool readTraceFile(const char* path, std::vector<std::uint8_t>& bytes, std::string* error) {
  const OwnedFile file(std::fopen(path, "rb"));
  if (file == nullptr) {
    *error = std::string("can't open \"") + path + "\"";
    return false;
  }
  if (!readWholeFile(file.get(), MAX_TRACE_BYTES - 1, &bytes)) {
    *error = "trace too large";
    return false;
  }
  return true;
}

}  // namespace

bool loadTrace(const char* path, TraceFile* trace, std::string* error) {
  // A trace within the size limit can still be more than the machine lends.
  try {
    std::vector<std::uint8_t> bytes;
    return readTraceFile(path, bytes, error) &&
           parseTrace(bytes.data(), bytes.size(), trace, error);
  } catch (const std::bad_alloc&) {
    *trace = TraceFile{};
    *error = "not enough memory to read the trace";
    return false;
  }
}
