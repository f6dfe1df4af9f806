#include "entry/driver_info.h"

#include <array>
#include <string_view>

#include "core/driver_state.h"

namespace zan {
namespace {

constexpr int kBannerWidth = 63;
constexpr int kBannerInner = kBannerWidth - 2;

// Code page 437 box and shade characters.
constexpr char kVertical = '\xB3';
constexpr char kHorizontal = '\xC4';
constexpr char kTopLeft = '\xDA';
constexpr char kTopRight = '\xBF';
constexpr char kBottomLeft = '\xC0';
constexpr char kBottomRight = '\xD9';
constexpr char kFull = '\xDB';
constexpr char kDark = '\xB2';
constexpr char kMedium = '\xB1';
constexpr char kLight = '\xB0';

class BannerBuilder {
 public:
  constexpr void Put(char c, int times = 1) {
    for (int i = 0; i < times; ++i)
      text_[length_++] = c;
  }
  constexpr void Put(std::string_view s) {
    for (char c : s)
      text_[length_++] = c;
  }
  // A line framed by the vertical bar: `indent` blanks, the text, blanks up to the inner width.
  constexpr void FramedLine(int indent, std::string_view s) {
    Put(kVertical);
    Put(' ', indent);
    Put(s);
    Put(' ', kBannerInner - indent - static_cast<int>(s.size()));
    Put(kVertical);
    Put('\n');
  }
  constexpr int length() const { return length_; }
  constexpr const std::array<char, kBannerBytes + 1>& text() const { return text_; }

 private:
  std::array<char, kBannerBytes + 1> text_{};
  int length_ = 0;
};

constexpr BannerBuilder BuildBanner() {
  BannerBuilder b;
  b.Put('\n');

  b.Put(kTopLeft);
  b.Put(kHorizontal, kBannerInner);
  b.Put(kTopRight);
  b.Put('\n');

  b.Put(kVertical);
  b.Put(' ');
  b.Put(kFull, 5);
  b.Put(kDark, 6);
  b.Put(kMedium, 6);
  b.Put(kLight, 6);
  b.Put(" Z A N D O R ");
  b.Put(kLight, 6);
  b.Put(kMedium, 6);
  b.Put(kDark, 6);
  b.Put(kFull, 5);
  b.Put(' ');
  b.Put(kVertical);
  b.Put('\n');

  b.FramedLine(11, "SIEMENS SIMATIC S5, Driver installed.");
  b.FramedLine(9, "Siemens SIMATIC S5 & S7 family, TCP/IP");
  b.FramedLine(7, "ZanDOR S5/S7 TCP/IP driver, Version 8.00");

  b.Put(kBottomLeft);
  b.Put(kHorizontal, kBannerInner);
  b.Put(kBottomRight);
  b.Put('\n');
  return b;
}

constexpr BannerBuilder kBanner = BuildBanner();
static_assert(kBanner.length() == kBannerBytes, "the banner is one line feed and six lines");

}  // namespace

const char* InstallationBanner() {
  return kBanner.text().data();
}

int32_t GetDriverInfo(ZanRequest* request) {
  auto* info = static_cast<DriverInfo*>(request->argument);
  if (info == nullptr) return kResultRefused;
  info->infoCode = 82;
  info->driverName = kDriverName;
  info->banner = InstallationBanner();
  info->stateSize = static_cast<int32_t>(sizeof(DriverState));
  info->infoFlag = 1;
  info->infoValue = 35;
  return kResultDone;
}

}  // namespace zan
