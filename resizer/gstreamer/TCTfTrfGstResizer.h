#pragma once
// The resizer as a GStreamer video filter: BGRx, BGR and GRAY8 frames in, the
// same format out, copied or resized by nearest-neighbour sampling to the size
// set through the `width` and `height` properties (0: the input size; the
// output width is rounded up to a multiple of 8).
#include <gst/video/gstvideofilter.h>

G_BEGIN_DECLS

/// Values of the `format` property: the only input format accepted, or any.
enum TCTfTrfGstResizerFormat
{
  TCTFTRF_GST_RESIZER_FORMAT_ANY = 0,
  TCTFTRF_GST_RESIZER_FORMAT_BGRX = 1,
  TCTFTRF_GST_RESIZER_FORMAT_BGR = 2,
  TCTFTRF_GST_RESIZER_FORMAT_GRAY8 = 3,
};

GType tctftrf_gst_resizer_format_get_type(void);
GType tctftrf_gst_resizer_get_type(void);

/// Registers the element `tarvekresizer` with `plugin`.
gboolean tctftrf_gst_resizer_register(GstPlugin* plugin);

G_END_DECLS
