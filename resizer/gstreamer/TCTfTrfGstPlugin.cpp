// The loadable GStreamer plug-in: registers the element `tarvekresizer`.
#include <gst/gst.h>

#include "TCTfTrfGstResizer.h"

#ifndef PACKAGE
#define PACKAGE "pixolan"
#endif
#ifndef TARVEK_GST_VERSION
#define TARVEK_GST_VERSION "0.0.0"
#endif

namespace
{
gboolean PluginInit(GstPlugin* plugin)
{
  return tctftrf_gst_resizer_register(plugin);
}
} // namespace

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, tarvekresizer,
                  "Nearest-neighbour video resizer over the tarvek resize core", PluginInit, TARVEK_GST_VERSION,
                  "Proprietary", "pixolan", "https://localhost/pixolan")
