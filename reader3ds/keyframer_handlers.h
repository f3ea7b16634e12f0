#pragma once
// Handlers for the animation section. They parse frame ranges, track headers
// and key tracks and store nothing: the keyframer leaves no trace in a Scene.

#include <cstdint>
#include <cstdio>

void onFrames(std::FILE* stream, std::int32_t endOffset);
void onTrackObjName(std::FILE* stream, std::int32_t endOffset);
void onPivotPoint(std::FILE* stream, std::int32_t endOffset);
void onObjectNumber(std::FILE* stream, std::int32_t endOffset);
void onPositionKeys(std::FILE* stream, std::int32_t endOffset);
void onRotationKeys(std::FILE* stream, std::int32_t endOffset);
void onScaleKeys(std::FILE* stream, std::int32_t endOffset);
void onFovKeys(std::FILE* stream, std::int32_t endOffset);
void onRollKeys(std::FILE* stream, std::int32_t endOffset);
void onMorphKeys(std::FILE* stream, std::int32_t endOffset);
void onHideKeys(std::FILE* stream, std::int32_t endOffset);
