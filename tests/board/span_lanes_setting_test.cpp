// The span loops' lanes as WILDSKY_BOARD_SIMD asks for them. The setting is
// read once per process, so CTest runs this test in processes of its own,
// each with the setting and the lanes expected (scalar, sse2 or widest).

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "board/pipeline_state.h"
#include "board/span_kinds.h"
#include "board/span_wide.h"

namespace {

SpanLanes lanesNamed(const std::string& name, SpanLanes widest) {
  if (name == "scalar") return SpanLanes::Scalar;
  if (name == "sse2" && widest != SpanLanes::Scalar) return SpanLanes::Sse2;
  if (name == "sse2") return SpanLanes::Scalar;  // a processor without SSE2
  return widest;
}

// The row loop the default state (Gouraud, opaque, no depth buffer) draws
// with in these lanes; the scalar loops draw span by span.
RowsFunction defaultRowsWith(SpanLanes lanes) {
  switch (lanes) {
    case SpanLanes::Avx2:
      return wideRowsFunction(SpanKind::OpaqueGouraud, DEPTH_OFF);
    case SpanLanes::Sse2:
      return sse2RowsFunction(SpanKind::OpaqueGouraud, DEPTH_OFF);
    case SpanLanes::Scalar:
      break;
  }
  return nullptr;
}

TEST(SpanLanesFromEnvironment, AreTheLanesAskedFor) {
  const char* expectedName = std::getenv("WILDSKY_TEST_EXPECTED_LANES");
  if (expectedName == nullptr) GTEST_SKIP() << "CTest runs this with WILDSKY_BOARD_SIMD set";
  const SpanLanes asked = spanLanes();
  // The default state draws with the loops the setting chose.
  const RowsFunction drawnWith = defaultPipelineState().rows;
  useSpanLanes(SpanLanes::Avx2);
  const SpanLanes widest = spanLanes();

  const SpanLanes expected = lanesNamed(expectedName, widest);
  const char* setting = std::getenv("WILDSKY_BOARD_SIMD");
  EXPECT_EQ(int(asked), int(expected)) << "WILDSKY_BOARD_SIMD=" << (setting ? setting : "(unset)");
  EXPECT_EQ(drawnWith, defaultRowsWith(expected));
}

}  // namespace
