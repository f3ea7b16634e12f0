#pragma once
// The graphics board's programming interface: the types, constants and
// operations the renderer draws through. The software board in board/
// implements every operation declared here.
//
// Conventions of the interface (the board states the pixel-level ones in
// board/board.h):
// - x, y, sow and tow arrive with the snapping bias 786432.0 (3 x 2^18) added;
//   the board subtracts it, leaving x and y on a 1/16 pixel grid.
// - Colours r, g, b, a are 0..255 floats; ooz is the 16-bit depth as a float;
//   oow is 1/w; sow, tow are s/w and t/w in the 256-unit texture space.
// - A GrColor_t given to the board is read in the colour format chosen at
//   grSstWinOpen (ARGB, ABGR, RGBA or BGRA, most significant byte first).

#include <cstdint>

using FxU8 = std::uint8_t;
using FxI8 = std::int8_t;
using FxU16 = std::uint16_t;
using FxI16 = std::int16_t;
using FxU32 = std::uint32_t;
using FxI32 = std::int32_t;
using FxBool = FxI32;
using FxFloat = float;

inline constexpr FxBool FXTRUE = 1;
inline constexpr FxBool FXFALSE = 0;

using GrColor_t = FxU32;
using GrAlpha_t = FxU8;
using GrMipMapId_t = FxU32;
using GrChipID_t = FxI32;
using GrCmpFnc_t = FxI32;
using GrAlphaBlendFnc_t = FxI32;
using GrCombineFunction_t = FxI32;
using GrCombineFactor_t = FxI32;
using GrCombineLocal_t = FxI32;
using GrCombineOther_t = FxI32;
using GrColorFormat_t = FxI32;
using GrOriginLocation_t = FxI32;
using GrBuffer_t = FxI32;
using GrLock_t = FxI32;
using GrLfbWriteMode_t = FxI32;
using GrDepthBufferMode_t = FxI32;
using GrChromakeyMode_t = FxI32;
using GrDitherMode_t = FxI32;
using GrScreenResolution_t = FxI32;
using GrScreenRefresh_t = FxI32;
using GrLOD_t = FxI32;
using GrAspectRatio_t = FxI32;
using GrTextureFormat_t = FxI32;
using GrMipMapMode_t = FxI32;
using GrTextureClampMode_t = FxI32;
using GrTextureFilterMode_t = FxI32;

// Compare functions (depth test).
inline constexpr GrCmpFnc_t GR_CMP_NEVER = 0;
inline constexpr GrCmpFnc_t GR_CMP_LESS = 1;
inline constexpr GrCmpFnc_t GR_CMP_EQUAL = 2;
inline constexpr GrCmpFnc_t GR_CMP_LEQUAL = 3;
inline constexpr GrCmpFnc_t GR_CMP_GREATER = 4;
inline constexpr GrCmpFnc_t GR_CMP_NOTEQUAL = 5;
inline constexpr GrCmpFnc_t GR_CMP_GEQUAL = 6;
inline constexpr GrCmpFnc_t GR_CMP_ALWAYS = 7;

// Blend factors. Some values are shared: a source factor reads the DST_COLOR
// meaning where a destination factor reads SRC_COLOR, and likewise for their
// inverses.
inline constexpr GrAlphaBlendFnc_t GR_BLEND_ZERO = 0x0;
inline constexpr GrAlphaBlendFnc_t GR_BLEND_SRC_ALPHA = 0x1;
inline constexpr GrAlphaBlendFnc_t GR_BLEND_SRC_COLOR = 0x2;
inline constexpr GrAlphaBlendFnc_t GR_BLEND_DST_COLOR = 0x2;
inline constexpr GrAlphaBlendFnc_t GR_BLEND_DST_ALPHA = 0x3;
inline constexpr GrAlphaBlendFnc_t GR_BLEND_ONE = 0x4;
inline constexpr GrAlphaBlendFnc_t GR_BLEND_ONE_MINUS_SRC_ALPHA = 0x5;
inline constexpr GrAlphaBlendFnc_t GR_BLEND_ONE_MINUS_SRC_COLOR = 0x6;
inline constexpr GrAlphaBlendFnc_t GR_BLEND_ONE_MINUS_DST_COLOR = 0x6;
inline constexpr GrAlphaBlendFnc_t GR_BLEND_ONE_MINUS_DST_ALPHA = 0x7;
inline constexpr GrAlphaBlendFnc_t GR_BLEND_RESERVED_8 = 0x8;
inline constexpr GrAlphaBlendFnc_t GR_BLEND_RESERVED_9 = 0x9;
inline constexpr GrAlphaBlendFnc_t GR_BLEND_RESERVED_A = 0xa;
inline constexpr GrAlphaBlendFnc_t GR_BLEND_RESERVED_B = 0xb;
inline constexpr GrAlphaBlendFnc_t GR_BLEND_RESERVED_C = 0xc;
inline constexpr GrAlphaBlendFnc_t GR_BLEND_RESERVED_D = 0xd;
inline constexpr GrAlphaBlendFnc_t GR_BLEND_RESERVED_E = 0xe;
inline constexpr GrAlphaBlendFnc_t GR_BLEND_ALPHA_SATURATE = 0xf;
inline constexpr GrAlphaBlendFnc_t GR_BLEND_PREFOG_COLOR = 0xf;

// Combine functions (colour, alpha and texture combine units).
inline constexpr GrCombineFunction_t GR_COMBINE_FUNCTION_ZERO = 0x0;
inline constexpr GrCombineFunction_t GR_COMBINE_FUNCTION_NONE = 0x0;
inline constexpr GrCombineFunction_t GR_COMBINE_FUNCTION_LOCAL = 0x1;
inline constexpr GrCombineFunction_t GR_COMBINE_FUNCTION_LOCAL_ALPHA = 0x2;
inline constexpr GrCombineFunction_t GR_COMBINE_FUNCTION_SCALE_OTHER = 0x3;
inline constexpr GrCombineFunction_t GR_COMBINE_FUNCTION_BLEND_OTHER = 0x3;
inline constexpr GrCombineFunction_t GR_COMBINE_FUNCTION_SCALE_OTHER_ADD_LOCAL = 0x4;
inline constexpr GrCombineFunction_t GR_COMBINE_FUNCTION_SCALE_OTHER_ADD_LOCAL_ALPHA = 0x5;
inline constexpr GrCombineFunction_t GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL = 0x6;
inline constexpr GrCombineFunction_t GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL_ADD_LOCAL = 0x7;
inline constexpr GrCombineFunction_t GR_COMBINE_FUNCTION_BLEND = 0x7;
inline constexpr GrCombineFunction_t GR_COMBINE_FUNCTION_SCALE_OTHER_MINUS_LOCAL_ADD_LOCAL_ALPHA = 0x8;
inline constexpr GrCombineFunction_t GR_COMBINE_FUNCTION_SCALE_MINUS_LOCAL_ADD_LOCAL = 0x9;
inline constexpr GrCombineFunction_t GR_COMBINE_FUNCTION_BLEND_LOCAL = 0x9;
inline constexpr GrCombineFunction_t GR_COMBINE_FUNCTION_SCALE_MINUS_LOCAL_ADD_LOCAL_ALPHA = 0x10;

// Combine factors.
inline constexpr GrCombineFactor_t GR_COMBINE_FACTOR_ZERO = 0x0;
inline constexpr GrCombineFactor_t GR_COMBINE_FACTOR_NONE = 0x0;
inline constexpr GrCombineFactor_t GR_COMBINE_FACTOR_LOCAL = 0x1;
inline constexpr GrCombineFactor_t GR_COMBINE_FACTOR_OTHER_ALPHA = 0x2;
inline constexpr GrCombineFactor_t GR_COMBINE_FACTOR_LOCAL_ALPHA = 0x3;
inline constexpr GrCombineFactor_t GR_COMBINE_FACTOR_TEXTURE_ALPHA = 0x4;
inline constexpr GrCombineFactor_t GR_COMBINE_FACTOR_DETAIL_FACTOR = 0x4;
inline constexpr GrCombineFactor_t GR_COMBINE_FACTOR_LOD_FRACTION = 0x5;
inline constexpr GrCombineFactor_t GR_COMBINE_FACTOR_ONE = 0x8;
inline constexpr GrCombineFactor_t GR_COMBINE_FACTOR_ONE_MINUS_LOCAL = 0x9;
inline constexpr GrCombineFactor_t GR_COMBINE_FACTOR_ONE_MINUS_OTHER_ALPHA = 0xa;
inline constexpr GrCombineFactor_t GR_COMBINE_FACTOR_ONE_MINUS_LOCAL_ALPHA = 0xb;
inline constexpr GrCombineFactor_t GR_COMBINE_FACTOR_ONE_MINUS_TEXTURE_ALPHA = 0xc;
inline constexpr GrCombineFactor_t GR_COMBINE_FACTOR_ONE_MINUS_DETAIL_FACTOR = 0xc;
inline constexpr GrCombineFactor_t GR_COMBINE_FACTOR_ONE_MINUS_LOD_FRACTION = 0xd;

// Combine local and other sources.
inline constexpr GrCombineLocal_t GR_COMBINE_LOCAL_ITERATED = 0x0;
inline constexpr GrCombineLocal_t GR_COMBINE_LOCAL_CONSTANT = 0x1;
inline constexpr GrCombineLocal_t GR_COMBINE_LOCAL_NONE = 0x1;
inline constexpr GrCombineLocal_t GR_COMBINE_LOCAL_DEPTH = 0x2;
inline constexpr GrCombineOther_t GR_COMBINE_OTHER_ITERATED = 0x0;
inline constexpr GrCombineOther_t GR_COMBINE_OTHER_TEXTURE = 0x1;
inline constexpr GrCombineOther_t GR_COMBINE_OTHER_CONSTANT = 0x2;
inline constexpr GrCombineOther_t GR_COMBINE_OTHER_NONE = 0x2;

// Colour formats: the byte order of a GrColor_t, most significant first.
inline constexpr GrColorFormat_t GR_COLORFORMAT_ARGB = 0x0;
inline constexpr GrColorFormat_t GR_COLORFORMAT_ABGR = 0x1;
inline constexpr GrColorFormat_t GR_COLORFORMAT_RGBA = 0x2;
inline constexpr GrColorFormat_t GR_COLORFORMAT_BGRA = 0x3;

inline constexpr GrOriginLocation_t GR_ORIGIN_UPPER_LEFT = 0x0;
inline constexpr GrOriginLocation_t GR_ORIGIN_LOWER_LEFT = 0x1;

inline constexpr GrBuffer_t GR_BUFFER_FRONTBUFFER = 0x0;
inline constexpr GrBuffer_t GR_BUFFER_BACKBUFFER = 0x1;
inline constexpr GrBuffer_t GR_BUFFER_AUXBUFFER = 0x2;
inline constexpr GrBuffer_t GR_BUFFER_DEPTHBUFFER = 0x3;
inline constexpr GrBuffer_t GR_BUFFER_ALPHABUFFER = 0x4;
inline constexpr GrBuffer_t GR_BUFFER_TRIPLEBUFFER = 0x5;

inline constexpr GrLock_t GR_LFB_READ_ONLY = 0x00;
inline constexpr GrLock_t GR_LFB_WRITE_ONLY = 0x01;
inline constexpr GrLock_t GR_LFB_IDLE = 0x00;
inline constexpr GrLock_t GR_LFB_NOIDLE = 0x10;

inline constexpr GrLfbWriteMode_t GR_LFBWRITEMODE_565 = 0x0;
inline constexpr GrLfbWriteMode_t GR_LFBWRITEMODE_555 = 0x1;
inline constexpr GrLfbWriteMode_t GR_LFBWRITEMODE_1555 = 0x2;
inline constexpr GrLfbWriteMode_t GR_LFBWRITEMODE_888 = 0x4;
inline constexpr GrLfbWriteMode_t GR_LFBWRITEMODE_8888 = 0x5;
inline constexpr GrLfbWriteMode_t GR_LFBWRITEMODE_565_DEPTH = 0xc;
inline constexpr GrLfbWriteMode_t GR_LFBWRITEMODE_555_DEPTH = 0xd;
inline constexpr GrLfbWriteMode_t GR_LFBWRITEMODE_1555_DEPTH = 0xe;
inline constexpr GrLfbWriteMode_t GR_LFBWRITEMODE_ZA16 = 0xf;
inline constexpr GrLfbWriteMode_t GR_LFBWRITEMODE_ANY = 0xff;

inline constexpr GrDepthBufferMode_t GR_DEPTHBUFFER_DISABLE = 0x0;
inline constexpr GrDepthBufferMode_t GR_DEPTHBUFFER_ZBUFFER = 0x1;
inline constexpr GrDepthBufferMode_t GR_DEPTHBUFFER_WBUFFER = 0x2;
inline constexpr GrDepthBufferMode_t GR_DEPTHBUFFER_ZBUFFER_COMPARE_TO_BIAS = 0x3;
inline constexpr GrDepthBufferMode_t GR_DEPTHBUFFER_WBUFFER_COMPARE_TO_BIAS = 0x4;

inline constexpr GrChromakeyMode_t GR_CHROMAKEY_DISABLE = 0x0;
inline constexpr GrChromakeyMode_t GR_CHROMAKEY_ENABLE = 0x1;

inline constexpr GrDitherMode_t GR_DITHER_DISABLE = 0x0;
inline constexpr GrDitherMode_t GR_DITHER_2x2 = 0x1;
inline constexpr GrDitherMode_t GR_DITHER_4x4 = 0x2;

inline constexpr GrScreenResolution_t GR_RESOLUTION_320x200 = 0x0;
inline constexpr GrScreenResolution_t GR_RESOLUTION_320x240 = 0x1;
inline constexpr GrScreenResolution_t GR_RESOLUTION_400x256 = 0x2;
inline constexpr GrScreenResolution_t GR_RESOLUTION_512x384 = 0x3;
inline constexpr GrScreenResolution_t GR_RESOLUTION_640x200 = 0x4;
inline constexpr GrScreenResolution_t GR_RESOLUTION_640x350 = 0x5;
inline constexpr GrScreenResolution_t GR_RESOLUTION_640x400 = 0x6;
inline constexpr GrScreenResolution_t GR_RESOLUTION_640x480 = 0x7;

inline constexpr GrScreenRefresh_t GR_REFRESH_60Hz = 0x0;
inline constexpr GrScreenRefresh_t GR_REFRESH_70Hz = 0x1;
inline constexpr GrScreenRefresh_t GR_REFRESH_72Hz = 0x2;
inline constexpr GrScreenRefresh_t GR_REFRESH_75Hz = 0x3;
inline constexpr GrScreenRefresh_t GR_REFRESH_80Hz = 0x4;
inline constexpr GrScreenRefresh_t GR_REFRESH_90Hz = 0x5;
inline constexpr GrScreenRefresh_t GR_REFRESH_100Hz = 0x6;
inline constexpr GrScreenRefresh_t GR_REFRESH_85Hz = 0x7;
inline constexpr GrScreenRefresh_t GR_REFRESH_120Hz = 0x8;

inline constexpr GrChipID_t GR_TMU0 = 0x0;
inline constexpr GrChipID_t GR_TMU1 = 0x1;
inline constexpr GrChipID_t GR_TMU2 = 0x2;

inline constexpr FxU32 GR_MIPMAPLEVELMASK_EVEN = 0x1;
inline constexpr FxU32 GR_MIPMAPLEVELMASK_ODD = 0x2;
inline constexpr FxU32 GR_MIPMAPLEVELMASK_BOTH = 0x3;

inline constexpr GrMipMapMode_t GR_MIPMAP_DISABLE = 0x0;
inline constexpr GrMipMapMode_t GR_MIPMAP_NEAREST = 0x1;
inline constexpr GrMipMapMode_t GR_MIPMAP_NEAREST_DITHER = 0x2;

inline constexpr GrTextureClampMode_t GR_TEXTURECLAMP_WRAP = 0x0;
inline constexpr GrTextureClampMode_t GR_TEXTURECLAMP_CLAMP = 0x1;

inline constexpr GrTextureFilterMode_t GR_TEXTUREFILTER_POINT_SAMPLED = 0x0;
inline constexpr GrTextureFilterMode_t GR_TEXTUREFILTER_BILINEAR = 0x1;

// Levels of detail: the larger side of a level, 256 down to 1.
inline constexpr GrLOD_t GR_LOD_256 = 0x0;
inline constexpr GrLOD_t GR_LOD_128 = 0x1;
inline constexpr GrLOD_t GR_LOD_64 = 0x2;
inline constexpr GrLOD_t GR_LOD_32 = 0x3;
inline constexpr GrLOD_t GR_LOD_16 = 0x4;
inline constexpr GrLOD_t GR_LOD_8 = 0x5;
inline constexpr GrLOD_t GR_LOD_4 = 0x6;
inline constexpr GrLOD_t GR_LOD_2 = 0x7;
inline constexpr GrLOD_t GR_LOD_1 = 0x8;

// Aspect ratios, width to height.
inline constexpr GrAspectRatio_t GR_ASPECT_8x1 = 0x0;
inline constexpr GrAspectRatio_t GR_ASPECT_4x1 = 0x1;
inline constexpr GrAspectRatio_t GR_ASPECT_2x1 = 0x2;
inline constexpr GrAspectRatio_t GR_ASPECT_1x1 = 0x3;
inline constexpr GrAspectRatio_t GR_ASPECT_1x2 = 0x4;
inline constexpr GrAspectRatio_t GR_ASPECT_1x4 = 0x5;
inline constexpr GrAspectRatio_t GR_ASPECT_1x8 = 0x6;

// Texel formats of texture files and texture memory.
inline constexpr GrTextureFormat_t GR_TEXFMT_RGB_332 = 0x0;
inline constexpr GrTextureFormat_t GR_TEXFMT_YIQ_422 = 0x1;
inline constexpr GrTextureFormat_t GR_TEXFMT_ALPHA_8 = 0x2;
inline constexpr GrTextureFormat_t GR_TEXFMT_INTENSITY_8 = 0x3;
inline constexpr GrTextureFormat_t GR_TEXFMT_ALPHA_INTENSITY_44 = 0x4;
inline constexpr GrTextureFormat_t GR_TEXFMT_P_8 = 0x5;
inline constexpr GrTextureFormat_t GR_TEXFMT_RSVD0 = 0x6;
inline constexpr GrTextureFormat_t GR_TEXFMT_RSVD1 = 0x7;
inline constexpr GrTextureFormat_t GR_TEXFMT_ARGB_8332 = 0x8;
inline constexpr GrTextureFormat_t GR_TEXFMT_AYIQ_8422 = 0x9;
inline constexpr GrTextureFormat_t GR_TEXFMT_RGB_565 = 0xa;
inline constexpr GrTextureFormat_t GR_TEXFMT_ARGB_1555 = 0xb;
inline constexpr GrTextureFormat_t GR_TEXFMT_ARGB_4444 = 0xc;
inline constexpr GrTextureFormat_t GR_TEXFMT_ALPHA_INTENSITY_88 = 0xd;
inline constexpr GrTextureFormat_t GR_TEXFMT_AP_88 = 0xe;
inline constexpr GrTextureFormat_t GR_TEXFMT_RSVD2 = 0xf;

inline constexpr GrMipMapId_t GR_NULL_MIPMAP_HANDLE = 0xffffffffu;

inline constexpr int GR_VERTEX_TMU_COUNT = 2;

struct GrTmuVertex {
  float sow;  // s / w
  float tow;  // t / w
  float oow;  // 1 / w of this texture unit (unused: unit 0 takes the vertex's oow)
};

struct GrVertex {
  float x, y, z;  // x, y biased screen position; z unused
  float r, g, b;  // 0..255
  float ooz;      // depth, 0..65535
  float a;        // 0..255
  float oow;      // 1 / w
  GrTmuVertex tmuvtx[GR_VERTEX_TMU_COUNT];
};

struct GrSstConfig {
  FxI32 type;
  FxI32 fbRam;     // megabytes of frame-buffer memory
  FxI32 tmuCount;  // texture units
  FxI32 tmuRam;    // megabytes of texture memory per unit
};

struct GrHwConfiguration {
  FxI32 num_sst;
  GrSstConfig SSTs[4];
};

struct GrLfbInfo_t {
  FxI32 size;  // the caller sets this to sizeof(GrLfbInfo_t)
  void* lfbPtr;
  FxU32 strideInBytes;
  GrLfbWriteMode_t writeMode;
  GrOriginLocation_t origin;
};

struct Gu3dfHeader {
  FxU32 width, height;  // of the largest level
  GrLOD_t small_lod, large_lod;
  GrAspectRatio_t aspect_ratio;
  GrTextureFormat_t format;
};

struct GuNccTable {
  FxU8 yRGB[16];
  FxI16 iRGB[4][3];
  FxI16 qRGB[4][3];
  FxU32 packed_data[12];
};

struct GuTexPalette {
  FxU32 data[256];  // 0xAARRGGBB
};

union GuTexTable {
  GuNccTable nccTable;
  GuTexPalette palette;
};

struct Gu3dfInfo {
  Gu3dfHeader header;
  GuTexTable table;
  // Texels of every level, largest first: 8-bit texels as bytes, 16-bit
  // texels as host-order 16-bit words. The caller provides mem_required bytes.
  void* data;
  FxU32 mem_required;
};

void grGlideInit();
FxBool grSstQueryHardware(GrHwConfiguration* hwconfig);
void grSstSelect(int whichSst);
FxBool grSstWinOpen(FxU32 hWnd, GrScreenResolution_t resolution, GrScreenRefresh_t refresh,
                    GrColorFormat_t format, GrOriginLocation_t origin, int nColBuffers,
                    int nAuxBuffers);
void grGlideShutdown();

void grDepthBufferMode(GrDepthBufferMode_t mode);
void grDepthBufferFunction(GrCmpFnc_t function);
void grDepthMask(FxBool enable);
void grDitherMode(GrDitherMode_t mode);
void grBufferClear(GrColor_t color, GrAlpha_t alpha, FxU16 depth);
void grBufferSwap(int swapInterval);
int grSstVideoLine();
// Returns once every command issued so far is carried out: a swap without
// the retrace wait may leave its frame drawing.
void grSstIdle();

void grColorCombine(GrCombineFunction_t function, GrCombineFactor_t factor,
                    GrCombineLocal_t local, GrCombineOther_t other, FxBool invert);
void grAlphaCombine(GrCombineFunction_t function, GrCombineFactor_t factor,
                    GrCombineLocal_t local, GrCombineOther_t other, FxBool invert);
void grTexCombine(GrChipID_t tmu, GrCombineFunction_t rgbFunction, GrCombineFactor_t rgbFactor,
                  GrCombineFunction_t alphaFunction, GrCombineFactor_t alphaFactor,
                  FxBool rgbInvert, FxBool alphaInvert);
void grAlphaBlendFunction(GrAlphaBlendFnc_t rgbSrc, GrAlphaBlendFnc_t rgbDst,
                          GrAlphaBlendFnc_t alphaSrc, GrAlphaBlendFnc_t alphaDst);
void grConstantColorValue(GrColor_t value);
void grChromakeyMode(GrChromakeyMode_t mode);
void grChromakeyValue(GrColor_t value);

void grDrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c);

FxBool gu3dfGetInfo(const char* fileName, Gu3dfInfo* info);
FxBool gu3dfLoad(const char* fileName, Gu3dfInfo* info);
GrMipMapId_t guTexAllocateMemory(GrChipID_t tmu, FxU8 oddEvenMask, int width, int height,
                                 GrTextureFormat_t format, GrMipMapMode_t mipmapMode,
                                 GrLOD_t smallLod, GrLOD_t largeLod, GrAspectRatio_t aspect,
                                 GrTextureClampMode_t sClamp, GrTextureClampMode_t tClamp,
                                 GrTextureFilterMode_t minFilter, GrTextureFilterMode_t magFilter,
                                 float lodBias, FxBool trilinear);
FxBool guTexDownloadMipMap(GrMipMapId_t id, const void* src, const GuTexTable* table);
void guTexSource(GrMipMapId_t id);

FxBool grLfbLock(GrLock_t type, GrBuffer_t buffer, GrLfbWriteMode_t writeMode,
                 GrOriginLocation_t origin, FxBool pixelPipeline, GrLfbInfo_t* info);
FxBool grLfbUnlock(GrLock_t type, GrBuffer_t buffer);
