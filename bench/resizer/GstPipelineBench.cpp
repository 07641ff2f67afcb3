// 1920 x 1080 BGRx frames through videotestsrc ! <scaler> ! fakesink, with the
// tarvekresizer element and with the stock nearest-neighbour videoscale, in one
// run. Reported as frames per second.
#include <benchmark/benchmark.h>

#include <string>

#include <gst/gst.h>

namespace
{
constexpr int kFrames = 120;

void LoadPlugins()
{
  static const bool loaded = [] {
    gst_init(nullptr, nullptr);
    for (const char* name : {"libgstcoreelements.so", "libgstvideotestsrc.so", "libgstvideoconvertscale.so"})
    {
      GstPlugin* plugin = gst_plugin_load_file((std::string(TARVEK_GST_SYSTEM_PLUGINS_DIR) + "/" + name).c_str(), nullptr);
      if (plugin)
        gst_object_unref(plugin);
    }
    GstPlugin* ours = gst_plugin_load_file(TARVEK_GST_MODULE_PATH, nullptr);
    if (ours)
      gst_object_unref(ours);
    return true;
  }();
  (void)loaded;
}

// Runs the pipeline to its end; false when it cannot be built or fails.
bool RunPipeline(const std::string& scaler)
{
  const std::string description = "videotestsrc num-buffers=" + std::to_string(kFrames) +
                                  " pattern=black ! video/x-raw,format=BGRx,width=1920,height=1080 ! " + scaler +
                                  " ! fakesink sync=false";
  GError* error = nullptr;
  GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
  if (!pipeline)
  {
    if (error)
      g_error_free(error);
    return false;
  }
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* message = gst_bus_timed_pop_filtered(bus, GST_CLOCK_TIME_NONE,
                                                   static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  const bool ok = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
  if (message)
    gst_message_unref(message);
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return ok;
}

void Pipeline(benchmark::State& state, const std::string& scaler)
{
  LoadPlugins();
  for (auto _ : state)
    if (!RunPipeline(scaler))
    {
      state.SkipWithError(("pipeline failed: " + scaler).c_str());
      break;
    }
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(kFrames), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Pipeline_Tarvekresizer(benchmark::State& state) { Pipeline(state, "tarvekresizer width=640 height=360"); }
void BM_Pipeline_VideoscaleNearest(benchmark::State& state)
{
  Pipeline(state, "videoscale method=nearest-neighbour ! video/x-raw,width=640,height=360");
}
// The source and sink alone: what both pipelines spend besides scaling.
void BM_Pipeline_SourceOnly(benchmark::State& state) { Pipeline(state, "identity"); }
BENCHMARK(BM_Pipeline_Tarvekresizer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Pipeline_VideoscaleNearest)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Pipeline_SourceOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace
