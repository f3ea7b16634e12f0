#include "tools/tex3df/image_resample.h"

#include <algorithm>
#include <cmath>

namespace {

struct Span {
  int first;
  std::vector<float> weights;  // of input pixels first, first + 1, ...
};

// The input pixels under each of `outSize` output pixels along one axis.
std::vector<Span> spans(int inSize, int outSize) {
  std::vector<Span> result(static_cast<std::size_t>(outSize));
  double step = double(inSize) / outSize;
  for (int k = 0; k < outSize; ++k) {
    double begin = k * step, end = (k + 1) * step;
    Span& span = result[std::size_t(k)];
    span.first = int(std::floor(begin));
    for (int i = span.first; i < inSize && i < end; ++i) {
      double overlap = std::min(end, i + 1.0) - std::max(begin, double(i));
      span.weights.push_back(float(std::max(overlap, 0.0)));
    }
  }
  return result;
}

}  // namespace

RgbaImage resampleBox(const RgbaImage& image, int width, int height) {
  RgbaImage out{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
  std::vector<Span> columns = spans(image.width, width), rows = spans(image.height, height);
  for (int y = 0; y < height; ++y) {
    const Span& row = rows[std::size_t(y)];
    for (int x = 0; x < width; ++x) {
      const Span& column = columns[std::size_t(x)];
      double weight = 0, alpha = 0, plain[3] = {}, weighted[3] = {};
      for (std::size_t j = 0; j < row.weights.size(); ++j) {
        const std::uint8_t* line =
            image.pixels.data() + (std::size_t(row.first + int(j)) * image.width) * 4;
        for (std::size_t i = 0; i < column.weights.size(); ++i) {
          const std::uint8_t* p = line + std::size_t(column.first + int(i)) * 4;
          double w = double(row.weights[j]) * column.weights[i];
          weight += w;
          alpha += w * p[3];
          for (int c = 0; c < 3; ++c) {
            plain[c] += w * p[c];
            weighted[c] += w * p[3] * p[c];
          }
        }
      }
      std::uint8_t* o = out.pixels.data() + (std::size_t(y) * width + x) * 4;
      for (int c = 0; c < 3; ++c) {
        double value = alpha > 0 ? weighted[c] / alpha : plain[c] / weight;
        o[c] = std::uint8_t(std::lround(std::clamp(value, 0.0, 255.0)));
      }
      o[3] = std::uint8_t(std::lround(std::clamp(alpha / weight, 0.0, 255.0)));
    }
  }
  return out;
}
