// End-to-end runs of the pixolan tool on images made here.
#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <pixolan/analysis/TCPxIO.h>
#include <pixolan/analysis/TCPxObjectFinder.h>
#include <pixolan/filters/TCPxFilterFactory.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>

#include "MiniJson.h"
#include "Scenes.h"

namespace fs = std::filesystem;

namespace
{
struct Result
{
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& s)
{
  std::string q = "'";
  for (char c : s)
    q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string ReadText(const fs::path& path)
{
  std::ifstream file(path, std::ios::binary);
  std::ostringstream s;
  s << file.rdbuf();
  return s.str();
}

class Tool : public ::testing::Test
{
protected:
  void SetUp() override
  {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_dir = fs::temp_directory_path() /
            (std::string("pixolan_tool_") + info->name() + "_" + std::to_string(static_cast<long long>(::getpid())));
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
  }
  void TearDown() override
  {
    std::error_code ec;
    fs::remove_all(m_dir, ec);
  }

  std::string At(const std::string& name) const { return (m_dir / name).string(); }

  /// Runs `pixolan ARGS` (ARGS already quoted where needed).
  Result Run(const std::string& args) const
  {
    const fs::path errPath = m_dir / "stderr.txt";
    const std::string command = Quote(PIXOLAN_TOOL) + " " + args + " 2>" + Quote(errPath.string());
    Result r;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
      return r;
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
      r.out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = ReadText(errPath);
    return r;
  }

  /// A grey image with a dark background and three bright objects of known place and size.
  std::string MakeScene()
  {
    TCPx8bitImage image(200, 120);
    image.Fill(20);
    image.Rectangle(TCGenRect<int>(20, 30, 59, 69), 200);      // 40 x 40 square, corners included
    image.Circle(TCGenPoint<int>(120, 50), 15, 210, 1, true);    // disc of radius 15
    image.Rectangle(TCGenRect<int>(150, 80, 189, 99), 220);     // 40 x 20 bar
    const std::string path = At("scene.png");
    EXPECT_TRUE(TCPxIO::SaveImage(image, fs::path(path)));
    return path;
  }

  static void ExpectOneLineError(const Result& r, int exitCode)
  {
    EXPECT_EQ(r.exitCode, exitCode);
    EXPECT_TRUE(r.out.empty()) << r.out;
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_EQ(r.err.rfind("pixolan", 0), 0u) << r.err;
  }

  fs::path m_dir;
};
} // namespace

// ---- command line ---------------------------------------------------------------------

TEST_F(Tool, EverySubcommandHasHelpAndBadCommandLinesExitWithUsageError)
{
  for (const char* command : {"info", "objects", "detect-circles", "filter", "resize", "convert", "synth", "demo"})
  {
    SCOPED_TRACE(command);
    const Result r = Run(std::string(command) + " --help");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind(std::string("usage: pixolan ") + command, 0), 0u) << r.out;
  }
  EXPECT_EQ(Run("").exitCode, 2);
  ExpectOneLineError(Run("frobnicate"), 2);
  ExpectOneLineError(Run("info"), 2);
  ExpectOneLineError(Run("info a.png --bogus"), 2);
  ExpectOneLineError(Run("resize a.png b.png --width 10"), 2);
  ExpectOneLineError(Run("resize a.png b.png --width 10 --height -3"), 2);
  ExpectOneLineError(Run("objects a.png --otsu --threshold 10"), 2);
  ExpectOneLineError(Run("objects a.png --threshold 300"), 2);
}

TEST_F(Tool, UnreadableInputAndUnwritableOutputFailWithOneLine)
{
  ExpectOneLineError(Run("info " + Quote(At("missing.png"))), 1);
  std::ofstream(At("noise.png")) << "not a picture";
  ExpectOneLineError(Run("info " + Quote(At("noise.png"))), 1);
  std::ofstream(At("short.rwf")) << "abc";
  ExpectOneLineError(Run("info " + Quote(At("short.rwf"))), 1);
  const std::string scene = MakeScene();
  ExpectOneLineError(Run("convert " + Quote(scene) + " " + Quote(At("out.nosuchformat"))), 1);
  std::ofstream(At("file")) << "x";
  ExpectOneLineError(Run("convert " + Quote(scene) + " " + Quote(At("file/out.png"))), 1);
}

// ---- info -------------------------------------------------------------------------------

TEST_F(Tool, InfoJsonDescribesTheImage)
{
  TCPx24bitImage image(30, 10);
  image.Fill(0x00403020); // red 0x20, green 0x30, blue 0x40
  cv::Mat& view = *image.GetFullMatPtr();
  view.at<cv::Vec3b>(3, 4) = cv::Vec3b(250, 1, 100);
  ASSERT_TRUE(TCPxIO::SaveImage(image, fs::path(At("colour.png"))));

  const Result r = Run("info --json " + Quote(At("colour.png")));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto json = mini_json::Parse(r.out);
  EXPECT_EQ(json["width"].number, 30);
  EXPECT_EQ(json["height"].number, 10);
  EXPECT_EQ(json["channels"].number, 3);
  EXPECT_EQ(json["type_code"].number, 3);
  EXPECT_EQ(json["stride"].number, image.GetStepSize());
  const auto& stats = json["channel_stats"];
  ASSERT_EQ(stats.items.size(), 3u);
  EXPECT_EQ(stats[0]["min"].number, 0x40);
  EXPECT_EQ(stats[0]["max"].number, 250);
  EXPECT_EQ(stats[1]["min"].number, 1);
  EXPECT_EQ(stats[2]["max"].number, 100);
  EXPECT_NEAR(stats[0]["mean"].number, (0x40 * 299.0 + 250) / 300, 1e-6);
  EXPECT_EQ(json["histogram"]["mode_count"].number, 299);
  EXPECT_EQ(json["otsu_threshold"].kind, mini_json::Value::Number);
}

TEST_F(Tool, InfoOfRawFileReportsAFloatImageWithoutHistogram)
{
  TCPxFloatImage image(12, 7);
  image.GetFullMatPtr()->setTo(-2.5f);
  ASSERT_TRUE(TCPxIO::SaveImage(image, fs::path(At("values.rwf"))));
  const Result r = Run("info --json " + Quote(At("values.rwf")));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto json = mini_json::Parse(r.out);
  EXPECT_EQ(json["type_code"].number, 5);
  EXPECT_EQ(json["channel_stats"][0]["min"].number, -2.5);
  EXPECT_EQ(json["histogram"].kind, mini_json::Value::Null);
}

// ---- filter -------------------------------------------------------------------------------

TEST_F(Tool, FilterListShowsEveryRegisteredFilterWithItsParameters)
{
  const auto descriptions = TCPxFilterFactory::Instance()->GetDescriptions();
  const Result r = Run("filter --list --json");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto json = mini_json::Parse(r.out);
  ASSERT_EQ(json.items.size(), descriptions.size());
  for (std::size_t i = 0; i < descriptions.size(); ++i)
  {
    EXPECT_EQ(json[i]["name"].text, descriptions[i].name);
    EXPECT_EQ(json[i]["value"].number, static_cast<int>(descriptions[i].type));
    ASSERT_EQ(json[i]["parameters"].items.size(), descriptions[i].parameters.size());
    for (std::size_t k = 0; k < descriptions[i].parameters.size(); ++k)
      EXPECT_EQ(json[i]["parameters"][k]["type"].text + " " + json[i]["parameters"][k]["name"].text,
                descriptions[i].parameters[k].Signature());
  }
  const Result text = Run("filter --list");
  for (const auto& d : descriptions)
    EXPECT_NE(text.out.find(d.name + "("), std::string::npos) << d.name;
}

TEST_F(Tool, FilterGivesWhatTheFactoryFilterGives)
{
  const std::string scene = MakeScene();
  const Result r = Run("filter Median " + Quote(scene) + " " + Quote(At("median.png")) + " --param kernelSize=5");
  ASSERT_EQ(r.exitCode, 0) << r.err;

  std::unique_ptr<TCPxImageBase> expected(TCPxIO::CreateImageFromFile(fs::path(scene)));
  TCPxFilterFactory::Instance()->SetParameter(1, Px::Median, std::any(5));
  std::unique_ptr<TCPxImageFilter> median(TCPxFilterFactory::Instance()->Create(Px::Median));
  ASSERT_NE(median, nullptr);
  median->ProcessImage(expected.get(), nullptr);
  std::unique_ptr<TCPxImageBase> actual(TCPxIO::CreateImageFromFile(fs::path(At("median.png"))));
  ASSERT_NE(actual, nullptr);
  EXPECT_TRUE(*actual == *expected);
}

TEST_F(Tool, FilterTakesEnumeratorsByNameOrNumber)
{
  const std::string scene = MakeScene();
  ASSERT_EQ(Run("filter Morphology " + Quote(scene) + " " + Quote(At("a.png")) + " --param type=Dilate --param size=2")
                .exitCode,
            0);
  ASSERT_EQ(Run("filter Morphology " + Quote(scene) + " " + Quote(At("b.png")) + " --param type=2 --param size=2")
                .exitCode,
            0);
  EXPECT_EQ(ReadText(At("a.png")), ReadText(At("b.png")));
  EXPECT_NE(ReadText(At("a.png")), ReadText(scene)); // dilation changed something
}

TEST_F(Tool, FilterRefusesUnknownMissingAndMalformedParameters)
{
  const std::string scene = MakeScene();
  const std::string io = " " + Quote(scene) + " " + Quote(At("x.png"));
  ExpectOneLineError(Run("filter NoSuchFilter" + io), 2);
  ExpectOneLineError(Run("filter Median" + io + " --param kernelSize=4000"), 2);
  ExpectOneLineError(Run("filter Median" + io + " --param kernelSize=5 --param radius=2"), 2);
  ExpectOneLineError(Run("filter Median" + io + " --param kernelSize=five"), 2);
  ExpectOneLineError(Run("filter Median" + io + " --param kernelSize"), 2);
  ExpectOneLineError(Run("filter Morphology" + io + " --param type=Shrink --param size=1"), 2);
  EXPECT_FALSE(fs::exists(At("x.png")));
}

// ---- objects ------------------------------------------------------------------------------

TEST_F(Tool, ObjectsFindsAndMeasuresTheDrawnShapes)
{
  const std::string scene = MakeScene();
  const std::string annotated = At("out/annotated.png");
  const Result r = Run("objects --json " + Quote(scene) + " --annotate " + Quote(annotated));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto json = mini_json::Parse(r.out);
  EXPECT_EQ(json["threshold_method"].text, "otsu");
  EXPECT_GE(json["threshold"].number, 20);
  EXPECT_LT(json["threshold"].number, 200);
  ASSERT_EQ(json["count"].number, 3);
  const auto& objects = json["objects"].items;
  ASSERT_EQ(objects.size(), 3u);

  // Reading order: the square and the disc share the top row, the bar comes last.
  const auto& square = objects[0];
  EXPECT_EQ(square["bounding_box"]["left"].number, 20);
  EXPECT_EQ(square["bounding_box"]["top"].number, 30);
  EXPECT_EQ(square["bounding_box"]["width"].number, 40);
  EXPECT_EQ(square["bounding_box"]["height"].number, 40);
  EXPECT_NEAR(square["area"].number, 1600, 1);
  EXPECT_NEAR(square["centre"][0].number, 39.5, 0.01);
  EXPECT_NEAR(square["centre"][1].number, 49.5, 0.01);
  EXPECT_NEAR(square["elongation"].number, 0, 1e-6);
  EXPECT_NEAR(square["perimeter"].number, 4 * 39, 1e-6);

  const auto& disc = objects[1];
  EXPECT_NEAR(disc["centre"][0].number, 120, 0.1);
  EXPECT_NEAR(disc["centre"][1].number, 50, 0.1);
  // For a traced outline the area convention counts exactly the object's
  // pixels, here those of the disc after the 3 x 3 opening (its four tips go).
  std::unique_ptr<TCPxImageBase> drawn(TCPxIO::CreateImageFromFile(fs::path(scene)));
  cv::Mat disc210 = *drawn->GetFullMatPtr() == 210;
  cv::morphologyEx(disc210, disc210, cv::MORPH_OPEN, cv::Mat::ones(3, 3, CV_8U));
  EXPECT_EQ(disc["area"].number, cv::countNonZero(disc210));
  EXPECT_LT(disc["elongation"].number, 0.05);

  const auto& bar = objects[2];
  EXPECT_EQ(bar["bounding_box"]["width"].number, 40);
  EXPECT_EQ(bar["bounding_box"]["height"].number, 20);
  EXPECT_GT(bar["elongation"].number, 0.5);

  std::unique_ptr<TCPxImageBase> picture(TCPxIO::CreateImageFromFile(fs::path(annotated)));
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->GetWidth(), 200);
  EXPECT_EQ(picture->GetHeight(), 120);
  EXPECT_EQ(picture->GetImageType(), ImageType24bit);
}

TEST_F(Tool, ObjectsHonoursThresholdDarkModeAndMinimumArea)
{
  const std::string scene = MakeScene();
  auto count = [&](const std::string& options, const std::string& path) {
    const Result r = Run("objects --json " + Quote(path) + " " + options);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return mini_json::Parse(r.out)["count"].number;
  };
  EXPECT_EQ(count("--threshold 205", scene), 2);   // the square (200) drops out
  EXPECT_EQ(count("--min-area 750", scene), 2);    // the disc (about 709) drops out
  EXPECT_EQ(count("--min-area 1000", scene), 1);   // and the bar (800)
  EXPECT_EQ(count("--threshold 250", scene), 0);

  TCPx8bitImage image(200, 120);
  ASSERT_TRUE(TCPxIO::LoadImage(&image, fs::path(scene)));
  image.Not();
  ASSERT_TRUE(TCPxIO::SaveImage(image, fs::path(At("inverted.png"))));
  EXPECT_EQ(count("--dark", At("inverted.png")), 3);

  const Result text = Run("objects " + Quote(scene));
  EXPECT_NE(text.out.find("3 objects"), std::string::npos) << text.out;
}

TEST_F(Tool, SynthSceneIsReproducibleAndItsObjectsAreFound)
{
  ASSERT_EQ(Run("synth " + Quote(At("a.png")) + " --objects 7 --seed 3").exitCode, 0);
  ASSERT_EQ(Run("synth " + Quote(At("b.png")) + " --objects 7 --seed 3").exitCode, 0);
  EXPECT_EQ(ReadText(At("a.png")), ReadText(At("b.png")));
  const Result r = Run("objects --json " + Quote(At("a.png")));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(mini_json::Parse(r.out)["count"].number, 7);
  ExpectOneLineError(Run("synth " + Quote(At("c.png")) + " --width 16 --height 16 --objects 9"), 2);
}

// ---- detect-circles ---------------------------------------------------------------------------

TEST_F(Tool, DetectCirclesReportsThePlateWellsAndAnnotatesThem)
{
  scenes::Scene scene;
  scene.background = 170;
  scene.blurSigma = 1.5;
  scene.gradient = 30;
  scenes::Plate plate;
  plate.rows = 2;
  plate.cols = 3;
  plate.dx = plate.dy = 150;
  plate.radius = 40;
  plate.wellLevel = 60;
  scenes::AddPlate(plate, &scene);
  const std::string wells = At("wells.png");
  ASSERT_TRUE(TCPxIO::SaveImage(scenes::Render(scene), fs::path(wells)));
  TCPx8bitImage blank(120, 90);
  blank.Fill(50);
  const std::string empty = At("blank.png");
  ASSERT_TRUE(TCPxIO::SaveImage(blank, fs::path(empty)));

  const std::string annotated = At("circles.png");
  const Result r = Run("detect-circles --json " + Quote(wells) + " --annotate " + Quote(annotated));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto json = mini_json::Parse(r.out);
  EXPECT_EQ(json["file"].text, wells);
  EXPECT_EQ(json["width"].number, 640);
  EXPECT_EQ(json["height"].number, 480);
  EXPECT_GE(json["time_ms"].number, 0);
  ASSERT_EQ(json["count"].number, 6);
  const auto& circles = json["circles"].items;
  ASSERT_EQ(circles.size(), 6u);
  std::vector<TCGenPoint<double>> truth = scenes::WellCentres(plate);
  for (std::size_t i = 0; i < circles.size(); ++i)
  {
    EXPECT_EQ(circles[i]["id"].number, static_cast<double>(i + 1));
    EXPECT_EQ(circles[i]["radius"].number, circles[0]["radius"].number);
    const TCGenPoint<double> c(circles[i]["centre"][0].number, circles[i]["centre"][1].number);
    double nearest = 1e9;
    for (const auto& t : truth)
      nearest = std::min(nearest, c.Distance(t));
    EXPECT_LE(nearest, 1.5);
  }
  EXPECT_NEAR(circles[0]["radius"].number, 40, 5);
  std::unique_ptr<TCPxImageBase> picture(TCPxIO::CreateImageFromFile(fs::path(annotated)));
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->GetWidth(), 640);
  EXPECT_EQ(picture->GetImageType(), ImageType24bit);

  const Result text = Run("detect-circles " + Quote(wells));
  EXPECT_NE(text.out.find("6 circles in"), std::string::npos) << text.out;

  // Several images: JSON Lines in input order; a blank image has no circle.
  const Result both = Run("detect-circles --json " + Quote(empty) + " " + Quote(wells));
  ASSERT_EQ(both.exitCode, 0) << both.err;
  std::istringstream lines(both.out);
  std::vector<mini_json::Value> records;
  for (std::string line; std::getline(lines, line);)
    records.push_back(mini_json::Parse(line));
  ASSERT_EQ(records.size(), 2u) << both.out;
  EXPECT_EQ(records[0]["count"].number, 0);
  EXPECT_EQ(records[1]["count"].number, 6);
  ExpectOneLineError(Run("detect-circles " + Quote(At("missing.png"))), 1);
}

// ---- resize and convert ---------------------------------------------------------------------

TEST_F(Tool, ResizeDoublingRepeatsEveryPixel)
{
  TCPx8bitImage image(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      image.SetPixel(x, y, static_cast<unsigned char>(10 * (y * 3 + x) + 5));
  ASSERT_TRUE(TCPxIO::SaveImage(image, fs::path(At("small.png"))));
  const Result r = Run("resize " + Quote(At("small.png")) + " " + Quote(At("big.png")) + " --width 6 --height 4");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::unique_ptr<TCPxImageBase> big(TCPxIO::CreateImageFromFile(fs::path(At("big.png"))));
  ASSERT_NE(big, nullptr);
  ASSERT_EQ(big->GetWidth(), 6);
  ASSERT_EQ(big->GetHeight(), 4);
  auto* grey = static_cast<TCPx8bitImage*>(big.get());
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(grey->GetPixel(x, y), image.GetPixel(x / 2, y / 2)) << x << "," << y;
}

TEST_F(Tool, ConvertThroughTheRawFormatKeepsGreyValues)
{
  const std::string scene = MakeScene();
  ASSERT_EQ(Run("convert " + Quote(scene) + " " + Quote(At("scene.rwf"))).exitCode, 0);
  std::unique_ptr<TCPxImageBase> raw(TCPxIO::CreateImageFromFile(fs::path(At("scene.rwf"))));
  ASSERT_NE(raw, nullptr);
  EXPECT_EQ(raw->GetImageType(), ImageTypeFloat);
  ASSERT_EQ(Run("convert " + Quote(At("scene.rwf")) + " " + Quote(At("back.png"))).exitCode, 0);
  std::unique_ptr<TCPxImageBase> original(TCPxIO::CreateImageFromFile(fs::path(scene)));
  std::unique_ptr<TCPxImageBase> back(TCPxIO::CreateImageFromFile(fs::path(At("back.png"))));
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(*back == *original);

  // Colour becomes its luminance on the way into the raw format.
  TCPx24bitImage colour(8, 4);
  colour.Fill(0x00204080);
  ASSERT_TRUE(TCPxIO::SaveImage(colour, fs::path(At("colour.png"))));
  ASSERT_EQ(Run("convert " + Quote(At("colour.png")) + " " + Quote(At("colour.rwf"))).exitCode, 0);
  std::unique_ptr<TCPxImageBase> floats(TCPxIO::CreateImageFromFile(fs::path(At("colour.rwf"))));
  ASSERT_NE(floats, nullptr);
  cv::Mat grey;
  cv::cvtColor(*colour.GetFullMatPtr(), grey, cv::COLOR_BGR2GRAY);
  EXPECT_FLOAT_EQ(floats->GetFullMatPtr()->at<float>(2, 3), grey.at<unsigned char>(2, 3));
}

// ---- runs over several images, version, library call ------------------------------------------

TEST_F(Tool, SeveralImagesGiveJsonLinesInInputOrderAndFailuresDoNotStopTheRun)
{
  const std::string scene = MakeScene();
  ASSERT_EQ(Run("synth " + Quote(At("seven.png")) + " --objects 7 --seed 5").exitCode, 0);
  {
    std::ofstream corrupt(At("corrupt.png"), std::ios::binary);
    corrupt << "\x89PNG\r\n\x1a\n not really";
  }
  const Result r = Run("objects --json " + Quote(scene) + " " + Quote(At("corrupt.png")) + " " + Quote(At("seven.png")));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err.find("images/s"), std::string::npos) << r.err; // not a terminal: no progress line
  std::istringstream lines(r.out);
  std::vector<mini_json::Value> records;
  for (std::string line; std::getline(lines, line);)
    records.push_back(mini_json::Parse(line));
  ASSERT_EQ(records.size(), 3u) << r.out;
  EXPECT_EQ(records[0]["file"].text, scene);
  EXPECT_EQ(records[0]["count"].number, 3);
  EXPECT_EQ(records[1]["file"].text, At("corrupt.png"));
  EXPECT_NE(records[1]["error"].text.find("corrupt.png"), std::string::npos);
  EXPECT_EQ(records[2]["count"].number, 7);

  // A folder stands for the image files in it, sorted by name.
  const Result folder = Run("info --json " + Quote(m_dir.string()));
  EXPECT_EQ(folder.exitCode, 1); // the corrupt file again
  EXPECT_EQ(std::count(folder.out.begin(), folder.out.end(), '\n'), 3) << folder.out;

  // With several images --annotate names a folder: one picture per image.
  fs::create_directories(At("one"));
  fs::copy_file(At("seven.png"), At("one/seven.png"));
  const Result annotated = Run("objects " + Quote(At("one")) + " --annotate " + Quote(At("pictures")));
  EXPECT_EQ(annotated.exitCode, 0) << annotated.err;
  EXPECT_TRUE(fs::exists(At("pictures/seven.png")));
}

TEST_F(Tool, VersionAndFilterWithEnumeratedSecondParameter)
{
  const Result version = Run("--version");
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, std::string("pixolan ") + PIXOLAN_VERSION + "\n");

  // Rows 0, 10, 20, ... : the vertical central difference is 10 inside, the horizontal one 0.
  TCPx8bitImage ramp(6, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x)
      ramp.GetFullMatPtr()->at<unsigned char>(y, x) = static_cast<unsigned char>(10 * y);
  ASSERT_TRUE(TCPxIO::SaveImage(ramp, fs::path(At("ramp.png"))));
  const Result r = Run("filter Gradient " + Quote(At("ramp.png")) + " " + Quote(At("grad.png")) +
                       " --param type=GradientVertical");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::unique_ptr<TCPxImageBase> out(TCPxIO::CreateImageFromFile(fs::path(At("grad.png"))));
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->GetFullMatPtr()->at<unsigned char>(2, 3), 10);
  ExpectOneLineError(Run("filter Gradient " + Quote(At("ramp.png")) + " " + Quote(At("g.png")) +
                         " --param type=Diagonal"),
                     2);
}

TEST_F(Tool, ObjectsOfTheBundledSampleAreTheLibraryCallsObjects)
{
  const Result r = Run("objects --json " + Quote(PIXOLAN_SAMPLE));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto json = mini_json::Parse(r.out);
  std::unique_ptr<TCPxImageBase> image(TCPxIO::CreateImageFromFile(fs::path(PIXOLAN_SAMPLE)));
  ASSERT_NE(image, nullptr);
  const TCPxObjectList found = TCPxObjectFinder::FindObjects(*image, TCPxObjectSettings{});
  EXPECT_EQ(json["threshold"].number, found.threshold);
  ASSERT_GT(found.objects.size(), 5u);
  ASSERT_EQ(json["objects"].items.size(), found.objects.size());
  for (std::size_t i = 0; i < found.objects.size(); ++i)
  {
    const auto& o = json["objects"][i];
    EXPECT_EQ(o["area"].number, found.objects[i].area) << i;
    EXPECT_DOUBLE_EQ(o["centre"][0].number, found.objects[i].centre.GetX()) << i;
    EXPECT_DOUBLE_EQ(o["centre"][1].number, found.objects[i].centre.GetY()) << i;
    EXPECT_EQ(o["bounding_box"]["left"].number, found.objects[i].box.GetLeft()) << i;
  }
}

// ---- detect-wells ---------------------------------------------------------------------------

TEST_F(Tool, DetectWellsFindsTheSynthesisedPlateAndReportsAMissingOne)
{
  // 480 x 360, 4 x 6 wells: pitch 0.85 * min(480 / 6, 360 / 4) = 68 about the centre (240, 180).
  const std::string plate = At("plate.png");
  ASSERT_EQ(Run("synth " + Quote(plate) + " --plate 4x6 --width 480 --height 360 --seed 4").exitCode, 0);
  ASSERT_EQ(Run("synth " + Quote(At("again.png")) + " --plate 4x6 --width 480 --height 360 --seed 4").exitCode, 0);
  EXPECT_EQ(ReadText(plate), ReadText(At("again.png")));

  const Result r = Run("detect-wells --json " + Quote(plate) + " --rows 4 --cols 6 --annotate " +
                       Quote(At("wells.png")));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const mini_json::Value json = mini_json::Parse(r.out);
  EXPECT_EQ(json["width"].number, 480);
  EXPECT_TRUE(json["found"].boolean);
  EXPECT_EQ(json["model"].text, "circle");
  EXPECT_NEAR(json["grid"]["centre"][0].number, 240, 1.5);
  EXPECT_NEAR(json["grid"]["pitch"][1].number, 68, 0.35);
  EXPECT_NEAR(json["grid"]["radius"].number, 0.38 * 68, 1.5);
  ASSERT_EQ(json["wells"].items.size(), 24u);
  const mini_json::Value& last = json["wells"][23];
  EXPECT_EQ(last["row"].number, 3);
  EXPECT_EQ(last["col"].number, 5);
  EXPECT_NEAR(last["centre"][0].number, 240 + 2.5 * 68, 6.8);
  EXPECT_NEAR(last["centre"][1].number, 180 + 1.5 * 68, 6.8);
  EXPECT_GE(json["time_ms"].number, 0);
  // Both models were tried (the default): the circles' outlines lie on stronger edges.
  ASSERT_TRUE(json.Has("scores"));
  EXPECT_GT(json["scores"]["circle"].number, json["scores"]["square"].number);
  std::unique_ptr<TCPxImageBase> annotated(TCPxIO::CreateImageFromFile(fs::path(At("wells.png"))));
  ASSERT_TRUE(annotated);
  EXPECT_EQ(annotated->GetWidth(), 480);

  // Other counts: no circular plate, and no error.
  const Result none = Run("detect-wells --json " + Quote(plate) + " --rows 4 --cols 5 --shape circle");
  ASSERT_EQ(none.exitCode, 0) << none.err;
  const mini_json::Value missing = mini_json::Parse(none.out);
  EXPECT_FALSE(missing["found"].boolean);
  EXPECT_EQ(missing["model"].text, "none");
  EXPECT_TRUE(missing["wells"].items.empty());
  const Result text = Run("detect-wells " + Quote(plate) + " --rows 4 --cols 5 --shape circle");
  EXPECT_NE(text.out.find("no plate of 4 x 5 wells found"), std::string::npos) << text.out;

  // Several images: one line each, a failing image as an error object, exit 1.
  const Result several = Run("detect-wells --json " + Quote(plate) + " " + Quote(At("missing.png")) +
                             " --rows 4 --cols 6 --min-span 1");
  EXPECT_EQ(several.exitCode, 1);
  std::istringstream lines(several.out);
  std::string first, second;
  std::getline(lines, first);
  std::getline(lines, second);
  EXPECT_TRUE(mini_json::Parse(first)["found"].boolean);
  EXPECT_TRUE(mini_json::Parse(second).Has("error"));

  ExpectOneLineError(Run("detect-wells " + Quote(plate) + " --rows 0 --cols 6"), 2);
  ExpectOneLineError(Run("detect-wells " + Quote(plate) + " --rows 4"), 2);
  ExpectOneLineError(Run("detect-wells " + Quote(plate) + " --rows 4 --cols 6 --shape hexagon"), 2);
  ExpectOneLineError(Run("detect-wells " + Quote(plate) + " --rows 4 --cols 6 --min-span 0"), 2);
  ExpectOneLineError(Run("detect-wells " + Quote(At("missing.png")) + " --rows 4 --cols 6"), 1);
  ExpectOneLineError(Run("synth " + Quote(At("p.png")) + " --plate 4by6"), 2);
  ExpectOneLineError(Run("synth " + Quote(At("p.png")) + " --plate 100x100 --width 64 --height 64"), 2);
}

TEST_F(Tool, DetectWellsChoosesSquareWellsAndReportsHowClearly)
{
  // 480 x 360, 4 x 6 square wells: pitch 68 about (240, 180), half size 0.478 * 68.
  const std::string plate = At("square.png");
  ASSERT_EQ(Run("synth " + Quote(plate) + " --plate 4x6 --width 480 --height 360 --seed 4 --wells square").exitCode, 0);
  const Result r = Run("detect-wells --json " + Quote(plate) + " --rows 4 --cols 6 --shape auto --annotate " +
                       Quote(At("square-wells.png")));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const mini_json::Value json = mini_json::Parse(r.out);
  ASSERT_TRUE(json["found"].boolean);
  EXPECT_EQ(json["model"].text, "square");
  const mini_json::Value& grid = json["grid"];
  EXPECT_NEAR(grid["centre"][0].number, 240, 1.5);
  EXPECT_NEAR(grid["centre"][1].number, 180, 1.5);
  EXPECT_NEAR(grid["pitch"][0].number, 68, 0.015 * 68);
  EXPECT_NEAR(grid["pitch"][1].number, 68, 0.015 * 68);
  EXPECT_NEAR(grid["half_size"][0].number, 0.478 * 68, 2);
  EXPECT_NEAR(grid["half_size"][1].number, 0.478 * 68, 2);
  EXPECT_FALSE(grid.Has("radius"));
  EXPECT_GT(json["scores"]["square"].number, json["scores"]["circle"].number);
  ASSERT_EQ(json["wells"].items.size(), 24u);
  EXPECT_NEAR(json["wells"][0]["centre"][0].number, 240 - 2.5 * 68, 3);
  EXPECT_TRUE(fs::exists(At("square-wells.png")));

  // One model asked for: no scores. The square model alone finds the same grid.
  const mini_json::Value square = mini_json::Parse(Run("detect-wells --json " + Quote(plate) +
                                                       " --rows 4 --cols 6 --shape square").out);
  EXPECT_EQ(square["model"].text, "square");
  EXPECT_FALSE(square.Has("scores"));
  EXPECT_EQ(square["grid"]["pitch"][0].number, grid["pitch"][0].number);
  const mini_json::Value circle = mini_json::Parse(Run("detect-wells --json " + Quote(plate) +
                                                       " --rows 4 --cols 6 --shape circle").out);
  EXPECT_FALSE(circle.Has("scores"));
  EXPECT_NE(circle["model"].text, "square");
  const Result text = Run("detect-wells " + Quote(plate) + " --rows 4 --cols 6");
  EXPECT_NE(text.out.find("4 x 6 square wells"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("edge scores"), std::string::npos) << text.out;
}

TEST_F(Tool, TheMainJobFindsTheBundledPlate)
{
  const Result r = Run("detect-wells --json " + Quote(PIXOLAN_PLATE_SAMPLE) + " --rows 8 --cols 12 --shape auto");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const mini_json::Value json = mini_json::Parse(r.out);
  ASSERT_TRUE(json["found"].boolean);
  EXPECT_EQ(json["model"].text, "circle");
  // Made by `synth --plate 8x12` at 800 x 600: pitch 0.85 * 800 / 12, centred.
  EXPECT_NEAR(json["grid"]["centre"][0].number, 400, 1.5);
  EXPECT_NEAR(json["grid"]["centre"][1].number, 300, 1.5);
  EXPECT_NEAR(json["grid"]["pitch"][0].number, 0.85 * 800 / 12, 0.3);
  EXPECT_EQ(json["wells"].items.size(), 96u);
}
