#pragma once
// The tables of the table formats, computed for an image: an NCC table for
// yiq and ayiq8422, a palette for p8 and ap88, and the search for the table
// entry nearest a colour.

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "render/glide.h"

using Rgb = std::array<std::uint8_t, 3>;

// Distinct colours of an image with how often each occurs.
struct ColorCount {
  Rgb color;
  double count;
};
std::vector<ColorCount> countColors(const std::vector<Rgb>& colors);

// Fits the decoded colour Y[y] + I[i] + Q[q] to the colours: starts from the
// quantiles of the colours' YIQ coordinates and refines the table by
// alternating the best code per colour with least-squares entries.
GuNccTable computeNccTable(const std::vector<ColorCount>& colors);

// Median cut of the colours into at most 256 boxes, refined by k-means; when
// there are no more than 256 distinct colours each gets its own entry.
GuTexPalette computePalette(const std::vector<ColorCount>& colors);

// The 256 colours a table's texel bytes decode to, and for each colour the
// byte whose decoded colour is nearest (squared RGB distance), memoised.
class NearestCode {
 public:
  explicit NearestCode(const std::array<Rgb, 256>& decoded) : decoded_(decoded) {}
  std::uint8_t operator()(const Rgb& color);

 private:
  std::array<Rgb, 256> decoded_;
  std::unordered_map<std::uint32_t, std::uint8_t> memo_;
};
