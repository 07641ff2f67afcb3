#include "TCTfTrfGstResizer.h"

#include <gst/video/video.h>

#include <tarvek/resizer/TCTfTrfSizeRules.h>
#include <tarvek/resizer/TCTfTrfStridedFrameTransform.h>

GST_DEBUG_CATEGORY_STATIC(tctftrf_gst_resizer_debug);
#define GST_CAT_DEFAULT tctftrf_gst_resizer_debug

struct TCTfTrfGstResizer
{
  GstVideoFilter parent;

  // Properties, read and written under the object lock.
  gint requestedWidth;
  gint requestedHeight;
  TCTfTrfGstResizerFormat requiredFormat;

  // Streaming state, used on the streaming thread only.
  TCTfTrfStridedFrameTransform* transform;
  gint inputWidth;
  gint inputHeight;
  gint outputWidth;
  gint outputHeight;
};

struct TCTfTrfGstResizerClass
{
  GstVideoFilterClass parent_class;
};

static void tctftrf_gst_resizer_class_init(TCTfTrfGstResizerClass* klass);
static void tctftrf_gst_resizer_init(TCTfTrfGstResizer* self);
static gpointer tctftrf_gst_resizer_parent_class = nullptr;

// Registered by hand rather than with G_DEFINE_TYPE: the type name decides the
// default instance names ("tarvekresizer0"), the C++ name follows ours.
GType tctftrf_gst_resizer_get_type(void)
{
  static gsize type = 0;
  if (g_once_init_enter(&type))
  {
    const GType id = g_type_register_static_simple(
      GST_TYPE_VIDEO_FILTER, g_intern_static_string("GstTarvekResizer"), sizeof(TCTfTrfGstResizerClass),
      [](gpointer klass, gpointer) {
        tctftrf_gst_resizer_parent_class = g_type_class_peek_parent(klass);
        tctftrf_gst_resizer_class_init(static_cast<TCTfTrfGstResizerClass*>(klass));
      },
      sizeof(TCTfTrfGstResizer),
      [](GTypeInstance* instance, gpointer) { tctftrf_gst_resizer_init(reinterpret_cast<TCTfTrfGstResizer*>(instance)); },
      static_cast<GTypeFlags>(0));
    g_once_init_leave(&type, id);
  }
  return static_cast<GType>(type);
}

namespace
{
enum
{
  PROP_0,
  PROP_WIDTH,
  PROP_HEIGHT,
  PROP_FORMAT,
};

#define TARVEK_RESIZER_CAPS GST_VIDEO_CAPS_MAKE("{ BGRx, BGR, GRAY8 }")

GstStaticPadTemplate sinkTemplate =
  GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS(TARVEK_RESIZER_CAPS));
GstStaticPadTemplate srcTemplate =
  GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS(TARVEK_RESIZER_CAPS));

/// How a frame format of the element meets the resize core.
struct FrameFormat
{
  GstVideoFormat video;
  TCTfTrfGstResizerFormat property;
  const char* name;
  TCTfTrfPixelLayout layout;
};

const FrameFormat kFormats[] = {
  {GST_VIDEO_FORMAT_BGRx, TCTFTRF_GST_RESIZER_FORMAT_BGRX, "BGRx", TCTfTrfPixelLayout::Bgrx32},
  {GST_VIDEO_FORMAT_BGR, TCTFTRF_GST_RESIZER_FORMAT_BGR, "BGR", TCTfTrfPixelLayout::Bgr24},
  {GST_VIDEO_FORMAT_GRAY8, TCTFTRF_GST_RESIZER_FORMAT_GRAY8, "GRAY8", TCTfTrfPixelLayout::Grey8},
};

const FrameFormat* FindFormat(GstVideoFormat video)
{
  for (const FrameFormat& f : kFormats)
    if (f.video == video)
      return &f;
  return nullptr;
}

const FrameFormat* FindFormat(TCTfTrfGstResizerFormat property)
{
  for (const FrameFormat& f : kFormats)
    if (f.property == property)
      return &f;
  return nullptr;
}

struct Request
{
  gint width = 0;
  gint height = 0;
  TCTfTrfGstResizerFormat format = TCTFTRF_GST_RESIZER_FORMAT_ANY;
  bool KeepsInputSize() const { return TCTfTrfSizeRules::KeepsInputSize(width, height); }
};

Request ReadRequest(TCTfTrfGstResizer* self)
{
  Request r;
  GST_OBJECT_LOCK(self);
  r.width = self->requestedWidth;
  r.height = self->requestedHeight;
  r.format = self->requiredFormat;
  GST_OBJECT_UNLOCK(self);
  return r;
}

// ---- caps: the core's size rules over caps values --------------------------------------
/// Maps a closed range of widths on one side to the range on the other;
/// false when nothing maps.
using WidthMap = bool (*)(TCTfTrfSizeRange from, TCTfTrfSizeRange* to);

void SetIntOrRange(GValue* value, gint lo, gint hi)
{
  if (lo == hi)
  {
    g_value_init(value, G_TYPE_INT);
    g_value_set_int(value, lo);
  }
  else
  {
    g_value_init(value, GST_TYPE_INT_RANGE);
    gst_value_set_int_range(value, lo, hi);
  }
}

/// Maps an int, an int range or a list of them; false when nothing maps. An
/// unset value stands for any width.
bool MapWidthValue(const GValue* in, WidthMap map, GValue* out)
{
  gint lo = 1;
  gint hi = G_MAXINT;
  if (in && G_VALUE_HOLDS_INT(in))
  {
    lo = hi = g_value_get_int(in);
  }
  else if (in && GST_VALUE_HOLDS_INT_RANGE(in))
  {
    lo = gst_value_get_int_range_min(in);
    hi = gst_value_get_int_range_max(in);
  }
  else if (in && GST_VALUE_HOLDS_LIST(in))
  {
    g_value_init(out, GST_TYPE_LIST);
    const guint n = gst_value_list_get_size(in);
    for (guint i = 0; i < n; ++i)
    {
      GValue mapped = G_VALUE_INIT;
      if (MapWidthValue(gst_value_list_get_value(in, i), map, &mapped))
        gst_value_list_append_and_take_value(out, &mapped);
    }
    if (gst_value_list_get_size(out) > 0)
      return true;
    g_value_unset(out);
    return false;
  }
  else if (in)
  {
    return false;
  }
  TCTfTrfSizeRange mapped;
  if (!map(TCTfTrfSizeRange{lo, hi}, &mapped))
    return false;
  SetIntOrRange(out, mapped.min, mapped.max);
  return true;
}

/// True when the field `name` of `s` admits `value` (an absent field admits all).
bool FieldAdmits(const GstStructure* s, const char* name, gint value)
{
  const GValue* field = gst_structure_get_value(s, name);
  if (!field)
    return true;
  GValue v = G_VALUE_INIT;
  g_value_init(&v, G_TYPE_INT);
  g_value_set_int(&v, value);
  const gboolean admits = gst_value_can_intersect(field, &v) && gst_value_intersect(nullptr, field, &v);
  g_value_unset(&v);
  return admits;
}

/// The structure of the other side's caps for one structure of `direction`'s
/// caps, or null when the size rule maps none of its sizes.
GstStructure* TransformStructure(const GstStructure* in, GstPadDirection direction, const Request& request)
{
  GstStructure* out = gst_structure_copy(in);
  if (!request.KeepsInputSize())
  {
    // The output size is fixed by the request; any input size leads to it.
    int width = 0;
    int height = 0;
    if (!TCTfTrfSizeRules::OutputSize(request.width, request.height, 0, 0, &width, &height))
    {
      gst_structure_free(out);
      return nullptr;
    }
    if (direction == GST_PAD_SINK)
    {
      gst_structure_set(out, "width", G_TYPE_INT, width, "height", G_TYPE_INT, height, nullptr);
    }
    else
    {
      if (!FieldAdmits(in, "width", width) || !FieldAdmits(in, "height", height))
      {
        gst_structure_free(out);
        return nullptr;
      }
      gst_structure_set(out, "width", GST_TYPE_INT_RANGE, 1, G_MAXINT, "height", GST_TYPE_INT_RANGE, 1, G_MAXINT,
                        nullptr);
    }
    return out;
  }
  // The input size, with the width rounded up to a multiple of 8; the height
  // is the same on both sides.
  GValue width = G_VALUE_INIT;
  const WidthMap map = direction == GST_PAD_SINK ? TCTfTrfSizeRules::OutputWidths : TCTfTrfSizeRules::InputWidths;
  if (!MapWidthValue(gst_structure_get_value(in, "width"), map, &width))
  {
    gst_structure_free(out);
    return nullptr;
  }
  gst_structure_take_value(out, "width", &width);
  return out;
}

/// Caps of the formats the `format` property lets through.
GstCaps* AllowedFormats(TCTfTrfGstResizerFormat required)
{
  const FrameFormat* f = FindFormat(required);
  if (f)
    return gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, f->name, nullptr);
  GstCaps* caps = gst_caps_new_empty_simple("video/x-raw");
  GValue list = G_VALUE_INIT;
  g_value_init(&list, GST_TYPE_LIST);
  for (const FrameFormat& format : kFormats)
  {
    GValue name = G_VALUE_INIT;
    g_value_init(&name, G_TYPE_STRING);
    g_value_set_static_string(&name, format.name);
    gst_value_list_append_and_take_value(&list, &name);
  }
  gst_caps_set_value(caps, "format", &list);
  g_value_unset(&list);
  return caps;
}

// ---- element virtual functions ------------------------------------------------------
TCTfTrfGstResizer* Self(gpointer object)
{
  return reinterpret_cast<TCTfTrfGstResizer*>(object);
}

GstCaps* TransformCaps(GstBaseTransform* trans, GstPadDirection direction, GstCaps* caps, GstCaps* filter)
{
  const Request request = ReadRequest(Self(trans));
  GstCaps* mapped = gst_caps_new_empty();
  if (gst_caps_is_any(caps))
  {
    gst_caps_unref(mapped);
    mapped = gst_caps_new_any();
  }
  else
  {
    const guint n = gst_caps_get_size(caps);
    for (guint i = 0; i < n; ++i)
    {
      GstCapsFeatures* features = gst_caps_get_features(caps, i);
      if (features && !gst_caps_features_is_any(features) &&
          !gst_caps_features_is_equal(features, GST_CAPS_FEATURES_MEMORY_SYSTEM_MEMORY))
        continue;
      GstStructure* s = TransformStructure(gst_caps_get_structure(caps, i), direction, request);
      if (s)
        mapped = gst_caps_merge_structure_full(mapped, s, features ? gst_caps_features_copy(features) : nullptr);
    }
  }
  GstCaps* allowed = AllowedFormats(request.format);
  GstCaps* result = gst_caps_intersect_full(mapped, allowed, GST_CAPS_INTERSECT_FIRST);
  gst_caps_unref(allowed);
  gst_caps_unref(mapped);
  if (filter)
  {
    GstCaps* filtered = gst_caps_intersect_full(filter, result, GST_CAPS_INTERSECT_FIRST);
    gst_caps_unref(result);
    result = filtered;
  }
  GST_DEBUG_OBJECT(trans, "%s caps %" GST_PTR_FORMAT " -> %" GST_PTR_FORMAT,
                   direction == GST_PAD_SINK ? "sink" : "src", caps, result);
  return result;
}

gboolean SetInfo(GstVideoFilter* filter, GstCaps*, GstVideoInfo* in, GstCaps*, GstVideoInfo* out)
{
  TCTfTrfGstResizer* self = Self(filter);
  const Request request = ReadRequest(self);
  const FrameFormat* format = FindFormat(GST_VIDEO_INFO_FORMAT(in));
  if (!format || GST_VIDEO_INFO_FORMAT(out) != format->video)
  {
    GST_WARNING_OBJECT(self, "input and output must be the same format of BGRx, BGR and GRAY8");
    return FALSE;
  }
  const FrameFormat* required = FindFormat(request.format);
  const gint inWidth = GST_VIDEO_INFO_WIDTH(in);
  const gint inHeight = GST_VIDEO_INFO_HEIGHT(in);
  if ((required && required != format) || !TCTfTrfSizeRules::FitsFrame(format->layout, inWidth, inHeight))
  {
    GST_WARNING_OBJECT(self, "input %s %dx%d refused", format->name, inWidth, inHeight);
    return FALSE;
  }
  int width = 0;
  int height = 0;
  if (!TCTfTrfSizeRules::OutputSize(request.width, request.height, inWidth, inHeight, &width, &height) ||
      width != GST_VIDEO_INFO_WIDTH(out) || height != GST_VIDEO_INFO_HEIGHT(out))
  {
    GST_WARNING_OBJECT(self, "output %dx%d refused for input %dx%d and requested size %dx%d",
                       GST_VIDEO_INFO_WIDTH(out), GST_VIDEO_INFO_HEIGHT(out), inWidth, inHeight, request.width,
                       request.height);
    return FALSE;
  }
  if (!TCTfTrfSizeRules::FitsFrame(format->layout, width, height))
  {
    GST_WARNING_OBJECT(self, "output frame %dx%d too large", width, height);
    return FALSE;
  }

  self->inputWidth = GST_VIDEO_INFO_WIDTH(in);
  self->inputHeight = GST_VIDEO_INFO_HEIGHT(in);
  self->outputWidth = width;
  self->outputHeight = height;
  const bool sameSize = self->inputWidth == width && self->inputHeight == height;
  gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(filter), sameSize);
  if (sameSize)
  {
    self->transform->Reset();
    return TRUE;
  }
  // The sampling tables for this pair of sizes, once for all its frames.
  if (self->transform->Configure(format->layout, self->inputWidth, self->inputHeight, width, height) !=
      TCTfTrfStridedFrameTransform::Status::Ready)
  {
    GST_ELEMENT_ERROR(self, RESOURCE, NO_SPACE_LEFT, ("Cannot allocate the sampling tables."),
                      ("%dx%d to %dx%d", self->inputWidth, self->inputHeight, width, height));
    return FALSE;
  }
  GST_DEBUG_OBJECT(self, "%s %dx%d -> %dx%d", format->name, self->inputWidth, self->inputHeight, width, height);
  return TRUE;
}

/// Bytes from the first row of plane 0 to the end of the frame's mapping.
long long PlaneBytes(const GstVideoFrame* frame)
{
  const guint8* start = static_cast<const guint8*>(frame->map[0].data);
  const guint8* plane = static_cast<const guint8*>(GST_VIDEO_FRAME_PLANE_DATA(frame, 0));
  if (!start || !plane || plane < start)
    return 0;
  const long long skipped = plane - start;
  const long long size = static_cast<long long>(frame->map[0].size);
  return skipped <= size ? size - skipped : 0;
}

GstFlowReturn TransformFrame(GstVideoFilter* filter, GstVideoFrame* in, GstVideoFrame* out)
{
  TCTfTrfGstResizer* self = Self(filter);
  if (!self->transform->IsConfigured())
  {
    GST_ELEMENT_ERROR(self, CORE, NEGOTIATION, (nullptr), ("frame before the output size was negotiated"));
    return GST_FLOW_NOT_NEGOTIATED;
  }
  if (GST_VIDEO_FRAME_WIDTH(in) != self->inputWidth || GST_VIDEO_FRAME_HEIGHT(in) != self->inputHeight ||
      GST_VIDEO_FRAME_WIDTH(out) != self->outputWidth || GST_VIDEO_FRAME_HEIGHT(out) != self->outputHeight)
  {
    GST_ELEMENT_ERROR(self, STREAM, FORMAT, (nullptr),
                      ("frames %dx%d -> %dx%d do not match the negotiated %dx%d -> %dx%d", GST_VIDEO_FRAME_WIDTH(in),
                       GST_VIDEO_FRAME_HEIGHT(in), GST_VIDEO_FRAME_WIDTH(out), GST_VIDEO_FRAME_HEIGHT(out),
                       self->inputWidth, self->inputHeight, self->outputWidth, self->outputHeight));
    return GST_FLOW_ERROR;
  }
  const TCTfTrfPixelLayout layout = self->transform->Layout();
  const TCTfTrfFrameFormat inFormat{layout, self->inputWidth, self->inputHeight, GST_VIDEO_FRAME_PLANE_STRIDE(in, 0),
                                    TCTfTrfRowOrder::TopDown};
  const TCTfTrfFrameFormat outFormat{layout, self->outputWidth, self->outputHeight,
                                     GST_VIDEO_FRAME_PLANE_STRIDE(out, 0), TCTfTrfRowOrder::TopDown};
  if (!self->transform->Transform(inFormat, static_cast<const guint8*>(GST_VIDEO_FRAME_PLANE_DATA(in, 0)),
                                  PlaneBytes(in), outFormat, static_cast<guint8*>(GST_VIDEO_FRAME_PLANE_DATA(out, 0)),
                                  PlaneBytes(out)))
  {
    GST_ELEMENT_ERROR(self, STREAM, FAILED, (nullptr),
                      ("frame rows (strides %d, %d) do not cover the negotiated frame size",
                       GST_VIDEO_FRAME_PLANE_STRIDE(in, 0), GST_VIDEO_FRAME_PLANE_STRIDE(out, 0)));
    return GST_FLOW_ERROR;
  }
  return GST_FLOW_OK;
}

gboolean Stop(GstBaseTransform* trans)
{
  Self(trans)->transform->Reset();
  return TRUE;
}

void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec)
{
  TCTfTrfGstResizer* self = Self(object);
  switch (id)
  {
  case PROP_WIDTH:
    GST_OBJECT_LOCK(self);
    self->requestedWidth = g_value_get_int(value);
    GST_OBJECT_UNLOCK(self);
    break;
  case PROP_HEIGHT:
    GST_OBJECT_LOCK(self);
    self->requestedHeight = g_value_get_int(value);
    GST_OBJECT_UNLOCK(self);
    break;
  case PROP_FORMAT:
    GST_OBJECT_LOCK(self);
    self->requiredFormat = static_cast<TCTfTrfGstResizerFormat>(g_value_get_enum(value));
    GST_OBJECT_UNLOCK(self);
    break;
  default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec); break;
  }
}

void GetProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec)
{
  TCTfTrfGstResizer* self = Self(object);
  const Request request = ReadRequest(self);
  switch (id)
  {
  case PROP_WIDTH: g_value_set_int(value, request.width); break;
  case PROP_HEIGHT: g_value_set_int(value, request.height); break;
  case PROP_FORMAT: g_value_set_enum(value, request.format); break;
  default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec); break;
  }
}

void Finalize(GObject* object)
{
  TCTfTrfGstResizer* self = Self(object);
  delete self->transform;
  self->transform = nullptr;
  G_OBJECT_CLASS(tctftrf_gst_resizer_parent_class)->finalize(object);
}
} // namespace

GType tctftrf_gst_resizer_format_get_type(void)
{
  static gsize type = 0;
  static const GEnumValue values[] = {
    {TCTFTRF_GST_RESIZER_FORMAT_ANY, "Any of BGRx, BGR and GRAY8", "any"},
    {TCTFTRF_GST_RESIZER_FORMAT_BGRX, "BGRx only (32-bit colour)", "BGRx"},
    {TCTFTRF_GST_RESIZER_FORMAT_BGR, "BGR only (24-bit colour)", "BGR"},
    {TCTFTRF_GST_RESIZER_FORMAT_GRAY8, "GRAY8 only (8-bit grey)", "GRAY8"},
    {0, nullptr, nullptr},
  };
  if (g_once_init_enter(&type))
    g_once_init_leave(&type, g_enum_register_static("GstTarvekResizerFormat", values));
  return static_cast<GType>(type);
}

static void tctftrf_gst_resizer_class_init(TCTfTrfGstResizerClass* klass)
{
  GObjectClass* objectClass = G_OBJECT_CLASS(klass);
  GstElementClass* elementClass = GST_ELEMENT_CLASS(klass);
  GstBaseTransformClass* transformClass = GST_BASE_TRANSFORM_CLASS(klass);
  GstVideoFilterClass* filterClass = GST_VIDEO_FILTER_CLASS(klass);

  GST_DEBUG_CATEGORY_INIT(tctftrf_gst_resizer_debug, "tarvekresizer", 0, "nearest-neighbour video resizer");

  objectClass->set_property = SetProperty;
  objectClass->get_property = GetProperty;
  objectClass->finalize = Finalize;

  const auto flags = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS);
  g_object_class_install_property(
    objectClass, PROP_WIDTH,
    g_param_spec_int("width", "Width",
                     "Output width in pixels, rounded up to a multiple of 8; 0: the input size (with the height). "
                     "Applies at the next caps negotiation",
                     0, G_MAXINT, 0, flags));
  g_object_class_install_property(
    objectClass, PROP_HEIGHT,
    g_param_spec_int("height", "Height",
                     "Output height in pixels; 0: the input size (with the width). Applies at the next caps "
                     "negotiation",
                     0, G_MAXINT, 0, flags));
  g_object_class_install_property(
    objectClass, PROP_FORMAT,
    g_param_spec_enum("format", "Format", "The only input format accepted. Applies at the next caps negotiation",
                      tctftrf_gst_resizer_format_get_type(), TCTFTRF_GST_RESIZER_FORMAT_ANY, flags));

  gst_element_class_set_static_metadata(elementClass, "Tarvek resizer", "Filter/Converter/Video/Scaler",
                                        "Copies BGRx, BGR and GRAY8 frames or resizes them by nearest-neighbour "
                                        "sampling to a set size",
                                        "pixolan developers");
  gst_element_class_add_static_pad_template(elementClass, &sinkTemplate);
  gst_element_class_add_static_pad_template(elementClass, &srcTemplate);

  transformClass->transform_caps = TransformCaps;
  transformClass->stop = Stop;
  filterClass->set_info = SetInfo;
  filterClass->transform_frame = TransformFrame;

  gst_type_mark_as_plugin_api(tctftrf_gst_resizer_format_get_type(), static_cast<GstPluginAPIFlags>(0));
}

static void tctftrf_gst_resizer_init(TCTfTrfGstResizer* self)
{
  self->requestedWidth = 0;
  self->requestedHeight = 0;
  self->requiredFormat = TCTFTRF_GST_RESIZER_FORMAT_ANY;
  self->transform = new TCTfTrfStridedFrameTransform();
}

gboolean tctftrf_gst_resizer_register(GstPlugin* plugin)
{
  return gst_element_register(plugin, "tarvekresizer", GST_RANK_NONE, tctftrf_gst_resizer_get_type());
}
