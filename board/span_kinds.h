#pragma once
// The state combinations that have span loops of their own, shared by the
// scalar loops and the wide ones.

enum class SpanKind {
  OpaqueGouraud,    // iterated colour
  OpaqueTextured,   // texel scaled by the iterated colour
  BlendedGouraud,   // iterated colour over the destination by source alpha
  BlendedTextured,  // textured, over the destination by source alpha
  KeyedText,        // the texel, chroma-keyed
  Count
};

inline constexpr int DEPTH_OFF = 8;  // depth-function slot for depth buffering off

constexpr bool textured(SpanKind kind) {
  return kind == SpanKind::OpaqueTextured || kind == SpanKind::BlendedTextured ||
         kind == SpanKind::KeyedText;
}

constexpr bool blended(SpanKind kind) {
  return kind == SpanKind::BlendedGouraud || kind == SpanKind::BlendedTextured;
}
