// Interchange records and the component objects over contours and images.
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <pixolan/analysis/TCPxComUtils.h>
#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx32bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>

namespace
{
const std::vector<cv::Point> kPoints = {{3, 4}, {20, 4}, {20, 15}, {9, 18}};
const TCGenRect<int> kRoi(5, 6, 45, 36);

std::vector<cv::Point> PointsOf(const TCPxContour& contour)
{
  return contour.GetPoints();
}

/// An ITCPxContour whose answers the test chooses.
class ScriptedContour : public ITCPxContour
{
public:
  int count = 2;
  int failingPoint = -1;
  bool roiFails = false;
  HRESULT QueryInterface(REFIID, void** ppv) override { return ppv ? E_NOINTERFACE : E_POINTER; }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  HRESULT GetPointCount(int* n) override
  {
    *n = count;
    return count == -7 ? E_FAIL : S_OK;
  }
  HRESULT GetPoint(int index, POINT* p) override
  {
    *p = POINT{index, 2 * index};
    return index == failingPoint ? E_FAIL : S_OK;
  }
  HRESULT GetROI(RECT* r) override
  {
    *r = RECT{1, 2, 3, 4};
    return roiFails ? E_FAIL : S_OK;
  }
  std::atomic<ULONG> refs{1};
};
} // namespace

TEST(ComContour, RecordsAndInterfaceRoundTripPointsAndRoi)
{
  auto contour = std::make_shared<TCPxContour>(kPoints, kRoi);
  tagTCIdtPxContour record{};
  std::vector<POINT> storage;
  TCPxComUtils::ConvertN2CContour(contour, &record, &storage);
  ASSERT_EQ(record.count, 4);
  EXPECT_EQ(record.points, storage.data());
  EXPECT_EQ(record.points[1].x, 20);
  EXPECT_EQ(record.points[3].y, 18);
  EXPECT_EQ(record.left, 5);
  EXPECT_EQ(record.bottom, 36);

  auto back = TCPxComUtils::ConvertC2NContour(record);
  ASSERT_TRUE(back);
  EXPECT_EQ(PointsOf(*back), kPoints);
  EXPECT_EQ(back->GetROIRect(), kRoi);

  CComPtr<ITCPxContour> com = TCPxComUtils::MakeComContour(contour);
  ASSERT_TRUE(com);
  auto viaCom = TCPxComUtils::MakePxContour(com);
  ASSERT_TRUE(viaCom);
  EXPECT_EQ(PointsOf(*viaCom), kPoints);
  EXPECT_EQ(viaCom->GetROIRect(), kRoi);

  POINT p{};
  EXPECT_EQ(com->GetPoint(-1, &p), E_FAIL);
  EXPECT_EQ(com->GetPoint(4, &p), E_FAIL);
  EXPECT_EQ(com->GetPoint(3, &p), S_OK);
  EXPECT_EQ(p.x, 9);
  EXPECT_EQ(com->GetPoint(0, nullptr), E_POINTER);
  EXPECT_EQ(com->GetPointCount(nullptr), E_POINTER);
  EXPECT_EQ(com->GetROI(nullptr), E_POINTER);

  // A null contour: an all-zero record, and an object that has nothing.
  TCPxComUtils::ConvertN2CContour(nullptr, &record, &storage);
  EXPECT_EQ(record.count, 0);
  EXPECT_EQ(record.points, nullptr);
  EXPECT_EQ(record.right, 0);
  CComPtr<ITCPxContour> empty = TCPxComUtils::MakeComContour(nullptr);
  int n = -1;
  RECT roi{1, 1, 1, 1};
  EXPECT_EQ(empty->GetPointCount(&n), S_OK);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(empty->GetPoint(0, &p), E_FAIL);
  EXPECT_EQ(empty->GetROI(&roi), S_OK);
  EXPECT_EQ(roi.left | roi.top | roi.right | roi.bottom, 0);
}

TEST(ComContour, IdentityQueriesAndLastReleaseFreeTheContour)
{
  std::weak_ptr<const TCPxContour> watch;
  {
    auto contour = std::make_shared<const TCPxContour>(kPoints, kRoi);
    watch = contour;
    CComPtr<ITCPxContour> com = TCPxComUtils::MakeComContour(contour);
    contour.reset();
    ASSERT_FALSE(watch.expired());

    CComPtr<IUnknown> unknown;
    ASSERT_EQ(com->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    CComPtr<ITCPxContour> again;
    ASSERT_EQ(unknown->QueryInterface(IID_ITCPxContour, reinterpret_cast<void**>(&again)), S_OK);
    EXPECT_EQ(again.get(), com.get());
    int marker = 0;
    void* none = &marker;
    EXPECT_EQ(com->QueryInterface(IID_ITCPxImage, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(com->QueryInterface(IID_ITCPxContour, nullptr), E_POINTER);

    // The holder from MakeComContour has exactly one reference of its own.
    unknown.Release();
    again.Release();
    com->AddRef();
    EXPECT_EQ(com->Release(), 1u);
  }
  EXPECT_TRUE(watch.expired());

  std::weak_ptr<const TCPxByteImage> image;
  {
    auto grey = std::make_shared<const TCPx8bitImage>(8, 8);
    image = grey;
    CComPtr<ITCPxImage> com = TCPxComUtils::MakeComImage(grey);
    grey.reset();
    int marker = 0;
    void* none = &marker;
    EXPECT_EQ(com->QueryInterface(IID_ITCPxContour, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_FALSE(image.expired());
  }
  EXPECT_TRUE(image.expired());
}

TEST(ComImage, RecordsRoundTripAndPeerStridesAreHonoured)
{
  TCPx8bitImage image(37, 5);
  cv::randu(*image.GetFullMatPtr(), 0, 256);
  tagTCIdtPxImage record{};
  TCPxComUtils::ConvertN2CImage8bit(image, &record);
  EXPECT_EQ(record.kind, 0);
  EXPECT_EQ(record.width, 37);
  EXPECT_EQ(record.height, 5);
  EXPECT_EQ(record.buffer, image.GetBuffer());
  EXPECT_EQ(record.bufferSize, image.GetBufferSize());
  EXPECT_EQ(record.stride, image.GetStepSize());
  auto back = TCPxComUtils::ConvertC2NImage8bit(record);
  ASSERT_TRUE(back);
  EXPECT_TRUE(*back == image);

  // A narrow image from a peer whose rows are 64 bytes apart: the rows are
  // copied at that stride, not read as several bytes per pixel.
  std::vector<BYTE> peer(64 * 3, 0xAB);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 10; ++x)
      peer[64 * y + x] = static_cast<BYTE>(10 * y + x);
  auto narrow = TCPxComUtils::ConvertC2NImage8bit(tagTCIdtPxImage{0, 10, 3, peer.data(), 64 * 3, 64});
  ASSERT_TRUE(narrow);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 10; ++x)
      EXPECT_EQ(narrow->GetFullMatPtr()->at<unsigned char>(y, x), 10 * y + x);

  // The interface: kinds, size and the image's own buffer.
  auto colour = std::make_shared<const TCPx24bitImage>(6, 4);
  auto quad = std::make_shared<const TCPx32bitImage>(6, 4);
  auto grey = std::shared_ptr<const TCPx8bitImage>(std::move(back));
  int kind = -9, width = 0, height = 0, size = 0, stride = 0;
  BYTE* buffer = nullptr;
  EXPECT_EQ(TCPxComUtils::MakeComImage(grey)->GetKind(&kind), S_OK);
  EXPECT_EQ(kind, 0);
  TCPxComUtils::MakeComImage(colour)->GetKind(&kind);
  EXPECT_EQ(kind, 2);
  TCPxComUtils::MakeComImage(quad)->GetKind(&kind);
  EXPECT_EQ(kind, 3);
  CComPtr<ITCPxImage> com = TCPxComUtils::MakeComImage(colour);
  EXPECT_EQ(com->GetWidth(&width), S_OK);
  EXPECT_EQ(com->GetHeight(&height), S_OK);
  EXPECT_EQ(com->GetBuffer(&size, &stride, &buffer), S_OK);
  EXPECT_EQ(width, 6);
  EXPECT_EQ(height, 4);
  EXPECT_EQ(size, colour->GetBufferSize());
  EXPECT_EQ(stride, colour->GetStepSize());
  EXPECT_EQ(buffer, colour->GetBuffer());
  EXPECT_EQ(com->GetBuffer(&size, nullptr, &buffer), E_POINTER);
  EXPECT_EQ(com->GetKind(nullptr), E_POINTER);

  CComPtr<ITCPxImage> nothing = TCPxComUtils::MakeComImage(nullptr);
  EXPECT_EQ(nothing->GetKind(&kind), E_FAIL);
  EXPECT_EQ(nothing->GetWidth(&width), E_FAIL);
  EXPECT_EQ(nothing->GetHeight(&height), E_FAIL);
  EXPECT_EQ(nothing->GetBuffer(&size, &stride, &buffer), E_FAIL);
}

TEST(ComRecords, UnreadableRecordsAndInterfacesGiveNull)
{
  POINT points[2] = {{1, 2}, {3, 4}};
  EXPECT_FALSE(TCPxComUtils::ConvertC2NContour(tagTCIdtPxContour{0, points, 0, 0, 0, 0}));
  EXPECT_FALSE(TCPxComUtils::ConvertC2NContour(tagTCIdtPxContour{-3, points, 0, 0, 0, 0}));
  EXPECT_FALSE(TCPxComUtils::ConvertC2NContour(tagTCIdtPxContour{2, nullptr, 0, 0, 0, 0}));

  std::vector<BYTE> bytes(100, 1);
  BYTE* b = bytes.data();
  const tagTCIdtPxImage bad[] = {
      {0, 10, 10, nullptr, 100, 10}, // no buffer
      {1, 10, 10, b, 100, 10},       // not grey
      {0, 0, 10, b, 100, 10},        // no width
      {0, 10, -1, b, 100, 10},       // negative height
      {0, 10, 10, b, 100, 9},        // rows narrower than the image
      {0, 10, 10, b, 99, 10},        // one byte short of the last row
      {0, 10, 2, b, 100, -10},       // negative stride
  };
  for (const tagTCIdtPxImage& record : bad)
    EXPECT_FALSE(TCPxComUtils::ConvertC2NImage8bit(record)) << record.kind << " " << record.width << "x"
                                                           << record.height << " " << record.stride;
  // The last row needs only the image's width, not a whole stride.
  EXPECT_TRUE(TCPxComUtils::ConvertC2NImage8bit(tagTCIdtPxImage{0, 10, 2, b, 30, 20}));

  EXPECT_FALSE(TCPxComUtils::MakePxContour(CComPtr<ITCPxContour>()));
  ScriptedContour peer;
  CComPtr<ITCPxContour> held(&peer);
  peer.count = -7; // the count cannot be read
  EXPECT_FALSE(TCPxComUtils::MakePxContour(held));
  peer.count = -1;
  EXPECT_FALSE(TCPxComUtils::MakePxContour(held));
  peer.count = 3;
  peer.failingPoint = 2; // never a partial contour
  EXPECT_FALSE(TCPxComUtils::MakePxContour(held));
  peer.failingPoint = -1;
  peer.roiFails = true; // the points alone, ROI left empty
  auto partial = TCPxComUtils::MakePxContour(held);
  ASSERT_TRUE(partial);
  EXPECT_EQ(PointsOf(*partial), (std::vector<cv::Point>{{0, 0}, {1, 2}, {2, 4}}));
  EXPECT_EQ(partial->GetROIRect(), TCGenRect<int>());
  held.Release();
  EXPECT_EQ(peer.refs.load(), 1u);
}
