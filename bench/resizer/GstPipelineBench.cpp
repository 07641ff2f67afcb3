// The stream element against the stock nearest-neighbour scaler, run side by
// side in one program:
// - the scaling step alone, per frame: the resize core's strided transform
//   against the stock scaler's converter (nearest-neighbour resampler, one
//   thread, as videoscale uses it) on the same mapped frames;
// - whole pipelines videotestsrc ! <scaler> ! fakesink, with tarvekresizer,
//   with videoscale method=nearest-neighbour and with identity (the source
//   and sink alone).
// Args of each: format (0 BGRx, 1 BGR, 2 GRAY8), input width and height,
// output width and height.
#include <benchmark/benchmark.h>

#include <string>

#include <gst/gst.h>
#include <gst/video/video.h>

#include <tarvek/resizer/TCTfTrfStridedFrameTransform.h>

namespace
{
constexpr int kFrames = 120;

struct Format
{
  GstVideoFormat video;
  const char* name;
  TCTfTrfPixelLayout layout;
};

const Format kFormats[] = {
  {GST_VIDEO_FORMAT_BGRx, "BGRx", TCTfTrfPixelLayout::Bgrx32},
  {GST_VIDEO_FORMAT_BGR, "BGR", TCTfTrfPixelLayout::Bgr24},
  {GST_VIDEO_FORMAT_GRAY8, "GRAY8", TCTfTrfPixelLayout::Grey8},
};

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

// ---- the scaling step alone ------------------------------------------------------------
/// One input and one output frame in GStreamer buffers, mapped for the run.
struct StepFrames
{
  StepFrames(const Format& f, int inW, int inH, int outW, int outH)
  {
    gst_video_info_set_format(&inInfo, f.video, inW, inH);
    gst_video_info_set_format(&outInfo, f.video, outW, outH);
    inBuffer = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&inInfo), nullptr);
    outBuffer = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&outInfo), nullptr);
    gst_buffer_memset(inBuffer, 0, 0x5A, GST_VIDEO_INFO_SIZE(&inInfo));
    mapped = gst_video_frame_map(&in, &inInfo, inBuffer, GST_MAP_READ) &&
             gst_video_frame_map(&out, &outInfo, outBuffer, GST_MAP_WRITE);
  }
  ~StepFrames()
  {
    if (mapped)
    {
      gst_video_frame_unmap(&in);
      gst_video_frame_unmap(&out);
    }
    gst_buffer_unref(inBuffer);
    gst_buffer_unref(outBuffer);
  }
  StepFrames(const StepFrames&) = delete;
  StepFrames& operator=(const StepFrames&) = delete;

  GstVideoInfo inInfo;
  GstVideoInfo outInfo;
  GstBuffer* inBuffer = nullptr;
  GstBuffer* outBuffer = nullptr;
  GstVideoFrame in;
  GstVideoFrame out;
  bool mapped = false;
};

void Label(benchmark::State& state)
{
  state.SetLabel(std::string(kFormats[state.range(0)].name) + " " + std::to_string(state.range(1)) + "x" +
                 std::to_string(state.range(2)) + "->" + std::to_string(state.range(3)) + "x" +
                 std::to_string(state.range(4)));
}

void BM_ScaleStep(benchmark::State& state)
{
  LoadPlugins();
  const Format& f = kFormats[state.range(0)];
  const int inW = static_cast<int>(state.range(1)), inH = static_cast<int>(state.range(2));
  const int outW = static_cast<int>(state.range(3)), outH = static_cast<int>(state.range(4));
  StepFrames frames(f, inW, inH, outW, outH);
  TCTfTrfStridedFrameTransform core;
  if (!frames.mapped ||
      core.Configure(f.layout, inW, inH, outW, outH) != TCTfTrfStridedFrameTransform::Status::Ready)
  {
    state.SkipWithError("set-up failed");
    return;
  }
  const TCTfTrfFrameFormat in{f.layout, inW, inH, GST_VIDEO_FRAME_PLANE_STRIDE(&frames.in, 0), TCTfTrfRowOrder::TopDown};
  const TCTfTrfFrameFormat out{f.layout, outW, outH, GST_VIDEO_FRAME_PLANE_STRIDE(&frames.out, 0),
                               TCTfTrfRowOrder::TopDown};
  const auto* src = static_cast<const guint8*>(GST_VIDEO_FRAME_PLANE_DATA(&frames.in, 0));
  auto* dst = static_cast<guint8*>(GST_VIDEO_FRAME_PLANE_DATA(&frames.out, 0));
  for (auto _ : state)
  {
    if (!core.Transform(in, src, static_cast<long long>(frames.in.map[0].size), out, dst,
                        static_cast<long long>(frames.out.map[0].size)))
      state.SkipWithError("frame not delivered");
    benchmark::DoNotOptimize(dst);
    benchmark::ClobberMemory();
  }
  Label(state);
}

void BM_ScaleStep_RefVideoConverter(benchmark::State& state)
{
  LoadPlugins();
  const Format& f = kFormats[state.range(0)];
  StepFrames frames(f, static_cast<int>(state.range(1)), static_cast<int>(state.range(2)),
                    static_cast<int>(state.range(3)), static_cast<int>(state.range(4)));
  GstStructure* options =
    gst_structure_new("options", GST_VIDEO_CONVERTER_OPT_RESAMPLER_METHOD, GST_TYPE_VIDEO_RESAMPLER_METHOD,
                      GST_VIDEO_RESAMPLER_METHOD_NEAREST, GST_VIDEO_CONVERTER_OPT_THREADS, G_TYPE_UINT, 1u, nullptr);
  GstVideoConverter* converter = gst_video_converter_new(&frames.inInfo, &frames.outInfo, options);
  if (!frames.mapped || !converter)
  {
    state.SkipWithError("set-up failed");
    return;
  }
  for (auto _ : state)
  {
    gst_video_converter_frame(converter, &frames.in, &frames.out);
    benchmark::ClobberMemory();
  }
  gst_video_converter_free(converter);
  Label(state);
}

// ---- whole pipelines ---------------------------------------------------------------------
// Runs the pipeline to its end; false when it cannot be built or fails.
bool RunPipeline(const std::string& description)
{
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

enum class Scaler
{
  Tarvek,
  Videoscale,
  None,
};

void Pipeline(benchmark::State& state, Scaler scaler)
{
  LoadPlugins();
  const Format& f = kFormats[state.range(0)];
  const std::string outSize = "width=" + std::to_string(state.range(3)) + ",height=" + std::to_string(state.range(4));
  std::string step;
  switch (scaler)
  {
  case Scaler::Tarvek:
    step = "tarvekresizer width=" + std::to_string(state.range(3)) + " height=" + std::to_string(state.range(4));
    break;
  case Scaler::Videoscale: step = "videoscale method=nearest-neighbour ! video/x-raw," + outSize; break;
  case Scaler::None: step = "identity"; break;
  }
  const std::string description = "videotestsrc num-buffers=" + std::to_string(kFrames) +
                                  " pattern=black ! video/x-raw,format=" + f.name +
                                  ",width=" + std::to_string(state.range(1)) +
                                  ",height=" + std::to_string(state.range(2)) + " ! " + step +
                                  " ! fakesink sync=false";
  for (auto _ : state)
    if (!RunPipeline(description))
    {
      state.SkipWithError(("pipeline failed: " + description).c_str());
      break;
    }
  state.counters["fps"] =
    benchmark::Counter(static_cast<double>(kFrames), benchmark::Counter::kIsIterationInvariantRate);
  Label(state);
}

void BM_Pipeline(benchmark::State& state) { Pipeline(state, Scaler::Tarvek); }
void BM_Pipeline_RefVideoscaleNearest(benchmark::State& state) { Pipeline(state, Scaler::Videoscale); }
// The source and sink alone: what both pipelines spend besides scaling.
void BM_Pipeline_RefSourceOnly(benchmark::State& state) { Pipeline(state, Scaler::None); }

void Cases(benchmark::internal::Benchmark* b)
{
  for (int format = 0; format < 3; ++format)
  {
    b->Args({format, 1920, 1080, 640, 360});
    b->Args({format, 1280, 720, 1920, 1080});
  }
}
} // namespace

BENCHMARK(BM_ScaleStep)->Apply(Cases)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ScaleStep_RefVideoConverter)->Apply(Cases)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_Pipeline)->Apply(Cases)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Pipeline_RefVideoscaleNearest)->Apply(Cases)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Pipeline_RefSourceOnly)->Apply(Cases)->Unit(benchmark::kMillisecond)->UseRealTime();
