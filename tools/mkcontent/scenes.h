#pragma once
// The two scenes the program shows, as they are written to their files.

#include "tools/writer3ds/scene_writer.h"

// Sky ball radius in file units; start-up scales the sky by 5, so it
// surrounds the eye, 350 units from the centre, at every angle.
inline constexpr float SKY_RADIUS = 100.0f;

// "qxwild.3ds": the floating island and everything on and around it.
WriterScene makeWildScene();
// "ballsky.3ds": the sky ball, facing inward.
WriterScene makeSkyScene();
