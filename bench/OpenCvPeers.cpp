// The library peers of the filters, timed on the same 1920x1080 frames in the same run: OpenCV's
// nearest equivalents, single-threaded, reading the frame in place through its pitch and
// writing into a frame-sized destination made once. Packed formats are one matrix of 3, 4 or
// 2 channels; planar formats apply the operation to the luma plane and copy the chroma planes,
// as the filters write a whole frame. Built only when OpenCV is installed.
#ifdef TINTARA_HAVE_OPENCV

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <functional>
#include <string>
#include <vector>

#include "bench/BenchHost.h"

namespace tintara::bench {
namespace {

struct Planes {
  std::vector<cv::Mat> mats;  // one for packed formats, Y, U, V for planar ones
};

int TypeOf(int pixel_type) {
  switch (pixel_type) {
    case VideoInfo::CS_BGR24: return CV_8UC3;
    case VideoInfo::CS_BGR32: return CV_8UC4;
    case VideoInfo::CS_YUY2: return CV_8UC2;
    default: return CV_8UC1;
  }
}

Planes Wrap(const PVideoFrame& f, int pixel_type) {
  Planes p;
  // OpenCV wants a writable pointer; the sources are only read.
  auto* y = const_cast<BYTE*>(f->GetReadPtr());
  p.mats.emplace_back(kHeight, kWidth, TypeOf(pixel_type), y, static_cast<size_t>(f->GetPitch()));
  if (f->GetPitch(PLANAR_U))
    for (int plane : {PLANAR_U, PLANAR_V})
      p.mats.emplace_back(kHeight / 2, kWidth / 2, CV_8UC1, const_cast<BYTE*>(f->GetReadPtr(plane)),
                          static_cast<size_t>(f->GetPitch(plane)));
  return p;
}

using Operation = std::function<void(const cv::Mat& src, cv::Mat& dst)>;

// Times `op` on the main plane of the test picture (and a copy of the chroma planes).
void Peer(benchmark::State& state, int pixel_type, const Operation& op) {
  cv::setNumThreads(0);
  const PClip picture = TestPicture(pixel_type);
  const PVideoFrame frame = picture->GetFrame(0, &Env());
  const Planes src = Wrap(frame, pixel_type);
  std::vector<cv::Mat> dst(src.mats.size());
  for (size_t i = 1; i < src.mats.size(); ++i) dst[i].create(src.mats[i].size(), src.mats[i].type());
  for (auto _ : state) {
    op(src.mats[0], dst[0]);
    for (size_t i = 1; i < src.mats.size(); ++i) src.mats[i].copyTo(dst[i]);
    benchmark::DoNotOptimize(dst[0].data);
  }
  ReportMegapixels(state);
}

// The ellipse of the region filters' benchmarks as a mask: about half the frame.
const cv::Mat& EllipseMask() {
  static const cv::Mat mask = [] {
    cv::Mat m = cv::Mat::zeros(kHeight, kWidth, CV_8UC1);
    cv::ellipse(m, cv::Point(kWidth / 2, kHeight / 2), cv::Size(kWidth * 2 / 5, kHeight * 2 / 5), 0, 0, 360,
                cv::Scalar(255), cv::FILLED);
    return m;
  }();
  return mask;
}

void InRange(const cv::Mat& s, cv::Mat& d) { cv::inRange(s, cv::Scalar::all(20), cv::Scalar::all(60), d); }
void Erode(const cv::Mat& s, cv::Mat& d) { cv::erode(s, d, cv::Mat()); }
void Dilate(const cv::Mat& s, cv::Mat& d) { cv::dilate(s, d, cv::Mat()); }
void Open(const cv::Mat& s, cv::Mat& d) { cv::morphologyEx(s, d, cv::MORPH_OPEN, cv::Mat()); }
void Close(const cv::Mat& s, cv::Mat& d) { cv::morphologyEx(s, d, cv::MORPH_CLOSE, cv::Mat()); }

// Gradient magnitude as |dx| + |dy| of the 3x3 Sobel operator, saturated to bytes.
void SobelMagnitude(const cv::Mat& s, cv::Mat& d) {
  thread_local cv::Mat gx, gy, ax, ay;
  cv::Sobel(s, gx, CV_16S, 1, 0, 3);
  cv::Sobel(s, gy, CV_16S, 0, 1, 3);
  cv::convertScaleAbs(gx, ax);
  cv::convertScaleAbs(gy, ay);
  cv::add(ax, ay, d);
}

void Laplacian(const cv::Mat& s, cv::Mat& d) {
  thread_local cv::Mat l;
  cv::Laplacian(s, l, CV_16S, 1);
  cv::convertScaleAbs(l, d);
}

// Shift and Stretch change the picture inside a shape: a copy of the frame with the shape's
// pixels added to or scaled.
void AddMasked(const cv::Mat& s, cv::Mat& d) {
  s.copyTo(d);
  cv::add(s, cv::Scalar::all(20), d, EllipseMask());
}

void MultiplyMasked(const cv::Mat& s, cv::Mat& d) {
  thread_local cv::Mat scaled;
  s.copyTo(d);
  cv::multiply(s, cv::Scalar::all(1.2), scaled);
  scaled.copyTo(d, EllipseMask());
}

// A region covering the whole frame, flooded from its centre in a fresh copy of the mask (the
// filters flood a private copy too). RGB24 floods the three-channel frame; the other formats a
// plane of samples (floodFill takes one or three channels only).
void FloodFill(benchmark::State& state, int pixel_type, int connectivity) {
  cv::setNumThreads(0);
  const int type = pixel_type == VideoInfo::CS_BGR24 ? CV_8UC3 : CV_8UC1;
  const cv::Mat zeros = cv::Mat::zeros(kHeight, kWidth, type);
  cv::Mat work;
  for (auto _ : state) {
    zeros.copyTo(work);
    cv::floodFill(work, cv::Point(kWidth / 2, kHeight / 2), cv::Scalar::all(128), nullptr, cv::Scalar(), cv::Scalar(),
                  connectivity);
    benchmark::DoNotOptimize(work.data);
  }
  ReportMegapixels(state);
}

const int registered = [] {
  const std::vector<std::pair<const char*, Operation>> operations = {
      {"cv-inRange/", InRange},
      {"cv-erode/", Erode},
      {"cv-dilate/", Dilate},
      {"cv-open/", Open},
      {"cv-close/", Close},
      {"cv-GaussianBlur/3/", [](const cv::Mat& s, cv::Mat& d) { cv::GaussianBlur(s, d, cv::Size(3, 3), 0); }},
      {"cv-GaussianBlur/11/", [](const cv::Mat& s, cv::Mat& d) { cv::GaussianBlur(s, d, cv::Size(11, 11), 0); }},
      {"cv-Sobel/", SobelMagnitude},
      {"cv-Laplacian/", Laplacian},
      {"cv-add/", AddMasked},
      {"cv-multiply/", MultiplyMasked},
  };
  for (const BenchFormat& f : Formats()) {
    for (const auto& [prefix, op] : operations)
      benchmark::RegisterBenchmark((prefix + std::string(f.name)).c_str(), Peer, f.pixel_type, op);
    benchmark::RegisterBenchmark((std::string("cv-floodFill/") + f.name).c_str(), FloodFill, f.pixel_type, 4);
    benchmark::RegisterBenchmark((std::string("cv-floodFill8/") + f.name).c_str(), FloodFill, f.pixel_type, 8);
  }
  return 0;
}();

}  // namespace
}  // namespace tintara::bench

#endif  // TINTARA_HAVE_OPENCV
