// The tarvekresizer element in real pipelines, built in-process: negotiated
// caps, delivered bytes and pixels against an independent nearest-neighbour
// computation at pixel centres.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <gst/base/gstbasetransform.h>
#include <gst/gst.h>
#include <gst/video/video.h>

namespace
{
// ---- process set-up: only the plug-ins the tests use, no user registry ---------------
class GstEnvironment : public ::testing::Environment
{
public:
  void SetUp() override
  {
    // No scan of the system or user plug-in folders: the few plug-ins needed
    // are loaded by file below, in this process.
    g_setenv("GST_PLUGIN_SYSTEM_PATH_1_0", "", TRUE);
    g_setenv("GST_PLUGIN_PATH_1_0", "", TRUE);
    g_setenv("GST_REGISTRY_1_0", TARVEK_GST_TEST_REGISTRY, TRUE);
    g_setenv("GST_REGISTRY_FORK", "no", TRUE);
    gst_init(nullptr, nullptr);
    for (const char* name : {"libgstcoreelements.so", "libgstvideotestsrc.so", "libgstapp.so"})
      Load(std::string(TARVEK_GST_SYSTEM_PLUGINS_DIR) + "/" + name);
    Load(TARVEK_GST_MODULE_PATH);
  }
  void TearDown() override { gst_deinit(); }

private:
  static void Load(const std::string& path)
  {
    GError* error = nullptr;
    GstPlugin* plugin = gst_plugin_load_file(path.c_str(), &error);
    ASSERT_NE(plugin, nullptr) << path << ": " << (error ? error->message : "?");
    gst_object_unref(plugin);
  }
};

[[maybe_unused]] ::testing::Environment* const gstEnvironment =
  ::testing::AddGlobalTestEnvironment(new GstEnvironment);

// ---- frames -------------------------------------------------------------------------
/// A frame copied out of a buffer with its rows packed (width * pixel size).
struct Frame
{
  std::string format;
  int width = 0;
  int height = 0;
  int pixelSize = 0;
  std::vector<std::uint8_t> pixels;

  const std::uint8_t* Pixel(int x, int y) const
  {
    return pixels.data() + (static_cast<std::size_t>(y) * width + x) * pixelSize;
  }
};

bool CopyFrame(GstCaps* caps, GstBuffer* buffer, Frame* frame)
{
  GstVideoInfo info;
  if (!gst_video_info_from_caps(&info, caps))
    return false;
  GstVideoFrame mapped;
  if (!gst_video_frame_map(&mapped, &info, buffer, GST_MAP_READ))
    return false;
  frame->format = gst_video_format_to_string(GST_VIDEO_INFO_FORMAT(&info));
  frame->width = GST_VIDEO_FRAME_WIDTH(&mapped);
  frame->height = GST_VIDEO_FRAME_HEIGHT(&mapped);
  frame->pixelSize = GST_VIDEO_FRAME_COMP_PSTRIDE(&mapped, 0);
  const std::size_t rowBytes = static_cast<std::size_t>(frame->width) * frame->pixelSize;
  frame->pixels.resize(rowBytes * frame->height);
  const auto* data = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&mapped, 0));
  const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&mapped, 0);
  for (int y = 0; y < frame->height; ++y)
    std::copy_n(data + static_cast<std::ptrdiff_t>(y) * stride, rowBytes, frame->pixels.data() + y * rowBytes);
  gst_video_frame_unmap(&mapped);
  return true;
}

/// What a pipeline delivered: the frames entering the resizer, the frames
/// leaving the pipeline, their byte counts, and the first error.
struct Delivery
{
  std::string error;
  std::vector<Frame> inputs;
  std::vector<Frame> outputs;
  std::vector<gsize> outputBytes;
  bool passthrough = false;
  bool sameBuffers = true; ///< every output buffer is the input buffer itself
  std::vector<GstBuffer*> inputBuffers;
};

GstPadProbeReturn CaptureInput(GstPad* pad, GstPadProbeInfo* info, gpointer data)
{
  auto* run = static_cast<Delivery*>(data);
  GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  GstCaps* caps = gst_pad_get_current_caps(pad);
  Frame frame;
  if (caps && buffer && CopyFrame(caps, buffer, &frame))
    run->inputs.push_back(std::move(frame));
  run->inputBuffers.push_back(buffer);
  if (caps)
    gst_caps_unref(caps);
  return GST_PAD_PROBE_OK;
}

/// Runs `launch` to its end. The pipeline must contain an element named `r`
/// (the resizer) and an appsink named `out`.
Delivery RunPipeline(const std::string& launch)
{
  Delivery run;
  GError* error = nullptr;
  GstElement* pipeline = gst_parse_launch(launch.c_str(), &error);
  if (!pipeline || error)
  {
    run.error = error ? error->message : "no pipeline";
    g_clear_error(&error);
    if (pipeline)
      gst_object_unref(pipeline);
    return run;
  }
  GstElement* resizer = gst_bin_get_by_name(GST_BIN(pipeline), "r");
  GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "out");
  EXPECT_NE(resizer, nullptr);
  EXPECT_NE(sink, nullptr);
  if (!resizer || !sink)
    return run;
  // The samples are pulled after the end: the sink must not wait for that.
  g_object_set(sink, "sync", FALSE, "wait-on-eos", FALSE, nullptr);
  GstPad* sinkPad = gst_element_get_static_pad(resizer, "sink");
  gst_pad_add_probe(sinkPad, GST_PAD_PROBE_TYPE_BUFFER, CaptureInput, &run, nullptr);

  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* message = gst_bus_timed_pop_filtered(bus, 10 * GST_SECOND,
                                                   static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  if (!message)
    run.error = "timeout";
  else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
  {
    GError* e = nullptr;
    gst_message_parse_error(message, &e, nullptr);
    run.error = e ? e->message : "error";
    g_clear_error(&e);
  }
  if (message)
    gst_message_unref(message);
  run.passthrough = gst_base_transform_is_passthrough(GST_BASE_TRANSFORM(resizer));

  for (;;)
  {
    GstSample* sample = nullptr;
    g_signal_emit_by_name(sink, "try-pull-sample", static_cast<GstClockTime>(0), &sample);
    if (!sample)
      break;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    Frame frame;
    EXPECT_TRUE(CopyFrame(gst_sample_get_caps(sample), buffer, &frame));
    const std::size_t i = run.outputs.size();
    run.sameBuffers = run.sameBuffers && i < run.inputBuffers.size() && run.inputBuffers[i] == buffer;
    run.outputs.push_back(std::move(frame));
    run.outputBytes.push_back(gst_buffer_get_size(buffer));
    gst_sample_unref(sample);
  }
  run.inputBuffers.clear();
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(bus);
  gst_object_unref(sinkPad);
  gst_object_unref(sink);
  gst_object_unref(resizer);
  gst_object_unref(pipeline);
  return run;
}

std::string Source(const std::string& format, int width, int height, int frames = 2)
{
  return "videotestsrc pattern=snow num-buffers=" + std::to_string(frames) + " ! video/x-raw,format=" + format +
         ",width=" + std::to_string(width) + ",height=" + std::to_string(height);
}

std::string Resize(const std::string& source, const std::string& properties)
{
  return source + " ! tarvekresizer name=r " + properties + " ! appsink name=out";
}

// ---- the reference: nearest neighbour at pixel centres --------------------------------
/// Source indices for target index d of a dst-long axis over a src-long one:
/// the source pixel whose centre is nearest to the target pixel's centre,
/// s = (d + 1/2) * src / dst - 1/2, rounded and clamped. Within a hair of a
/// half both neighbours are accepted.
std::vector<int> NearestSources(int d, int src, int dst)
{
  const long long num = (2LL * d + 1) * src - dst;
  const long long den = 2LL * dst;
  long long q = num / den;
  if (num % den != 0 && num < 0)
    --q;
  const long long rem = num - q * den;
  const long long diff = 2 * rem - den;
  std::vector<long long> picks;
  if (std::llabs(diff) * 1000 < den)
    picks = {q, q + 1};
  else
    picks = {diff < 0 ? q : q + 1};
  std::vector<int> result;
  for (long long p : picks)
    result.push_back(static_cast<int>(std::min<long long>(std::max<long long>(p, 0), src - 1)));
  return result;
}

/// Counts output pixels that equal no nearest source pixel; reports the first.
void ExpectNearestNeighbour(const Frame& in, const Frame& out)
{
  ASSERT_EQ(in.pixelSize, out.pixelSize);
  ASSERT_EQ(in.format, out.format);
  // BGRx: the padding byte carries no value.
  const int compared = in.pixelSize == 4 ? 3 : in.pixelSize;
  long long wrong = 0;
  std::string first;
  for (int y = 0; y < out.height; ++y)
  {
    const std::vector<int> rows = NearestSources(y, in.height, out.height);
    for (int x = 0; x < out.width; ++x)
    {
      const std::vector<int> columns = NearestSources(x, in.width, out.width);
      bool found = false;
      for (int sy : rows)
        for (int sx : columns)
          found = found || std::equal(out.Pixel(x, y), out.Pixel(x, y) + compared, in.Pixel(sx, sy));
      if (!found && wrong++ == 0)
        first = "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
    }
  }
  EXPECT_EQ(wrong, 0) << "first wrong pixel at " << first;
}

int PixelSizeOf(const std::string& format)
{
  return format == "BGRx" ? 4 : format == "BGR" ? 3 : 1;
}

/// Bytes of a frame with rows padded to 4 bytes, as negotiated downstream.
gsize PaddedFrameBytes(const std::string& format, int width, int height)
{
  const gsize row = static_cast<gsize>(width) * PixelSizeOf(format);
  return (row + 3) / 4 * 4 * height;
}

/// Checks size, byte count and pixels of every delivered frame.
void ExpectResized(const Delivery& run, const std::string& format, int width, int height, std::size_t frames = 2)
{
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.outputs.size(), frames);
  ASSERT_EQ(run.inputs.size(), frames);
  for (std::size_t i = 0; i < frames; ++i)
  {
    SCOPED_TRACE("frame " + std::to_string(i));
    EXPECT_EQ(run.outputs[i].format, format);
    EXPECT_EQ(run.outputs[i].width, width);
    EXPECT_EQ(run.outputs[i].height, height);
    EXPECT_EQ(run.outputBytes[i], PaddedFrameBytes(format, width, height));
    ExpectNearestNeighbour(run.inputs[i], run.outputs[i]);
  }
}

// ---- per format ---------------------------------------------------------------------
class ResizerElementFormat : public ::testing::TestWithParam<const char*>
{
};

TEST_P(ResizerElementFormat, DownscalesByNearestNeighbourToRequestedSize)
{
  const std::string format = GetParam();
  const Delivery run = RunPipeline(Resize(Source(format, 641, 480), "width=320 height=240"));
  ExpectResized(run, format, 320, 240);
  EXPECT_FALSE(run.passthrough);
}

TEST_P(ResizerElementFormat, WidensOddInputWidthToMultipleOf8WithoutRequest)
{
  const std::string format = GetParam();
  const Delivery run = RunPipeline(Resize(Source(format, 641, 480), ""));
  ExpectResized(run, format, 648, 480);
}

TEST_P(ResizerElementFormat, UpscalesByNearestNeighbour)
{
  const std::string format = GetParam();
  const Delivery run = RunPipeline(Resize(Source(format, 37, 23), "width=96 height=61"));
  ExpectResized(run, format, 96, 61);
}

TEST_P(ResizerElementFormat, PassesFramesThroughWhenSizesAreEqual)
{
  const std::string format = GetParam();
  for (const char* properties : {"", "width=640 height=480"})
  {
    SCOPED_TRACE(properties);
    const Delivery run = RunPipeline(Resize(Source(format, 640, 480), properties));
    ASSERT_EQ(run.error, "");
    ASSERT_EQ(run.outputs.size(), 2u);
    EXPECT_TRUE(run.passthrough);
    EXPECT_TRUE(run.sameBuffers);
    for (std::size_t i = 0; i < run.outputs.size(); ++i)
      EXPECT_EQ(run.outputs[i].pixels, run.inputs[i].pixels);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, ResizerElementFormat, ::testing::Values("BGRx", "BGR", "GRAY8"));

// ---- the size rule --------------------------------------------------------------------
TEST(ResizerElement, RoundsRequestedWidthUpToMultipleOf8)
{
  ExpectResized(RunPipeline(Resize(Source("BGR", 200, 150), "width=101 height=77")), "BGR", 104, 77);
  ExpectResized(RunPipeline(Resize(Source("GRAY8", 200, 150), "width=96 height=77")), "GRAY8", 96, 77);
}

TEST(ResizerElement, TakesInputSizeWhenEitherRequestIsZero)
{
  ExpectResized(RunPipeline(Resize(Source("BGRx", 641, 480), "width=320 height=0")), "BGRx", 648, 480);
  ExpectResized(RunPipeline(Resize(Source("BGRx", 641, 480), "width=0 height=100")), "BGRx", 648, 480);
}

TEST(ResizerElement, LetsUpstreamPickAnInputWidthThatRoundsToTheDownstreamWidth)
{
  // Without a request the output is the input rounded up: upstream must offer
  // a width of 313 to 320 for a downstream 320.
  const Delivery run = RunPipeline("videotestsrc pattern=snow num-buffers=2 ! tarvekresizer name=r ! "
                              "video/x-raw,width=320,height=240 ! appsink name=out");
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.outputs.size(), 2u);
  EXPECT_EQ(run.outputs[0].width, 320);
  EXPECT_EQ(run.outputs[0].height, 240);
  EXPECT_GE(run.inputs[0].width, 313);
  EXPECT_LE(run.inputs[0].width, 320);
  EXPECT_EQ(run.inputs[0].height, 240);
}

TEST(ResizerElement, RefusesOutputSizesTheRuleCannotProduce)
{
  // No input width rounds up to 321; a request of 100 wide gives 104.
  EXPECT_NE(RunPipeline("videotestsrc num-buffers=2 ! tarvekresizer name=r ! video/x-raw,width=321,height=240 ! "
                        "appsink name=out")
              .error,
            "");
  EXPECT_NE(RunPipeline("videotestsrc num-buffers=2 ! tarvekresizer name=r width=100 height=50 ! "
                        "video/x-raw,width=100,height=50 ! appsink name=out")
              .error,
            "");
}

// ---- formats and bad property values ---------------------------------------------------
TEST(ResizerElement, RefusesFormatsTheFormatPropertyExcludes)
{
  const Delivery refused = RunPipeline(Resize(Source("BGRx", 64, 48), "format=BGR width=32 height=24"));
  EXPECT_NE(refused.error, "");
  EXPECT_TRUE(refused.outputs.empty());

  const Delivery accepted = RunPipeline(Resize(Source("BGRx", 64, 48), "format=BGRx width=32 height=24"));
  ExpectResized(accepted, "BGRx", 32, 24);

  // An unconstrained source is steered to the one accepted format.
  const Delivery steered =
    RunPipeline("videotestsrc pattern=snow num-buffers=2 ! tarvekresizer name=r format=GRAY8 width=32 height=24 ! "
                "appsink name=out");
  ASSERT_EQ(steered.error, "");
  ASSERT_EQ(steered.outputs.size(), 2u);
  EXPECT_EQ(steered.outputs[0].format, "GRAY8");
  ExpectNearestNeighbour(steered.inputs[0], steered.outputs[0]);
}

struct WarningCounter
{
  int warnings = 0;
  static void Count(const gchar*, GLogLevelFlags, const gchar*, gpointer data)
  {
    ++static_cast<WarningCounter*>(data)->warnings;
  }
};

TEST(ResizerElement, RefusesBadPropertyValuesWithAWarning)
{
  GstElement* resizer = gst_element_factory_make("tarvekresizer", nullptr);
  ASSERT_NE(resizer, nullptr);
  g_object_set(resizer, "width", 320, "height", 240, "format", 2, nullptr);

  WarningCounter counter;
  const guint handler = g_log_set_handler("GLib-GObject", G_LOG_LEVEL_WARNING, WarningCounter::Count, &counter);
  g_object_set(resizer, "width", -5, nullptr);
  g_object_set(resizer, "height", -1, nullptr);
  g_object_set(resizer, "format", 17, nullptr);
  g_log_remove_handler("GLib-GObject", handler);
  EXPECT_EQ(counter.warnings, 3);

  gint width = 0;
  gint height = 0;
  gint format = 0;
  g_object_get(resizer, "width", &width, "height", &height, "format", &format, nullptr);
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 240);
  EXPECT_EQ(format, 2);
  gst_object_unref(resizer);

  // An unknown format name is a parse error naming the property.
  GError* error = nullptr;
  GstElement* pipeline = gst_parse_launch("videotestsrc ! tarvekresizer format=YUY2 ! fakesink", &error);
  ASSERT_NE(error, nullptr);
  EXPECT_TRUE(g_error_matches(error, GST_PARSE_ERROR, GST_PARSE_ERROR_COULD_NOT_SET_PROPERTY)) << error->message;
  g_clear_error(&error);
  if (pipeline)
    gst_object_unref(pipeline);
}

// ---- strides ------------------------------------------------------------------------
TEST(ResizerElement, HonoursPaddedInputRowStrides)
{
  // Frames with rows 128 bytes apart (a video meta says so), the padding
  // filled with a value that must never reach the output.
  for (const char* format : {"BGRx", "BGR", "GRAY8"})
  {
    SCOPED_TRACE(format);
    const int width = 29;
    const int height = 23;
    const int stride = 128;
    const int pixelSize = PixelSizeOf(format);
    GError* error = nullptr;
    const std::string caps = std::string("video/x-raw,format=") + format + ",width=29,height=23,framerate=0/1";
    GstElement* pipeline = gst_parse_launch(("appsrc name=in format=time caps=" + caps +
                                             " ! tarvekresizer name=r width=16 height=10 ! appsink name=out")
                                              .c_str(),
                                            &error);
    ASSERT_EQ(error, nullptr) << error->message;
    GstElement* in = gst_bin_get_by_name(GST_BIN(pipeline), "in");
    GstElement* out = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    g_object_set(out, "sync", FALSE, nullptr);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);

    Frame source;
    source.format = format;
    source.width = width;
    source.height = height;
    source.pixelSize = pixelSize;
    source.pixels.resize(static_cast<std::size_t>(width) * height * pixelSize);
    GstBuffer* buffer = gst_buffer_new_and_alloc(static_cast<gsize>(stride) * height);
    GstMapInfo map;
    ASSERT_TRUE(gst_buffer_map(buffer, &map, GST_MAP_WRITE));
    std::fill_n(map.data, map.size, std::uint8_t{0xEE});
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width * pixelSize; ++x)
      {
        const auto value = static_cast<std::uint8_t>((x * 7 + y * 31) % 200);
        map.data[y * stride + x] = value;
        source.pixels[static_cast<std::size_t>(y) * width * pixelSize + x] = value;
      }
    gst_buffer_unmap(buffer, &map);
    gsize offsets[GST_VIDEO_MAX_PLANES] = {0};
    gint strides[GST_VIDEO_MAX_PLANES] = {stride};
    GstVideoFormat videoFormat = gst_video_format_from_string(format);
    gst_buffer_add_video_meta_full(buffer, GST_VIDEO_FRAME_FLAG_NONE, videoFormat, width, height, 1, offsets,
                                   strides);
    GstFlowReturn flow = GST_FLOW_ERROR;
    g_signal_emit_by_name(in, "push-buffer", buffer, &flow);
    gst_buffer_unref(buffer);
    EXPECT_EQ(flow, GST_FLOW_OK);
    g_signal_emit_by_name(in, "end-of-stream", &flow);

    GstSample* sample = nullptr;
    g_signal_emit_by_name(out, "try-pull-sample", static_cast<GstClockTime>(10 * GST_SECOND), &sample);
    ASSERT_NE(sample, nullptr);
    Frame result;
    ASSERT_TRUE(CopyFrame(gst_sample_get_caps(sample), gst_sample_get_buffer(sample), &result));
    gst_sample_unref(sample);
    EXPECT_EQ(result.width, 16);
    EXPECT_EQ(result.height, 10);
    ExpectNearestNeighbour(source, result);

    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(in);
    gst_object_unref(out);
    gst_object_unref(pipeline);
  }
}

// ---- registration -----------------------------------------------------------------------
TEST(ResizerElement, RegistersWithPadsOfTheThreeFormatsAndSizeProperties)
{
  GstElementFactory* factory = gst_element_factory_find("tarvekresizer");
  ASSERT_NE(factory, nullptr);
  GstCaps* expected = gst_caps_from_string("video/x-raw,format={BGRx,BGR,GRAY8}");
  GstCaps* refused = gst_caps_from_string("video/x-raw,format={RGBx,YUY2,I420}");
  int templates = 0;
  for (const GList* l = gst_element_factory_get_static_pad_templates(factory); l; l = l->next)
  {
    GstCaps* caps = gst_static_caps_get(&static_cast<GstStaticPadTemplate*>(l->data)->static_caps);
    EXPECT_TRUE(gst_caps_can_intersect(caps, expected));
    EXPECT_FALSE(gst_caps_can_intersect(caps, refused));
    gst_caps_unref(caps);
    ++templates;
  }
  EXPECT_EQ(templates, 2);
  gst_caps_unref(expected);
  gst_caps_unref(refused);

  GstElement* resizer = gst_element_factory_create(factory, nullptr);
  gst_object_unref(factory);
  ASSERT_NE(resizer, nullptr);
  gint width = -1;
  gint height = -1;
  gint format = -1;
  g_object_get(resizer, "width", &width, "height", &height, "format", &format, nullptr);
  EXPECT_EQ(width, 0);
  EXPECT_EQ(height, 0);
  EXPECT_EQ(format, 0);
  gst_object_unref(resizer);
}
} // namespace
