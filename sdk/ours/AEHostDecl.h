// Our own declarations of the After Effects effect API, written from the
// x64 Windows record layouts (sizes and offsets are checked below). Names
// follow the SDK so that the plug-in compiles unchanged against either set.
#pragma once

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------
// Basic types
// ---------------------------------------------------------------------------
typedef int32_t A_long;
typedef uint32_t A_u_long;
typedef int16_t A_short;
typedef uint16_t A_u_short;
typedef char A_char;
typedef uint8_t A_u_char;
typedef uint8_t A_Boolean;
typedef double A_FpLong;
typedef float A_FpShort;
typedef double PF_FpLong;
typedef float PF_FpShort;
typedef int32_t A_Err;
typedef void *A_Handle;
typedef int32_t A_Fixed;
typedef uint32_t A_UFixed;
typedef intptr_t A_intptr_t;
typedef uint64_t A_u_longlong;
typedef uint64_t A_HandleSize;
typedef uint16_t A_UTF16Char;

typedef char PF_Boolean;
typedef int32_t PF_Fixed;
typedef uint32_t PF_UFixed;
typedef void **PF_Handle;
typedef struct _PF_ProgressInfo *PF_ProgPtr;
typedef A_long PF_Err;
typedef A_long PF_Cmd;
typedef A_long PF_ParamValue;
typedef A_long PF_ParamIndex;
typedef A_long PF_PixelFormat;
typedef A_short PF_ValueDisplayFlags;
typedef A_u_long PF_FSliderFlags;
typedef A_short PF_RenderOutputFlags;
typedef A_long PF_Quality;
typedef A_long PF_Field;
typedef A_long PF_Stage;
typedef A_long PF_ParamType;
typedef A_long PF_ParamFlags;
typedef A_long PF_ParamUIFlags;
typedef A_long PF_ChangeFlags;
typedef A_long PF_OutFlags;
typedef A_long PF_OutFlags2;
typedef A_long PF_InFlags;
typedef A_long PF_NewWorldFlags;
typedef A_long PF_WorldFlags;
typedef A_long PF_PlatDataID;
typedef A_long PF_ChannelMask;
typedef A_long PF_GPU_Framework;
typedef A_long PF_KeyIndex;
typedef A_long PF_TimeDir;
typedef A_short PF_App_ColorType;

typedef int32_t SPErr;
typedef int32_t SPBoolean; // 32-bit on Windows
typedef int32_t int32;
typedef uint32_t PIType;
typedef int32_t SPInt32;

typedef PF_Fixed PF_HLS_Pixel[3];
typedef PF_Fixed PF_RGB_Pixel[3];
typedef PF_Fixed PF_YIQ_Pixel[3];

// ---------------------------------------------------------------------------
// Pixels and geometry
// ---------------------------------------------------------------------------
typedef struct {
  A_u_char alpha, red, green, blue;
} PF_Pixel;
typedef PF_Pixel PF_Pixel8;

typedef struct {
  A_u_short alpha, red, green, blue;
} PF_Pixel16;

typedef struct {
  A_FpShort alpha, red, green, blue;
} PF_PixelFloat;
typedef PF_PixelFloat PF_Pixel32;

typedef PF_Pixel *PF_PixelPtr;

typedef struct {
  A_long left, top, right, bottom;
} PF_LRect;
typedef PF_LRect PF_Rect;
typedef PF_LRect PF_UnionableRect;

typedef struct {
  A_short top, left, bottom, right;
} PF_LegacyRect;

typedef struct {
  A_long h, v;
} PF_Point;

typedef struct {
  A_short v, h;
} PF_LegacyPoint;

typedef struct {
  PF_Fixed x, y;
} PF_FixedPoint;

typedef struct {
  PF_Fixed left, top, right, bottom;
} PF_FixedRect;

typedef struct {
  A_long num;
  A_u_long den;
} PF_RationalScale;

typedef struct {
  A_short major;
  A_short minor;
} PF_SpecVersion;

typedef struct {
  A_long value;
  A_u_long scale;
} A_Time;

// ---------------------------------------------------------------------------
// Image worlds
// ---------------------------------------------------------------------------
typedef struct PF_LayerDef {
  void *reserved0;
  void *reserved1;
  PF_WorldFlags world_flags;
  PF_PixelPtr data;
  A_long rowbytes;
  A_long width;
  A_long height;
  PF_LRect extent_hint;
  void *platform_ref;
  A_long reserved_long1;
  void *reserved_long4;
  PF_RationalScale pix_aspect_ratio;
  void *reserved_long2;
  A_long origin_x;
  A_long origin_y;
  A_long reserved_long3;
  A_long dephault;
} PF_LayerDef;
typedef PF_LayerDef PF_EffectWorld;

typedef struct {
  PF_LayerDef mask;
  PF_Point offset;
  A_long what_is_mask;
} PF_MaskWorld;

typedef struct {
  A_long xfer;
  A_long rand_seed;
  A_u_char opacity;
  PF_Boolean rgb_only;
  A_u_short opacitySu;
} PF_CompositeMode;

typedef struct {
  A_FpLong mat[3][3];
} PF_FloatMatrix;

// ---------------------------------------------------------------------------
// Parameter definitions
// ---------------------------------------------------------------------------
typedef struct {
  PF_ParamValue value;
  A_char value_str[32];
  A_char value_desc[32];
  PF_ParamValue valid_min, valid_max, slider_min, slider_max, dephault;
} PF_SliderDef;

typedef struct {
  PF_Fixed value;
  A_char value_str[32];
  A_char value_desc[32];
  PF_Fixed valid_min, valid_max, slider_min, slider_max, dephault;
  A_short precision;
  PF_ValueDisplayFlags display_flags;
} PF_FixedSliderDef;

typedef struct {
  PF_Fixed value;
  PF_Fixed dephault;
  PF_Fixed valid_min, valid_max;
} PF_AngleDef;

typedef struct {
  PF_ParamValue value;
  PF_Boolean dephault;
  A_char reserved;
  A_short reserved1;
  union {
    const A_char *nameptr;
  } u;
} PF_CheckBoxDef;

typedef struct {
  PF_Pixel value;
  PF_Pixel dephault;
} PF_ColorDef;

typedef struct {
  PF_Fixed x_value;
  PF_Fixed y_value;
  A_char reserved[3];
  PF_Boolean restrict_bounds;
  PF_Fixed x_dephault;
  PF_Fixed y_dephault;
} PF_PointDef;

typedef struct {
  PF_ParamValue value;
  A_short num_choices;
  A_short dephault;
  union {
    const A_char *namesptr;
  } u;
} PF_PopupDef;

typedef struct {
  A_FpLong value;
  A_FpLong phase;
  A_char value_desc[32];
  A_FpShort valid_min, valid_max, slider_min, slider_max;
  A_FpShort dephault;
  A_short precision;
  PF_ValueDisplayFlags display_flags;
  PF_FSliderFlags fs_flags;
  A_FpShort curve_tolerance;
  PF_Boolean useExponent;
  A_FpShort exponent;
} PF_FloatSliderDef;

typedef PF_Handle PF_ArbitraryH;
typedef struct {
  A_short id;
  A_short pad;
  PF_ArbitraryH dephault;
  PF_ArbitraryH value;
  void *refconPV;
} PF_ArbitraryDef;

typedef A_u_long PF_PathID;
typedef struct {
  PF_PathID path_id;
  A_long reserved0;
  A_long dephault;
} PF_PathDef;

typedef struct {
  PF_ParamValue value;
  union {
    const A_char *namesptr;
  } u;
} PF_ButtonDef;

typedef struct {
  A_FpLong x_value, y_value, z_value;
  A_FpLong x_dephault, y_dephault, z_dephault;
  char reserved[16];
} PF_Point3DDef;

typedef union {
  PF_LayerDef ld;
  PF_SliderDef sd;
  PF_FixedSliderDef fd;
  PF_AngleDef ad;
  PF_CheckBoxDef bd;
  PF_ColorDef cd;
  PF_PointDef td;
  PF_PopupDef pd;
  PF_FloatSliderDef fs_d;
  PF_ArbitraryDef arb_d;
  PF_PathDef path_d;
  PF_ButtonDef button_d;
  PF_Point3DDef point3d_d;
} PF_ParamDefUnion;

typedef struct PF_ParamDef {
  union {
    A_long id;
    PF_ChangeFlags change_flags;
  } uu;
  PF_ParamUIFlags ui_flags;
  A_short ui_width;
  A_short ui_height;
  PF_ParamType param_type;
  A_char name[32];
  PF_ParamFlags flags;
  A_long unused;
  PF_ParamDefUnion u;
} PF_ParamDef;

typedef PF_ParamDef *PF_ParamDefPtr;
typedef PF_ParamDef **PF_ParamDefH;
typedef PF_ParamDef **PF_ParamList;

// ---------------------------------------------------------------------------
// Callback tables
// ---------------------------------------------------------------------------
struct PF_CustomUIInfo;
struct PF_SampPB;
typedef void *PF_LayerAudio;
typedef void *PF_SndSamplePtr;
typedef struct _PF_Context **PF_ContextH;

typedef struct {
  PF_Err (*checkout_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time, A_long time_step,
                           A_u_long time_scale, PF_ParamDef *param);
  PF_Err (*checkin_param)(PF_ProgPtr effect_ref, PF_ParamDef *param);
  PF_Err (*add_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDefPtr def);
  PF_Err (*abort)(PF_ProgPtr effect_ref);
  PF_Err (*progress)(PF_ProgPtr effect_ref, A_long current, A_long total);
  PF_Err (*register_ui)(PF_ProgPtr effect_ref, struct PF_CustomUIInfo *cust_info);
  PF_Err (*checkout_layer_audio)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long start_time, A_long duration,
                                 A_u_long time_scale, PF_UFixed rate, A_long bytes_per_sample, A_long num_channels,
                                 A_long fmt_signed, PF_LayerAudio *audio);
  PF_Err (*checkin_layer_audio)(PF_ProgPtr effect_ref, PF_LayerAudio audio);
  PF_Err (*get_audio_data)(PF_ProgPtr effect_ref, PF_LayerAudio audio, PF_SndSamplePtr *data0, A_long *num_samples0,
                           PF_UFixed *rate0, A_long *bytes_per_sample0, A_long *num_channels0, A_long *fmt_signed0);
  void *reserved_str[3];
  void *reserved[10];
} PF_InteractCallbacks;

typedef struct {
  A_FpLong (*atan)(A_FpLong);
  A_FpLong (*atan2)(A_FpLong y, A_FpLong x);
  A_FpLong (*ceil)(A_FpLong);
  A_FpLong (*cos)(A_FpLong);
  A_FpLong (*exp)(A_FpLong);
  A_FpLong (*fabs)(A_FpLong);
  A_FpLong (*floor)(A_FpLong);
  A_FpLong (*fmod)(A_FpLong x, A_FpLong y);
  A_FpLong (*hypot)(A_FpLong x, A_FpLong y);
  A_FpLong (*log)(A_FpLong);
  A_FpLong (*log10)(A_FpLong);
  A_FpLong (*pow)(A_FpLong x, A_FpLong y);
  A_FpLong (*sin)(A_FpLong);
  A_FpLong (*sqrt)(A_FpLong);
  A_FpLong (*tan)(A_FpLong);
  int (*sprintf)(A_char *, const A_char *, ...);
  A_char *(*strcpy)(A_char *, const A_char *);
  A_FpLong (*asin)(A_FpLong);
  A_FpLong (*acos)(A_FpLong);
  A_long ansi_procs[1];
} PF_ANSICallbacks;

typedef struct {
  PF_Err (*RGBtoHLS)(PF_ProgPtr effect_ref, PF_Pixel *rgb, PF_HLS_Pixel hls);
  PF_Err (*HLStoRGB)(PF_ProgPtr effect_ref, PF_HLS_Pixel hls, PF_Pixel *rgb);
  PF_Err (*RGBtoYIQ)(PF_ProgPtr effect_ref, PF_Pixel *rgb, PF_YIQ_Pixel yiq);
  PF_Err (*YIQtoRGB)(PF_ProgPtr effect_ref, PF_YIQ_Pixel yiq, PF_Pixel *rgb);
  PF_Err (*Luminance)(PF_ProgPtr effect_ref, PF_Pixel *rgb, A_long *lum100);
  PF_Err (*Hue)(PF_ProgPtr effect_ref, PF_Pixel *rgb, A_long *hue);
  PF_Err (*Lightness)(PF_ProgPtr effect_ref, PF_Pixel *rgb, A_long *lightness);
  PF_Err (*Saturation)(PF_ProgPtr effect_ref, PF_Pixel *rgb, A_long *saturation);
} PF_ColorCallbacks;

struct PF_InData;
typedef PF_Err (*PF_IteratePixel8Func)(void *refcon, A_long x, A_long y, PF_Pixel *in, PF_Pixel *out);
typedef PF_Err (*PF_IteratePixel16Func)(void *refcon, A_long x, A_long y, PF_Pixel16 *in, PF_Pixel16 *out);
typedef void *PF_CallbackFunc;

typedef struct _PF_UtilCallbacks {
  PF_Err (*begin_sampling)(PF_ProgPtr effect_ref, PF_Quality qual, A_long mf, struct PF_SampPB *params);
  PF_Err (*subpixel_sample)(PF_ProgPtr effect_ref, PF_Fixed x, PF_Fixed y, const struct PF_SampPB *params,
                            PF_Pixel *dst_pixel);
  PF_Err (*area_sample)(PF_ProgPtr effect_ref, PF_Fixed x, PF_Fixed y, const struct PF_SampPB *params,
                        PF_Pixel *dst_pixel);
  void *get_batch_func_is_deprecated;
  PF_Err (*end_sampling)(PF_ProgPtr effect_ref, PF_Quality qual, A_long mf, struct PF_SampPB *params);
  PF_Err (*composite_rect)(PF_ProgPtr effect_ref, PF_Rect *src_rect, A_long src_opacity, PF_EffectWorld *source_wld,
                           A_long dest_x, A_long dest_y, A_long field_rdr, A_long xfer_mode, PF_EffectWorld *dest_wld);
  PF_Err (*blend)(PF_ProgPtr effect_ref, const PF_EffectWorld *src1, const PF_EffectWorld *src2, PF_Fixed ratio,
                  PF_EffectWorld *dst);
  PF_Err (*convolve)(PF_ProgPtr effect_ref, PF_EffectWorld *src, const PF_Rect *area, A_u_long flags,
                     A_long kernel_size, void *a_kernel, void *r_kernel, void *g_kernel, void *b_kernel,
                     PF_EffectWorld *dst);
  PF_Err (*copy)(PF_ProgPtr effect_ref, PF_EffectWorld *src, PF_EffectWorld *dst, PF_Rect *src_r, PF_Rect *dst_r);
  PF_Err (*fill)(PF_ProgPtr effect_ref, const PF_Pixel *color, const PF_Rect *dst_rect, PF_EffectWorld *world);
  PF_Err (*gaussian_kernel)(PF_ProgPtr effect_ref, A_FpLong kRadius, A_u_long flags, A_FpLong multiplier,
                            A_long *diameter, void *kernel);
  PF_Err (*iterate)(struct PF_InData *in_data, A_long progress_base, A_long progress_final, PF_EffectWorld *src,
                    const PF_Rect *area, void *refcon, PF_IteratePixel8Func pix_fn, PF_EffectWorld *dst);
  PF_Err (*premultiply)(PF_ProgPtr effect_ref, A_long forward, PF_EffectWorld *dst);
  PF_Err (*premultiply_color)(PF_ProgPtr effect_ref, PF_EffectWorld *src, const PF_Pixel *color, A_long forward,
                              PF_EffectWorld *dst);
  PF_Err (*new_world)(PF_ProgPtr effect_ref, A_long width, A_long height, PF_NewWorldFlags flags,
                      PF_EffectWorld *world);
  PF_Err (*dispose_world)(PF_ProgPtr effect_ref, PF_EffectWorld *world);
  PF_Err (*iterate_origin)(struct PF_InData *in_data, A_long progress_base, A_long progress_final,
                           PF_EffectWorld *src, const PF_Rect *area, const PF_Point *origin, void *refcon,
                           PF_IteratePixel8Func pix_fn, PF_EffectWorld *dst);
  PF_Err (*iterate_lut)(struct PF_InData *in_data, A_long progress_base, A_long progress_final, PF_EffectWorld *src,
                        const PF_Rect *area, A_u_char *a_lut0, A_u_char *r_lut0, A_u_char *g_lut0,
                        A_u_char *b_lut0, PF_EffectWorld *dst);
  PF_Err (*transfer_rect)(PF_ProgPtr effect_ref, PF_Quality quality, A_long m_flags, PF_Field field,
                          const PF_Rect *src_rec, const PF_EffectWorld *src_world, const PF_CompositeMode *comp_mode,
                          const PF_MaskWorld *mask_world0, A_long dest_x, A_long dest_y, PF_EffectWorld *dst_world);
  PF_Err (*transform_world)(PF_ProgPtr effect_ref, PF_Quality quality, A_long m_flags, PF_Field field,
                            const PF_EffectWorld *src_world, const PF_CompositeMode *comp_mode,
                            const PF_MaskWorld *mask_world0, const PF_FloatMatrix *matrices, A_long num_matrices,
                            PF_Boolean src2dst_matrix, const PF_Rect *dest_rect, PF_EffectWorld *dst_world);
  PF_Handle (*host_new_handle)(A_HandleSize size);
  void *(*host_lock_handle)(PF_Handle pf_handle);
  void (*host_unlock_handle)(PF_Handle pf_handle);
  void (*host_dispose_handle)(PF_Handle pf_handle);
  PF_Err (*get_callback_addr)(PF_ProgPtr effect_ref, PF_Quality quality, A_long mode_flags, A_long which_callback,
                              PF_CallbackFunc *fn_ptr);
  PF_Err (*app)(PF_ProgPtr, A_long, ...);
  PF_ANSICallbacks ansi;
  PF_ColorCallbacks colorCB;
  PF_Err (*get_platform_data)(PF_ProgPtr effect_ref, PF_PlatDataID which, void *data);
  A_HandleSize (*host_get_handle_size)(PF_Handle pf_handle);
  PF_Err (*iterate_origin_non_clip_src)(struct PF_InData *in_data, A_long progress_base, A_long progress_final,
                                        PF_EffectWorld *src, const PF_Rect *area, const PF_Point *origin,
                                        void *refcon, PF_IteratePixel8Func pix_fn, PF_EffectWorld *dst);
  PF_Err (*iterate_generic)(A_long iterationsL, void *refconPV,
                            PF_Err (*fn_func)(void *refconPV, A_long thread_indexL, A_long i, A_long iterationsL));
  PF_Err (*host_resize_handle)(A_HandleSize new_sizeL, PF_Handle *handlePH);
  PF_Err (*subpixel_sample16)(PF_ProgPtr effect_ref, PF_Fixed x, PF_Fixed y, const struct PF_SampPB *params,
                              PF_Pixel16 *dst_pixel);
  PF_Err (*area_sample16)(PF_ProgPtr effect_ref, PF_Fixed x, PF_Fixed y, const struct PF_SampPB *params,
                          PF_Pixel16 *dst_pixel);
  PF_Err (*fill16)(PF_ProgPtr effect_ref, const PF_Pixel16 *color, const PF_Rect *dst_rect, PF_EffectWorld *world);
  PF_Err (*premultiply_color16)(PF_ProgPtr effect_ref, PF_EffectWorld *src, const PF_Pixel16 *color, A_long forward,
                                PF_EffectWorld *dst);
  PF_Err (*iterate16)(struct PF_InData *in_data, A_long progress_base, A_long progress_final, PF_EffectWorld *src,
                      const PF_Rect *area, void *refcon, PF_IteratePixel16Func pix_fn, PF_EffectWorld *dst);
  PF_Err (*iterate_origin16)(struct PF_InData *in_data, A_long progress_base, A_long progress_final,
                             PF_EffectWorld *src, const PF_Rect *area, const PF_Point *origin, void *refcon,
                             PF_IteratePixel16Func pix_fn, PF_EffectWorld *dst);
  PF_Err (*iterate_origin_non_clip_src16)(struct PF_InData *in_data, A_long progress_base, A_long progress_final,
                                          PF_EffectWorld *src, const PF_Rect *area, const PF_Point *origin,
                                          void *refcon, PF_IteratePixel16Func pix_fn, PF_EffectWorld *dst);
  PF_Err (*get_pixel_data8)(PF_EffectWorld *worldP, PF_PixelPtr pixelsP0, PF_Pixel8 **pixPP);
  PF_Err (*get_pixel_data16)(PF_EffectWorld *worldP, PF_PixelPtr pixelsP0, PF_Pixel16 **pixPP);
  A_long reserved[1];
} PF_UtilCallbacks;

// ---------------------------------------------------------------------------
// Host records of every command
// ---------------------------------------------------------------------------
typedef A_short PF_SoundChannels;
typedef A_short PF_SoundFormat;
typedef A_short PF_SoundSampleSize;

typedef struct {
  A_FpLong rateF;
  PF_SoundChannels num_channels;
  PF_SoundFormat format;
  PF_SoundSampleSize sample_size;
} PF_SoundFormatInfo;

typedef struct {
  PF_SoundFormatInfo fi;
  A_long num_samples;
  void *dataP;
} PF_SoundWorld;

struct SPBasicSuite;

typedef struct PF_InData {
  PF_InteractCallbacks inter;
  struct _PF_UtilCallbacks *utils;
  PF_ProgPtr effect_ref;
  PF_Quality quality;
  PF_SpecVersion version;
  A_long serial_num;
  A_long appl_id;
  A_long num_params;
  A_long reserved;
  A_long what_cpu;
  A_long what_fpu;
  A_long current_time;
  A_long time_step;
  A_long total_time;
  A_long local_time_step;
  A_u_long time_scale;
  PF_Field field;
  PF_Fixed shutter_angle;
  A_long width;
  A_long height;
  PF_LRect extent_hint;
  A_long output_origin_x;
  A_long output_origin_y;
  PF_RationalScale downsample_x;
  PF_RationalScale downsample_y;
  PF_RationalScale pixel_aspect_ratio;
  PF_InFlags in_flags;
  PF_Handle global_data;
  PF_Handle sequence_data;
  PF_Handle frame_data;
  A_long start_sampL;
  A_long dur_sampL;
  A_long total_sampL;
  PF_SoundWorld src_snd;
  struct SPBasicSuite *pica_basicP;
  A_long pre_effect_source_origin_x;
  A_long pre_effect_source_origin_y;
  PF_Fixed shutter_phase;
} PF_InData;

typedef struct PF_OutData {
  A_u_long my_version;
  A_char name[32];
  PF_Handle global_data;
  A_long num_params;
  PF_Handle sequence_data;
  A_long flat_sdata_size;
  PF_Handle frame_data;
  A_long width;
  A_long height;
  PF_Point origin;
  PF_OutFlags out_flags;
  A_char return_msg[256];
  A_long start_sampL;
  A_long dur_sampL;
  PF_SoundWorld dest_snd;
  PF_OutFlags2 out_flags2;
} PF_OutData;

typedef PF_Err (*PF_FilterProc)(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                PF_LayerDef *output, void *extra);

typedef struct {
  PF_ParamIndex param_index;
} PF_UserChangedParamExtra;

// ---------------------------------------------------------------------------
// Smart render records
// ---------------------------------------------------------------------------
typedef struct {
  PF_LRect rect;
  PF_Field field;
  PF_ChannelMask channel_mask;
  PF_Boolean preserve_rgb_of_zero_alpha;
  char unused[3];
  A_long reserved[4];
} PF_RenderRequest;

typedef struct {
  PF_RenderRequest output_request;
  short bitdepth;
  const void *gpu_data;
  PF_GPU_Framework what_gpu;
  A_u_long device_index;
} PF_PreRenderInput;

typedef void (*PF_DeletePreRenderDataFunc)(void *pre_render_data);

typedef struct {
  PF_LRect result_rect;
  PF_LRect max_result_rect;
  PF_Boolean solid;
  PF_Boolean reserved;
  PF_RenderOutputFlags flags;
  void *pre_render_data;
  PF_DeletePreRenderDataFunc delete_pre_render_data_func;
} PF_PreRenderOutput;

typedef struct {
  PF_LRect result_rect;
  PF_LRect max_result_rect;
  PF_RationalScale par;
  PF_Boolean solid;
  PF_Boolean reservedB[3];
  A_long ref_width;
  A_long ref_height;
  A_long reserved[6];
} PF_CheckoutResult;

typedef struct {
  PF_Err (*checkout_layer)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long checkout_idL,
                           const PF_RenderRequest *req, A_long what_time, A_long time_step, A_u_long time_scale,
                           PF_CheckoutResult *checkout_result);
  PF_Err (*GuidMixInPtr)(PF_ProgPtr effect_ref, A_u_long buf_sizeLu, const void *buf);
} PF_PreRenderCallbacks;

typedef struct {
  PF_PreRenderInput *input;
  PF_PreRenderOutput *output;
  PF_PreRenderCallbacks *cb;
} PF_PreRenderExtra;

typedef struct {
  PF_RenderRequest output_request;
  short bitdepth;
  void *pre_render_data;
  const void *gpu_data;
  PF_GPU_Framework what_gpu;
  A_u_long device_index;
} PF_SmartRenderInput;

typedef struct {
  PF_Err (*checkout_layer_pixels)(PF_ProgPtr effect_ref, A_long checkout_idL, PF_EffectWorld **pixels);
  PF_Err (*checkin_layer_pixels)(PF_ProgPtr effect_ref, A_long checkout_idL);
  PF_Err (*checkout_output)(PF_ProgPtr effect_ref, PF_EffectWorld **output);
} PF_SmartRenderCallbacks;

typedef struct {
  PF_SmartRenderInput *input;
  PF_SmartRenderCallbacks *cb;
} PF_SmartRenderExtra;

// ---------------------------------------------------------------------------
// Basic suite and the host suites the plug-in uses
// ---------------------------------------------------------------------------
typedef struct SPBasicSuite {
  SPErr (*AcquireSuite)(const char *name, int32 version, const void **suite);
  SPErr (*ReleaseSuite)(const char *name, int32 version);
  SPBoolean (*IsEqual)(const char *token1, const char *token2);
  SPErr (*AllocateBlock)(size_t size, void **block);
  SPErr (*FreeBlock)(void *block);
  SPErr (*ReallocateBlock)(void *block, size_t newSize, void **newblock);
  SPErr (*Undefined)(void);
} SPBasicSuite;

#define kSPBasicSuite "SP Basic Suite"
#define kSPBasicSuiteVersion 4

typedef struct PF_HandleSuite1 {
  PF_Handle (*host_new_handle)(A_HandleSize size);
  void *(*host_lock_handle)(PF_Handle pf_handle);
  void (*host_unlock_handle)(PF_Handle pf_handle);
  void (*host_dispose_handle)(PF_Handle pf_handle);
  A_HandleSize (*host_get_handle_size)(PF_Handle pf_handle);
  PF_Err (*host_resize_handle)(A_HandleSize new_sizeL, PF_Handle *handlePH);
} PF_HandleSuite1;
#define kPFHandleSuite "PF Handle Suite"
#define kPFHandleSuiteVersion1 2

typedef struct PF_WorldSuite1 {
  PF_Err (*new_world)(PF_ProgPtr effect_ref, A_long width, A_long height, PF_NewWorldFlags flags,
                      PF_EffectWorld *world);
  PF_Err (*dispose_world)(PF_ProgPtr effect_ref, PF_EffectWorld *world);
} PF_WorldSuite1;

typedef struct PF_WorldSuite2 {
  PF_Err (*PF_NewWorld)(PF_ProgPtr effect_ref, A_long widthL, A_long heightL, PF_Boolean clear_pixB,
                        PF_PixelFormat pixel_format, PF_EffectWorld *worldP);
  PF_Err (*PF_DisposeWorld)(PF_ProgPtr effect_ref, PF_EffectWorld *worldP);
  PF_Err (*PF_GetPixelFormat)(const PF_EffectWorld *worldP, PF_PixelFormat *pixel_formatP);
} PF_WorldSuite2;
#define kPFWorldSuite "PF World Suite"
#define kPFWorldSuiteVersion1 1
#define kPFWorldSuiteVersion2 2

typedef struct PF_WorldTransformSuite1 {
  PF_Err (*composite_rect)(PF_ProgPtr effect_ref, PF_Rect *src_rect, A_long src_opacity, PF_EffectWorld *source_wld,
                           A_long dest_x, A_long dest_y, PF_Field field_rdr, A_long xfer_mode,
                           PF_EffectWorld *dest_wld);
  PF_Err (*blend)(PF_ProgPtr effect_ref, const PF_EffectWorld *src1, const PF_EffectWorld *src2, PF_Fixed ratio,
                  PF_EffectWorld *dst);
  PF_Err (*convolve)(PF_ProgPtr effect_ref, PF_EffectWorld *src, const PF_Rect *area, A_u_long flags,
                     A_long kernel_size, void *a_kernel, void *r_kernel, void *g_kernel, void *b_kernel,
                     PF_EffectWorld *dst);
  PF_Err (*copy)(PF_ProgPtr effect_ref, PF_EffectWorld *src, PF_EffectWorld *dst, PF_Rect *src_r, PF_Rect *dst_r);
  PF_Err (*copy_hq)(PF_ProgPtr effect_ref, PF_EffectWorld *src, PF_EffectWorld *dst, PF_Rect *src_r,
                    PF_Rect *dst_r);
  PF_Err (*transfer_rect)(PF_ProgPtr effect_ref, PF_Quality quality, A_long m_flags, PF_Field field,
                          const PF_Rect *src_rec, const PF_EffectWorld *src_world, const PF_CompositeMode *comp_mode,
                          const PF_MaskWorld *mask_world0, A_long dest_x, A_long dest_y, PF_EffectWorld *dst_world);
  PF_Err (*transform_world)(PF_ProgPtr effect_ref, PF_Quality quality, A_long m_flags, PF_Field field,
                            const PF_EffectWorld *src_world, const PF_CompositeMode *comp_mode,
                            const PF_MaskWorld *mask_world0, const PF_FloatMatrix *matrices, A_long num_matrices,
                            PF_Boolean src2dst_matrix, const PF_Rect *dest_rect, PF_EffectWorld *dst_world);
} PF_WorldTransformSuite1;
#define kPFWorldTransformSuite "PF World Transform Suite"
#define kPFWorldTransformSuiteVersion1 1

typedef struct PF_FillMatteSuite2 {
  PF_Err (*fill)(PF_ProgPtr effect_ref, const PF_Pixel *color, const PF_Rect *dst_rect, PF_EffectWorld *world);
  PF_Err (*fill16)(PF_ProgPtr effect_ref, const PF_Pixel16 *color, const PF_Rect *dst_rect, PF_EffectWorld *world);
  PF_Err (*fill_float)(PF_ProgPtr effect_ref, const PF_PixelFloat *color, const PF_Rect *dst_rect,
                       PF_EffectWorld *world);
  PF_Err (*premultiply)(PF_ProgPtr effect_ref, A_long forward, PF_EffectWorld *dst);
  PF_Err (*premultiply_color)(PF_ProgPtr effect_ref, PF_EffectWorld *src, const PF_Pixel *color, A_long forward,
                              PF_EffectWorld *dst);
  PF_Err (*premultiply_color16)(PF_ProgPtr effect_ref, PF_EffectWorld *src, const PF_Pixel16 *color, A_long forward,
                                PF_EffectWorld *dst);
  PF_Err (*premultiply_color_float)(PF_ProgPtr effect_ref, PF_EffectWorld *src, const PF_PixelFloat *color,
                                    A_long forward, PF_EffectWorld *dst);
} PF_FillMatteSuite2;
#define kPFFillMatteSuite "PF Fill Matte Suite"
#define kPFFillMatteSuiteVersion2 2

typedef struct {
  A_long reservedAL[4];
} PF_State;

typedef struct PF_ParamUtilsSuite1 {
  PF_Err (*PF_UpdateParamUI)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, const PF_ParamDef *defP);
  PF_Err (*PF_GetCurrentStateObsolete)(PF_ProgPtr effect_ref, PF_State *stateP);
  PF_Err (*PF_HasParamChangedObsolete)(PF_ProgPtr effect_ref, const PF_State *stateP, PF_ParamIndex param_index,
                                       PF_Boolean *changedPB);
  PF_Err (*PF_HaveInputsChangedOverTimeSpanObsolete)(PF_ProgPtr effect_ref, const PF_State *stateP,
                                                     const A_Time *startPT0, const A_Time *durationPT0,
                                                     PF_Boolean *changedPB);
  PF_Err (*PF_IsIdenticalCheckout)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, A_long what_time1,
                                   A_long time_step1, A_u_long time_scale1, A_long what_time2, A_long time_step2,
                                   A_u_long time_scale2, PF_Boolean *identicalPB);
  PF_Err (*PF_FindKeyframeTime)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, A_long what_time,
                                A_u_long time_scale, PF_TimeDir time_dir, PF_Boolean *foundPB,
                                PF_KeyIndex *key_indexP0, A_long *key_timeP0, A_u_long *key_timescaleP0);
  PF_Err (*PF_GetKeyframeCount)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, PF_KeyIndex *key_countP);
  PF_Err (*PF_CheckoutKeyframe)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, PF_KeyIndex key_index,
                                A_long *key_timeP0, A_u_long *key_timescaleP0, PF_ParamDef *paramP0);
  PF_Err (*PF_CheckinKeyframe)(PF_ProgPtr effect_ref, PF_ParamDef *paramP);
  PF_Err (*PF_KeyIndexToTime)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, PF_KeyIndex key_indexP,
                              A_long *key_timeP, A_u_long *key_timescaleP);
} PF_ParamUtilsSuite1;

typedef struct PF_ParamUtilsSuite3 {
  PF_Err (*PF_UpdateParamUI)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, const PF_ParamDef *defP);
  PF_Err (*PF_GetCurrentState)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, const A_Time *startPT0,
                               const A_Time *durationPT0, PF_State *stateP);
  PF_Err (*PF_AreStatesIdentical)(PF_ProgPtr effect_ref, const PF_State *state1P, const PF_State *state2P,
                                  A_Boolean *samePB);
  PF_Err (*PF_IsIdenticalCheckout)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, A_long what_time1,
                                   A_long time_step1, A_u_long time_scale1, A_long what_time2, A_long time_step2,
                                   A_u_long time_scale2, PF_Boolean *identicalPB);
  PF_Err (*PF_FindKeyframeTime)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, A_long what_time,
                                A_u_long time_scale, PF_TimeDir time_dir, PF_Boolean *foundPB,
                                PF_KeyIndex *key_indexP0, A_long *key_timeP0, A_u_long *key_timescaleP0);
  PF_Err (*PF_GetKeyframeCount)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, PF_KeyIndex *key_countP);
  PF_Err (*PF_CheckoutKeyframe)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, PF_KeyIndex key_index,
                                A_long *key_timeP0, A_u_long *key_timescaleP0, PF_ParamDef *paramP0);
  PF_Err (*PF_CheckinKeyframe)(PF_ProgPtr effect_ref, PF_ParamDef *paramP);
  PF_Err (*PF_KeyIndexToTime)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, PF_KeyIndex key_indexP,
                              A_long *key_timeP, A_u_long *key_timescaleP);
} PF_ParamUtilsSuite3;
#define kPFParamUtilsSuite "PF Param Utils Suite"
#define kPFParamUtilsSuiteVersion1 2
#define kPFParamUtilsSuiteVersion3 3

typedef struct {
  A_u_short red, green, blue;
} PF_App_Color;

typedef struct {
  A_char name[64];
  A_char org[64];
  A_char serial_str[64];
} PF_AppPersonalTextInfo;

typedef struct {
  A_char font_nameAC[256];
} PF_FontName;

typedef char PF_FontStyleSheet;
typedef A_long PF_CursorType;
typedef A_short PF_EyeDropperSampleMode;

typedef struct PFAppSuite5 {
  PF_Err (*PF_AppGetBgColor)(PF_App_Color *bg_colorP);
  PF_Err (*PF_AppGetColor)(PF_App_ColorType color_type, PF_App_Color *app_colorP);
  PF_Err (*PF_AppGetLanguage)(A_char *lang_tagZ);
  PF_Err (*PF_GetPersonalInfo)(PF_AppPersonalTextInfo *ptiP);
  PF_Err (*PF_GetFontStyleSheet)(PF_FontStyleSheet sheet, PF_FontName *font_nameP0, A_short *font_numPS0,
                                 A_short *sizePS0, A_short *stylePS0);
  PF_Err (*PF_SetCursor)(PF_CursorType cursor);
  PF_Err (*PF_IsRenderEngine)(PF_Boolean *render_enginePB);
  PF_Err (*PF_AppColorPickerDialog)(const A_char *dialog_titleZ0, const PF_PixelFloat *sample_colorP,
                                    PF_Boolean use_ws_to_monitor_xformB, PF_PixelFloat *new_colorP);
  PF_Err (*PF_GetMouse)(PF_Point *pointP);
  PF_Err (*PF_InvalidateRect)(PF_ContextH contextH, const PF_Rect *rectP0);
  PF_Err (*PF_ConvertLocalToGlobal)(const PF_Point *localP, PF_Point *globalP);
  PF_Err (*PF_GetColorAtGlobalPoint)(const PF_Point *globalP, A_short eyeSize, PF_EyeDropperSampleMode mode,
                                     PF_PixelFloat *outColorP);
} PFAppSuite5;
#define kPFAppSuite "PF AE App Suite"
#define kPFAppSuiteVersion5 7
#define PF_APP_LANG_TAG_SIZE 6

// ---------------------------------------------------------------------------
// Constants
// ---------------------------------------------------------------------------
enum {
  PF_Cmd_ABOUT = 0,
  PF_Cmd_GLOBAL_SETUP,
  PF_Cmd_UNUSED_0,
  PF_Cmd_GLOBAL_SETDOWN,
  PF_Cmd_PARAMS_SETUP,
  PF_Cmd_SEQUENCE_SETUP,
  PF_Cmd_SEQUENCE_RESETUP,
  PF_Cmd_SEQUENCE_FLATTEN,
  PF_Cmd_SEQUENCE_SETDOWN,
  PF_Cmd_DO_DIALOG,
  PF_Cmd_FRAME_SETUP,
  PF_Cmd_RENDER,
  PF_Cmd_FRAME_SETDOWN,
  PF_Cmd_USER_CHANGED_PARAM,
  PF_Cmd_UPDATE_PARAMS_UI,
  PF_Cmd_EVENT,
  PF_Cmd_GET_EXTERNAL_DEPENDENCIES,
  PF_Cmd_COMPLETELY_GENERAL,
  PF_Cmd_QUERY_DYNAMIC_FLAGS,
  PF_Cmd_AUDIO_RENDER,
  PF_Cmd_AUDIO_SETUP,
  PF_Cmd_AUDIO_SETDOWN,
  PF_Cmd_ARBITRARY_CALLBACK,
  PF_Cmd_SMART_PRE_RENDER,
  PF_Cmd_SMART_RENDER,
  PF_Cmd_RESERVED1,
  PF_Cmd_RESERVED2,
  PF_Cmd_RESERVED3,
  PF_Cmd_GET_FLATTENED_SEQUENCE_DATA,
  PF_Cmd_TRANSLATE_PARAMS_TO_PREFS,
  PF_Cmd_RESERVED4,
  PF_Cmd_SMART_RENDER_GPU,
  PF_Cmd_GPU_DEVICE_SETUP,
  PF_Cmd_GPU_DEVICE_SETDOWN,
  PF_Cmd_NUM_CMDS
};

// The error codes form their own enumeration type: a value of it thrown as
// an exception is not caught as a plain integer.
enum {
  PF_Err_NONE = 0,
  PF_Err_OUT_OF_MEMORY = 4,
  PF_Err_INTERNAL_STRUCT_DAMAGED = 512,
  PF_Err_INVALID_INDEX,
  PF_Err_UNRECOGNIZED_PARAM_TYPE,
  PF_Err_INVALID_CALLBACK,
  PF_Err_BAD_CALLBACK_PARAM,
  PF_Interrupt_CANCEL,
  PF_Err_CANNOT_PARSE_KEYFRAME_TEXT
};
#define PF_FIRST_ERR 512
#define kSPNoError 0
#define kSPSuiteNotFoundError 0x53214664

enum {
  PF_OutFlag_NONE = 0,
  PF_OutFlag_KEEP_RESOURCE_OPEN = 1 << 0,
  PF_OutFlag_WIDE_TIME_INPUT = 1 << 1,
  PF_OutFlag_NON_PARAM_VARY = 1 << 2,
  PF_OutFlag_RESERVED6 = 1 << 3,
  PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING = 1 << 4,
  PF_OutFlag_I_DO_DIALOG = 1 << 5,
  PF_OutFlag_USE_OUTPUT_EXTENT = 1 << 6,
  PF_OutFlag_SEND_DO_DIALOG = 1 << 7,
  PF_OutFlag_DISPLAY_ERROR_MESSAGE = 1 << 8,
  PF_OutFlag_I_EXPAND_BUFFER = 1 << 9,
  PF_OutFlag_PIX_INDEPENDENT = 1 << 10,
  PF_OutFlag_I_WRITE_INPUT_BUFFER = 1 << 11,
  PF_OutFlag_I_SHRINK_BUFFER = 1 << 12,
  PF_OutFlag_WORKS_IN_PLACE = 1 << 13,
  PF_OutFlag_CUSTOM_UI = 1 << 15,
  PF_OutFlag_REFRESH_UI = 1 << 17,
  PF_OutFlag_NOP_RENDER = 1 << 18,
  PF_OutFlag_I_USE_SHUTTER_ANGLE = 1 << 19,
  PF_OutFlag_I_USE_AUDIO = 1 << 20,
  PF_OutFlag_I_AM_OBSOLETE = 1 << 21,
  PF_OutFlag_FORCE_RERENDER = 1 << 22,
  PF_OutFlag_PiPL_OVERRIDES_OUTDATA_OUTFLAGS = 1 << 23,
  PF_OutFlag_I_HAVE_EXTERNAL_DEPENDENCIES = 1 << 24,
  PF_OutFlag_DEEP_COLOR_AWARE = 1 << 25,
  PF_OutFlag_SEND_UPDATE_PARAMS_UI = 1 << 26
};

enum {
  PF_OutFlag2_NONE = 0,
  PF_OutFlag2_SUPPORTS_QUERY_DYNAMIC_FLAGS = 1 << 0,
  PF_OutFlag2_I_USE_3D_CAMERA = 1 << 1,
  PF_OutFlag2_I_USE_3D_LIGHTS = 1 << 2,
  PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG = 1 << 3,
  PF_OutFlag2_I_AM_THREADSAFE = 1 << 4,
  PF_OutFlag2_CAN_COMBINE_WITH_DESTINATION = 1 << 5,
  PF_OutFlag2_DOESNT_NEED_EMPTY_PIXELS = 1 << 6,
  PF_OutFlag2_REVEALS_ZERO_ALPHA = 1 << 7,
  PF_OutFlag2_PRESERVES_FULLY_OPAQUE_PIXELS = 1 << 8,
  PF_OutFlag2_SUPPORTS_SMART_RENDER = 1 << 10,
  PF_OutFlag2_FLOAT_COLOR_AWARE = 1 << 12,
  PF_OutFlag2_I_USE_COLORSPACE_ENUMERATION = 1 << 13,
  PF_OutFlag2_SUPPORTS_GET_FLATTENED_SEQUENCE_DATA = 1 << 23,
  PF_OutFlag2_SUPPORTS_THREADED_RENDERING = 1 << 27
};

enum {
  PF_Param_RESERVED = -1,
  PF_Param_LAYER = 0,
  PF_Param_SLIDER,
  PF_Param_FIX_SLIDER,
  PF_Param_ANGLE,
  PF_Param_CHECKBOX,
  PF_Param_COLOR,
  PF_Param_POINT,
  PF_Param_POPUP,
  PF_Param_CUSTOM,
  PF_Param_NO_DATA,
  PF_Param_FLOAT_SLIDER,
  PF_Param_ARBITRARY_DATA,
  PF_Param_PATH,
  PF_Param_GROUP_START,
  PF_Param_GROUP_END,
  PF_Param_BUTTON,
  PF_Param_RESERVED2,
  PF_Param_RESERVED3,
  PF_Param_POINT_3D
};

enum {
  PF_ParamFlag_RESERVED1 = 1 << 0,
  PF_ParamFlag_CANNOT_TIME_VARY = 1 << 1,
  PF_ParamFlag_CANNOT_INTERP = 1 << 2,
  PF_ParamFlag_COLLAPSE_TWIRLY = 1 << 5,
  PF_ParamFlag_SUPERVISE = 1 << 6,
  PF_ParamFlag_START_COLLAPSED = PF_ParamFlag_COLLAPSE_TWIRLY,
  PF_ParamFlag_USE_VALUE_FOR_OLD_PROJECTS = 1 << 7
};

enum {
  PF_PUI_NONE = 0,
  PF_PUI_TOPIC = 1 << 0,
  PF_PUI_CONTROL = 1 << 1,
  PF_PUI_STD_CONTROL_ONLY = 1 << 2,
  PF_PUI_NO_ECW_UI = 1 << 3,
  PF_PUI_ECW_SEPARATOR = 1 << 4,
  PF_PUI_DISABLED = 1 << 5,
  PF_PUI_INVISIBLE = 1 << 9
};

enum {
  PF_ValueDisplayFlag_NONE = 0,
  PF_ValueDisplayFlag_PERCENT = 1 << 0,
  PF_ValueDisplayFlag_PIXEL = 1 << 1
};

enum { PF_FSliderFlag_NONE = 0, PF_FSliderFlag_WANT_PHASE = 1 << 0 };
#define AEFX_AUDIO_DEFAULT_CURVE_TOLERANCE 0.05f

enum {
  PF_NewWorldFlag_NONE = 0,
  PF_NewWorldFlag_CLEAR_PIXELS = 1 << 0,
  PF_NewWorldFlag_DEEP_PIXELS = 1 << 1
};

enum { PF_WorldFlag_DEEP = 1 << 0, PF_WorldFlag_WRITEABLE = 1 << 1 };

enum {
  PF_PixelFormat_ARGB32 = 0x62677261,  // "argb"
  PF_PixelFormat_ARGB64 = 0x36316561,  // "ae16"
  PF_PixelFormat_ARGB128 = 0x32336561, // "ae32"
  PF_PixelFormat_BGRA32 = 0x61726762,  // "bgra"
  PF_PixelFormat_INVALID = 0x66646162  // "badf"
};

#define PF_MAX_CHAN8 255
#define PF_HALF_CHAN8 128
#define PF_MAX_CHAN16 32768
#define PF_HALF_CHAN16 16384

enum { PF_Quality_DRAWING_AUDIO = -1, PF_Quality_LO = 0, PF_Quality_HI = 1 };
enum { PF_Field_FRAME = 0, PF_Field_UPPER = 1, PF_Field_LOWER = 2 };

enum {
  PF_PlatData_MAIN_WND = 0,
  PF_PlatData_EXE_FILE_PATH_DEPRECATED,
  PF_PlatData_RES_FILE_PATH_DEPRECATED,
  PF_PlatData_RES_REFNUM,
  PF_PlatData_RES_DLLINSTANCE,
  PF_PlatData_SP_PLUG_REF,
  PF_PlatData_BUNDLE_REF,
  PF_PlatData_EXE_FILE_PATH_W,
  PF_PlatData_RES_FILE_PATH_W
};
#define AEFX_MAX_PATH 260
#define PF_Iterations_ONCE_PER_PROCESSOR -1
#define PF_HUE_UNDEFINED 0x80000000

enum {
  PF_ChannelMask_ALPHA = 1,
  PF_ChannelMask_RED = 2,
  PF_ChannelMask_GREEN = 4,
  PF_ChannelMask_BLUE = 8,
  PF_ChannelMask_ARGB = 15
};

enum { PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS = 1, PF_RenderOutputFlag_GPU_RENDER_POSSIBLE = 2 };

enum { PF_Stage_DEVELOP, PF_Stage_ALPHA, PF_Stage_BETA, PF_Stage_RELEASE };

#define PF_Vers_BUILD_BITS 0x1ffL
#define PF_Vers_BUILD_SHIFT 0
#define PF_Vers_STAGE_BITS 0x3L
#define PF_Vers_STAGE_SHIFT 9
#define PF_Vers_BUGFIX_BITS 0xfL
#define PF_Vers_BUGFIX_SHIFT 11
#define PF_Vers_SUBVERS_BITS 0xfL
#define PF_Vers_SUBVERS_SHIFT 15
#define PF_Vers_VERS_BITS 0x7L
#define PF_Vers_VERS_SHIFT 19
#define PF_Vers_VERS_HIGH_BITS 0xfL
#define PF_Vers_VERS_HIGH_SHIFT 26
#define PF_Vers_VERS_LOW_SHIFT 3

#define PF_VERSION(vers, subvers, bugvers, stage, build)                                                          \
  (A_u_long)((((A_u_long)(((vers) >> PF_Vers_VERS_LOW_SHIFT) & PF_Vers_VERS_HIGH_BITS)) << PF_Vers_VERS_HIGH_SHIFT) | \
             (((A_u_long)((vers)&PF_Vers_VERS_BITS)) << PF_Vers_VERS_SHIFT) |                                     \
             (((A_u_long)((subvers)&PF_Vers_SUBVERS_BITS)) << PF_Vers_SUBVERS_SHIFT) |                            \
             (((A_u_long)((bugvers)&PF_Vers_BUGFIX_BITS)) << PF_Vers_BUGFIX_SHIFT) |                              \
             (((A_u_long)((stage)&PF_Vers_STAGE_BITS)) << PF_Vers_STAGE_SHIFT) |                                  \
             (((A_u_long)((build)&PF_Vers_BUILD_BITS)) << PF_Vers_BUILD_SHIFT))

#define PF_MAX_EFFECT_NAME_LEN 31
#define PF_MAX_EFFECT_PARAM_NAME_LEN 31
#define PF_MAX_EFFECT_MSG_LEN 255

#define PF_ParamIndex_NONE -1

// ---------------------------------------------------------------------------
// Layout checks against the x64 Windows ABI
// ---------------------------------------------------------------------------
#define VORTANE_ABI_CHECK(type, size) static_assert(sizeof(type) == (size), #type " size")
#define VORTANE_ABI_OFFSET(type, field, off) static_assert(offsetof(type, field) == (off), #type "." #field)

VORTANE_ABI_CHECK(PF_Pixel, 4);
VORTANE_ABI_CHECK(PF_Pixel16, 8);
VORTANE_ABI_CHECK(PF_PixelFloat, 16);
VORTANE_ABI_CHECK(PF_LRect, 16);
VORTANE_ABI_CHECK(PF_RationalScale, 8);
VORTANE_ABI_CHECK(PF_LayerDef, 120);
VORTANE_ABI_OFFSET(PF_LayerDef, world_flags, 16);
VORTANE_ABI_OFFSET(PF_LayerDef, data, 24);
VORTANE_ABI_OFFSET(PF_LayerDef, rowbytes, 32);
VORTANE_ABI_OFFSET(PF_LayerDef, width, 36);
VORTANE_ABI_OFFSET(PF_LayerDef, height, 40);
VORTANE_ABI_OFFSET(PF_LayerDef, extent_hint, 44);
VORTANE_ABI_OFFSET(PF_LayerDef, platform_ref, 64);
VORTANE_ABI_OFFSET(PF_LayerDef, pix_aspect_ratio, 88);
VORTANE_ABI_OFFSET(PF_LayerDef, origin_x, 104);
VORTANE_ABI_OFFSET(PF_LayerDef, origin_y, 108);
VORTANE_ABI_OFFSET(PF_LayerDef, dephault, 116);
VORTANE_ABI_CHECK(PF_SliderDef, 88);
VORTANE_ABI_CHECK(PF_FixedSliderDef, 92);
VORTANE_ABI_CHECK(PF_CheckBoxDef, 16);
VORTANE_ABI_CHECK(PF_ColorDef, 8);
VORTANE_ABI_CHECK(PF_PointDef, 20);
VORTANE_ABI_CHECK(PF_PopupDef, 16);
VORTANE_ABI_CHECK(PF_FloatSliderDef, 88);
VORTANE_ABI_CHECK(PF_ArbitraryDef, 32);
VORTANE_ABI_CHECK(PF_Point3DDef, 64);
VORTANE_ABI_CHECK(PF_ParamDefUnion, 120);
VORTANE_ABI_CHECK(PF_ParamDef, 176);
VORTANE_ABI_OFFSET(PF_ParamDef, ui_flags, 4);
VORTANE_ABI_OFFSET(PF_ParamDef, param_type, 12);
VORTANE_ABI_OFFSET(PF_ParamDef, name, 16);
VORTANE_ABI_OFFSET(PF_ParamDef, flags, 48);
VORTANE_ABI_OFFSET(PF_ParamDef, u, 56);
VORTANE_ABI_OFFSET(PF_ParamDef, u.bd.dephault, 60);
VORTANE_ABI_OFFSET(PF_ParamDef, u.bd.u.nameptr, 64);
VORTANE_ABI_OFFSET(PF_ParamDef, u.cd.dephault, 60);
VORTANE_ABI_OFFSET(PF_ParamDef, u.td.restrict_bounds, 67);
VORTANE_ABI_OFFSET(PF_ParamDef, u.td.x_dephault, 68);
VORTANE_ABI_OFFSET(PF_ParamDef, u.td.y_dephault, 72);
VORTANE_ABI_OFFSET(PF_ParamDef, u.pd.num_choices, 60);
VORTANE_ABI_OFFSET(PF_ParamDef, u.pd.dephault, 62);
VORTANE_ABI_OFFSET(PF_ParamDef, u.pd.u.namesptr, 64);
VORTANE_ABI_OFFSET(PF_ParamDef, u.fs_d.valid_min, 104);
VORTANE_ABI_OFFSET(PF_ParamDef, u.fs_d.dephault, 120);
VORTANE_ABI_OFFSET(PF_ParamDef, u.fs_d.precision, 124);
VORTANE_ABI_OFFSET(PF_ParamDef, u.fs_d.display_flags, 126);
VORTANE_ABI_OFFSET(PF_ParamDef, u.fs_d.fs_flags, 128);
VORTANE_ABI_OFFSET(PF_ParamDef, u.fs_d.curve_tolerance, 132);
VORTANE_ABI_OFFSET(PF_ParamDef, u.fs_d.useExponent, 136);
VORTANE_ABI_OFFSET(PF_ParamDef, u.fs_d.exponent, 140);
VORTANE_ABI_CHECK(PF_InteractCallbacks, 176);
VORTANE_ABI_OFFSET(PF_InteractCallbacks, progress, 32);
VORTANE_ABI_OFFSET(PF_InteractCallbacks, reserved_str, 72);
VORTANE_ABI_CHECK(PF_ANSICallbacks, 160);
VORTANE_ABI_OFFSET(PF_ANSICallbacks, sprintf, 120);
VORTANE_ABI_CHECK(PF_ColorCallbacks, 64);
VORTANE_ABI_CHECK(PF_UtilCallbacks, 552);
VORTANE_ABI_OFFSET(PF_UtilCallbacks, host_new_handle, 160);
VORTANE_ABI_OFFSET(PF_UtilCallbacks, host_dispose_handle, 184);
VORTANE_ABI_OFFSET(PF_UtilCallbacks, ansi, 208);
VORTANE_ABI_OFFSET(PF_UtilCallbacks, ansi.sprintf, 328);
VORTANE_ABI_OFFSET(PF_UtilCallbacks, ansi.strcpy, 336);
VORTANE_ABI_OFFSET(PF_UtilCallbacks, colorCB.RGBtoHLS, 368);
VORTANE_ABI_OFFSET(PF_UtilCallbacks, get_platform_data, 432);
VORTANE_ABI_OFFSET(PF_UtilCallbacks, host_get_handle_size, 440);
VORTANE_ABI_OFFSET(PF_UtilCallbacks, iterate_generic, 456);
VORTANE_ABI_OFFSET(PF_UtilCallbacks, get_pixel_data16, 536);
VORTANE_ABI_CHECK(PF_InData, 408);
VORTANE_ABI_OFFSET(PF_InData, utils, 176);
VORTANE_ABI_OFFSET(PF_InData, effect_ref, 184);
VORTANE_ABI_OFFSET(PF_InData, quality, 192);
VORTANE_ABI_OFFSET(PF_InData, version, 196);
VORTANE_ABI_OFFSET(PF_InData, appl_id, 204);
VORTANE_ABI_OFFSET(PF_InData, current_time, 224);
VORTANE_ABI_OFFSET(PF_InData, time_step, 228);
VORTANE_ABI_OFFSET(PF_InData, time_scale, 240);
VORTANE_ABI_OFFSET(PF_InData, width, 252);
VORTANE_ABI_OFFSET(PF_InData, height, 256);
VORTANE_ABI_OFFSET(PF_InData, extent_hint, 260);
VORTANE_ABI_OFFSET(PF_InData, downsample_x, 284);
VORTANE_ABI_OFFSET(PF_InData, downsample_y, 292);
VORTANE_ABI_OFFSET(PF_InData, in_flags, 308);
VORTANE_ABI_OFFSET(PF_InData, sequence_data, 320);
VORTANE_ABI_OFFSET(PF_InData, src_snd, 352);
VORTANE_ABI_OFFSET(PF_InData, pica_basicP, 384);
VORTANE_ABI_OFFSET(PF_InData, shutter_phase, 400);
VORTANE_ABI_CHECK(PF_OutData, 408);
VORTANE_ABI_OFFSET(PF_OutData, num_params, 48);
VORTANE_ABI_OFFSET(PF_OutData, sequence_data, 56);
VORTANE_ABI_OFFSET(PF_OutData, out_flags, 96);
VORTANE_ABI_OFFSET(PF_OutData, return_msg, 100);
VORTANE_ABI_OFFSET(PF_OutData, dest_snd, 368);
VORTANE_ABI_OFFSET(PF_OutData, out_flags2, 400);
VORTANE_ABI_CHECK(PF_RenderRequest, 44);
VORTANE_ABI_CHECK(PF_PreRenderInput, 64);
VORTANE_ABI_OFFSET(PF_PreRenderInput, bitdepth, 44);
VORTANE_ABI_CHECK(PF_PreRenderOutput, 56);
VORTANE_ABI_OFFSET(PF_PreRenderOutput, flags, 34);
VORTANE_ABI_OFFSET(PF_PreRenderOutput, pre_render_data, 40);
VORTANE_ABI_OFFSET(PF_PreRenderOutput, delete_pre_render_data_func, 48);
VORTANE_ABI_CHECK(PF_CheckoutResult, 76);
VORTANE_ABI_CHECK(PF_PreRenderCallbacks, 16);
VORTANE_ABI_CHECK(PF_PreRenderExtra, 24);
VORTANE_ABI_CHECK(PF_SmartRenderInput, 72);
VORTANE_ABI_OFFSET(PF_SmartRenderInput, pre_render_data, 48);
VORTANE_ABI_CHECK(PF_SmartRenderCallbacks, 24);
VORTANE_ABI_CHECK(PF_SmartRenderExtra, 16);
VORTANE_ABI_CHECK(SPBasicSuite, 56);
VORTANE_ABI_CHECK(PF_HandleSuite1, 48);
VORTANE_ABI_CHECK(PF_WorldSuite1, 16);
VORTANE_ABI_CHECK(PF_WorldSuite2, 24);
VORTANE_ABI_CHECK(PF_WorldTransformSuite1, 56);
VORTANE_ABI_OFFSET(PF_WorldTransformSuite1, copy, 24);
VORTANE_ABI_OFFSET(PF_WorldTransformSuite1, copy_hq, 32);
VORTANE_ABI_CHECK(PF_FillMatteSuite2, 56);
VORTANE_ABI_CHECK(PF_ParamUtilsSuite1, 80);
VORTANE_ABI_CHECK(PF_ParamUtilsSuite3, 72);
VORTANE_ABI_CHECK(PFAppSuite5, 96);
VORTANE_ABI_OFFSET(PFAppSuite5, PF_AppGetLanguage, 16);

#undef VORTANE_ABI_CHECK
#undef VORTANE_ABI_OFFSET
