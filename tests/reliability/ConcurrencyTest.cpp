// Every filter asked for its frames from eight threads at once, in random orders, gives the
// bytes a sequential run gives; and frames a filter did not set never show through.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <thread>

#include "runtime/CacheClip.h"
#include "tests/support/SampleCalls.h"

namespace tintara::testing {
namespace {

constexpr int kWidth = 38, kHeight = 26, kFrames = 12;

// Every byte of every row (not the padding) of a frame.
std::string Bytes(const PVideoFrame& f) {
  std::string out;
  for (int plane : {PLANAR_Y, PLANAR_U, PLANAR_V}) {
    if (plane != PLANAR_Y && f->GetPitch(PLANAR_U) == 0) break;
    for (int y = 0; y < f->GetHeight(plane); ++y)
      out.append(reinterpret_cast<const char*>(f->GetReadPtr(plane)) + static_cast<long>(y) * f->GetPitch(plane),
                 f->GetRowSize(plane));
  }
  return out;
}

// The filter behind the host's cache, so that every request really computes a frame.
PClip Uncached(const PClip& c) {
  auto* cache = dynamic_cast<CacheClip*>(c.get());
  return cache ? cache->Child() : c;
}

bool Applies(const SampleCall& call, int pixel_type) {
  return call.formats.empty() || std::find(call.formats.begin(), call.formats.end(), pixel_type) != call.formats.end();
}

class SampleCallsInAllFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(SampleCallsInAllFormats, EightThreadsInRandomOrderMatchASequentialRun) {
  for (const SampleCall& call : SampleCalls()) {
    if (!Applies(call, GetParam().pixel_type)) continue;
    SCOPED_TRACE(call.label);
    TestHost host;
    const SampleClips clips = MakeSampleClips(host, GetParam().pixel_type, kWidth, kHeight, kFrames);
    const PClip filter = Uncached(host.Apply(call.filter, call.args(clips)));
    ASSERT_TRUE(filter);
    std::vector<std::string> expected;
    for (int n = 0; n < kFrames; ++n) expected.push_back(Bytes(filter->GetFrame(n, &host.Env())));

    std::vector<std::string> failures(8);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
      threads.emplace_back([&, t] {
        std::vector<int> order;
        for (int round = 0; round < 3; ++round)
          for (int n = 0; n < kFrames; ++n) order.push_back(n);
        std::shuffle(order.begin(), order.end(), std::mt19937(1234 + t));
        for (int n : order)
          if (Bytes(filter->GetFrame(n, &host.Env())) != expected[static_cast<size_t>(n)])
            failures[static_cast<size_t>(t)] += " " + std::to_string(n);
      });
    for (auto& th : threads) th.join();
    for (int t = 0; t < 8; ++t) EXPECT_EQ(failures[static_cast<size_t>(t)], "") << "thread " << t << " frames differ";
  }
}

TEST_P(SampleCallsInAllFormats, NoOutputByteDependsOnWhatANewFrameHeld) {
  for (const SampleCall& call : SampleCalls()) {
    if (!Applies(call, GetParam().pixel_type)) continue;
    SCOPED_TRACE(call.label);
    std::vector<std::string> runs;
    for (uint8_t poison : {0x00, 0xFF, 0x5A}) {
      TestHost host(poison);
      const SampleClips clips = MakeSampleClips(host, GetParam().pixel_type, kWidth, kHeight, kFrames);
      const PClip filter = host.Apply(call.filter, call.args(clips));
      ASSERT_TRUE(filter);
      std::string all;
      for (int n = 0; n < kFrames; ++n) all += Bytes(filter->GetFrame(n, &host.Env()));
      runs.push_back(all);
    }
    EXPECT_TRUE(runs[0] == runs[1] && runs[1] == runs[2]);
  }
}

// A host clamps frame numbers before it asks a filter; a filter asked directly with any number
// must still stay inside its frames (its own requests are clamped by its children's host side).
TEST_P(SampleCallsInAllFormats, HostileFrameNumbersAreHandledSafely) {
  for (const SampleCall& call : SampleCalls()) {
    if (!Applies(call, GetParam().pixel_type)) continue;
    SCOPED_TRACE(call.label);
    TestHost host;
    const SampleClips clips = MakeSampleClips(host, GetParam().pixel_type, kWidth, kHeight, kFrames);
    const PClip cached = host.Apply(call.filter, call.args(clips));
    ASSERT_TRUE(cached);
    EXPECT_EQ(Bytes(cached->GetFrame(-1000, &host.Env())), Bytes(cached->GetFrame(0, &host.Env())));
    EXPECT_EQ(Bytes(cached->GetFrame(1 << 30, &host.Env())), Bytes(cached->GetFrame(kFrames - 1, &host.Env())));
    const PClip filter = Uncached(cached);
    for (int n : {-1000, -1, kFrames, 1 << 30, INT32_MIN, INT32_MAX})
      EXPECT_TRUE(filter->GetFrame(n, &host.Env())) << n;
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, SampleCallsInAllFormats, ::testing::ValuesIn(AllFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintara::testing
