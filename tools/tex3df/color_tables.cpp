#include "tools/tex3df/color_tables.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int NCC_ROUNDS = 8;
constexpr int KMEANS_ROUNDS = 4;

using Vec3 = std::array<double, 3>;

std::uint32_t pack(const Rgb& c) { return std::uint32_t(c[0]) << 16 | c[1] << 8 | c[2]; }

double distance2(const Vec3& a, const Rgb& b) {
  double d = 0;
  for (int c = 0; c < 3; ++c) d += (a[c] - b[c]) * (a[c] - b[c]);
  return d;
}

// The values at the centres of `count` equally weighted slices of a distribution.
std::vector<double> quantiles(std::vector<std::pair<double, double>> valueWeights, int count) {
  std::sort(valueWeights.begin(), valueWeights.end());
  double total = 0;
  for (const auto& vw : valueWeights) total += vw.second;
  std::vector<double> result;
  double seen = 0;
  std::size_t k = 0;
  for (int q = 0; q < count; ++q) {
    double target = total * (q + 0.5) / count;
    while (k + 1 < valueWeights.size() && seen + valueWeights[k].second < target) {
      seen += valueWeights[k++].second;
    }
    result.push_back(valueWeights[k].first);
  }
  return result;
}

struct NccModel {
  double y[16];
  Vec3 i[4], q[4];
};

// The code whose unclamped decoded colour is nearest: for each (i, q) the best
// y is the entry nearest the mean residual.
int bestNccCode(const NccModel& m, const Rgb& color) {
  int best = 0;
  double bestError = INFINITY;
  for (int i = 0; i < 4; ++i) {
    for (int q = 0; q < 4; ++q) {
      Vec3 residual;
      for (int c = 0; c < 3; ++c) residual[c] = color[c] - m.i[i][c] - m.q[q][c];
      double mean = (residual[0] + residual[1] + residual[2]) / 3;
      int y = 0;
      for (int k = 1; k < 16; ++k) {
        if (std::abs(m.y[k] - mean) < std::abs(m.y[y] - mean)) y = k;
      }
      double error = 0;
      for (int c = 0; c < 3; ++c) error += (residual[c] - m.y[y]) * (residual[c] - m.y[y]);
      if (error < bestError) {
        bestError = error;
        best = y << 4 | i << 2 | q;
      }
    }
  }
  return best;
}

NccModel initialNccModel(const std::vector<ColorCount>& colors) {
  std::vector<std::pair<double, double>> ys, is, qs;
  for (const ColorCount& cc : colors) {
    double r = cc.color[0], g = cc.color[1], b = cc.color[2];
    ys.emplace_back(0.299 * r + 0.587 * g + 0.114 * b, cc.count);
    is.emplace_back(0.596 * r - 0.274 * g - 0.322 * b, cc.count);
    qs.emplace_back(0.211 * r - 0.523 * g + 0.312 * b, cc.count);
  }
  NccModel m{};
  std::vector<double> y = quantiles(ys, 16), i = quantiles(is, 4), q = quantiles(qs, 4);
  std::copy(y.begin(), y.end(), m.y);
  for (int k = 0; k < 4; ++k) {
    m.i[k] = {0.956 * i[k], -0.272 * i[k], -1.106 * i[k]};
    m.q[k] = {0.621 * q[k], -0.647 * q[k], 1.703 * q[k]};
  }
  return m;
}

// One round of least squares: each entry becomes the mean of what the colours
// coded with it leave over once the other two entries are taken away.
void refineNccModel(NccModel& m, const std::vector<ColorCount>& colors,
                    const std::vector<int>& codes) {
  double ySum[16] = {}, yWeight[16] = {};
  for (std::size_t k = 0; k < colors.size(); ++k) {
    int y = codes[k] >> 4, i = codes[k] >> 2 & 3, q = codes[k] & 3;
    for (int c = 0; c < 3; ++c) {
      ySum[y] += colors[k].count * (colors[k].color[c] - m.i[i][c] - m.q[q][c]) / 3;
    }
    yWeight[y] += colors[k].count;
  }
  for (int y = 0; y < 16; ++y) {
    if (yWeight[y] > 0) m.y[y] = std::clamp(ySum[y] / yWeight[y], 0.0, 255.0);
  }
  for (int pass = 0; pass < 2; ++pass) {
    Vec3* entries = pass == 0 ? m.i : m.q;
    Vec3 sum[4] = {};
    double weight[4] = {};
    for (std::size_t k = 0; k < colors.size(); ++k) {
      int y = codes[k] >> 4, i = codes[k] >> 2 & 3, q = codes[k] & 3;
      int own = pass == 0 ? i : q;
      const Vec3& other = pass == 0 ? m.q[q] : m.i[i];
      for (int c = 0; c < 3; ++c) {
        sum[own][c] += colors[k].count * (colors[k].color[c] - m.y[y] - other[c]);
      }
      weight[own] += colors[k].count;
    }
    for (int e = 0; e < 4; ++e) {
      for (int c = 0; c < 3 && weight[e] > 0; ++c) {
        entries[e][c] = std::clamp(sum[e][c] / weight[e], -256.0, 255.0);
      }
    }
  }
}

struct Box {
  std::size_t begin, end;  // a range of the colour array
  int axis;
  int extent;
};

Box measure(std::vector<ColorCount>& colors, std::size_t begin, std::size_t end) {
  Box box{begin, end, 0, -1};
  for (int c = 0; c < 3; ++c) {
    auto [lo, hi] = std::minmax_element(
        colors.begin() + std::ptrdiff_t(begin), colors.begin() + std::ptrdiff_t(end),
        [c](const ColorCount& a, const ColorCount& b) { return a.color[c] < b.color[c]; });
    int extent = hi->color[c] - lo->color[c];
    if (extent > box.extent) {
      box.axis = c;
      box.extent = extent;
    }
  }
  return box;
}

std::vector<Box> medianCut(std::vector<ColorCount>& colors) {
  std::vector<Box> boxes{measure(colors, 0, colors.size())};
  while (boxes.size() < 256) {
    auto widest = std::max_element(boxes.begin(), boxes.end(),
                                   [](const Box& a, const Box& b) { return a.extent < b.extent; });
    if (widest->extent <= 0) break;
    Box box = *widest;
    auto first = colors.begin() + std::ptrdiff_t(box.begin);
    auto last = colors.begin() + std::ptrdiff_t(box.end);
    std::sort(first, last, [&](const ColorCount& a, const ColorCount& b) {
      return a.color[box.axis] < b.color[box.axis];
    });
    double total = 0, seen = 0;
    for (auto it = first; it != last; ++it) total += it->count;
    std::size_t split = box.begin + 1;
    for (std::size_t k = box.begin; k + 1 < box.end; ++k) {
      seen += colors[k].count;
      split = k + 1;
      if (seen >= total / 2) break;
    }
    *widest = measure(colors, box.begin, split);
    boxes.push_back(measure(colors, split, box.end));
  }
  return boxes;
}

int nearestEntry(const std::vector<Vec3>& entries, const Rgb& color) {
  int best = 0;
  double bestDistance = INFINITY;
  for (std::size_t k = 0; k < entries.size(); ++k) {
    double d = distance2(entries[k], color);
    if (d < bestDistance) {
      bestDistance = d;
      best = int(k);
    }
  }
  return best;
}

}  // namespace

std::vector<ColorCount> countColors(const std::vector<Rgb>& colors) {
  std::vector<std::uint32_t> packed;
  packed.reserve(colors.size());
  for (const Rgb& c : colors) packed.push_back(pack(c));
  std::sort(packed.begin(), packed.end());
  std::vector<ColorCount> result;
  for (std::size_t k = 0; k < packed.size(); ++k) {
    if (k > 0 && packed[k] == packed[k - 1]) {
      result.back().count += 1;
    } else {
      Rgb c{std::uint8_t(packed[k] >> 16), std::uint8_t(packed[k] >> 8), std::uint8_t(packed[k])};
      result.push_back({c, 1});
    }
  }
  return result;
}

GuNccTable computeNccTable(const std::vector<ColorCount>& colors) {
  GuNccTable table{};
  if (colors.empty()) return table;
  NccModel m = initialNccModel(colors);
  std::vector<int> codes(colors.size());
  for (int round = 0; round < NCC_ROUNDS; ++round) {
    for (std::size_t k = 0; k < colors.size(); ++k) codes[k] = bestNccCode(m, colors[k].color);
    refineNccModel(m, colors, codes);
  }
  for (int k = 0; k < 16; ++k) table.yRGB[k] = std::uint8_t(std::lround(m.y[k]));
  for (int k = 0; k < 4; ++k) {
    for (int c = 0; c < 3; ++c) {
      table.iRGB[k][c] = std::int16_t(std::lround(m.i[k][c]));
      table.qRGB[k][c] = std::int16_t(std::lround(m.q[k][c]));
    }
  }
  return table;
}

GuTexPalette computePalette(const std::vector<ColorCount>& colors) {
  GuTexPalette palette{};
  if (colors.empty()) return palette;
  std::vector<ColorCount> work = colors;
  std::vector<Box> boxes = medianCut(work);
  std::vector<Vec3> entries;
  for (const Box& box : boxes) {
    Vec3 sum{};
    double weight = 0;
    for (std::size_t k = box.begin; k < box.end; ++k) {
      for (int c = 0; c < 3; ++c) sum[c] += work[k].count * work[k].color[c];
      weight += work[k].count;
    }
    entries.push_back({sum[0] / weight, sum[1] / weight, sum[2] / weight});
  }
  for (int round = 0; round < KMEANS_ROUNDS && boxes.size() == 256; ++round) {
    std::array<Vec3, 256> sums{};
    std::array<double, 256> weights{};
    for (const ColorCount& cc : work) {
      int e = nearestEntry(entries, cc.color);
      for (int c = 0; c < 3; ++c) sums[std::size_t(e)][c] += cc.count * cc.color[c];
      weights[std::size_t(e)] += cc.count;
    }
    for (std::size_t e = 0; e < entries.size(); ++e) {
      if (weights[e] > 0) {
        for (int c = 0; c < 3; ++c) entries[e][c] = sums[e][c] / weights[e];
      }
    }
  }
  for (std::size_t e = 0; e < entries.size(); ++e) {
    std::uint32_t rgb = 0;
    for (int c = 0; c < 3; ++c) {
      rgb = rgb << 8 | std::uint32_t(std::lround(std::clamp(entries[e][c], 0.0, 255.0)));
    }
    palette.data[e] = 0xff000000u | rgb;
  }
  return palette;
}

std::uint8_t NearestCode::operator()(const Rgb& color) {
  auto [it, added] = memo_.try_emplace(pack(color), 0);
  if (added) {
    int best = 0, bestDistance = 1 << 30;
    for (int k = 0; k < 256; ++k) {
      int d = 0;
      for (int c = 0; c < 3; ++c) d += (decoded_[k][c] - color[c]) * (decoded_[k][c] - color[c]);
      if (d < bestDistance) {
        bestDistance = d;
        best = k;
      }
    }
    it->second = std::uint8_t(best);
  }
  return it->second;
}
