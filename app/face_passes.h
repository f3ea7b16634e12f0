#pragma once
// The two drawing passes over the frame's face lists. For every node: count
// it, reject it when its three corners lie outside one common plane, cull it
// when it faces away (unless its material is two-sided), light its corners,
// set the board's combine and blend state when the material differs from the
// previous drawn face's, and hand it to the clipper.
//
// Preconditions: this frame's vertices are transformed and clip-coded, its
// normals rotated, and the transparent list sorted.

#include "app/frame_statistics.h"

// Opaque faces, depth writes on (the frame loop sets the mask).
void opaquePass(int depthParity, FrameStatistics& statistics);

// Transparent faces back to front, blended by the material's transparency.
void transparentPass(int depthParity, FrameStatistics& statistics);
