// The server's requests about one frame of a clip: its picture, a pixel's bytes and a seed's
// region.
#include <nlohmann/json.hpp>

#include "cli/serve/Replies.h"
#include "cli/serve/SeedPreview.h"
#include "cli/serve/Server.h"
#include "runtime/builtins/Formats.h"
#include "runtime/io/Png.h"
#include "runtime/script/Syntax.h"

namespace tintara::serve {

using nlohmann::json;

namespace {

// A page zoomed out asks for every step-th pixel only: the browser would drop the others when
// drawing, and moving a 1080p frame's 8 MB into the page is most of the time it takes to show.
constexpr int kMaxStep = 16;
// A seed region's runs are sent only up to this many (a ragged region may have a run per pixel).
constexpr size_t kMaxRunValues = 3 * 200000;

// The frame's picture as a PNG (zlib's default level).
bool EncodePicture(const ShownFrame& frame, std::vector<uint8_t>* png, std::string* why) {
  std::vector<uint8_t> bgr(frame.rgba.size() / 4 * 3);
  for (size_t i = 0, j = 0; i < frame.rgba.size(); i += 4, j += 3) {
    bgr[j] = frame.rgba[i + 2];
    bgr[j + 1] = frame.rgba[i + 1];
    bgr[j + 2] = frame.rgba[i];
  }
  return io::EncodePng(bgr.data(), frame.vi.width, frame.vi.height, png, why);
}

// The clip, frame and point a request names, checked; false after refusing the request.
struct Target {
  const NamedClip* clip = nullptr;
  int n = 0, x = 0, y = 0;
};

bool ReadTarget(const Session* session, const httplib::Request& req, bool with_point, Target* t,
                httplib::Response& res) {
  if (!session) {
    Refuse(res, 409, "the script has not given a clip yet");
    return false;
  }
  const std::string name = req.get_param_value("clip");
  t->clip = session->Find(name);
  if (!t->clip) {
    Refuse(res, 404, "the script has no clip named '" + name.substr(0, 64) + "'");
    return false;
  }
  const VideoInfo& vi = t->clip->clip->GetVideoInfo();
  if (!ParseIndex(req.get_param_value("n"), vi.num_frames - 1, &t->n)) {
    Refuse(res, 400, "the frame number must be 0 to " + std::to_string(vi.num_frames - 1));
    return false;
  }
  if (!with_point) return true;
  if (!ParseIndex(req.get_param_value("x"), vi.width - 1, &t->x) ||
      !ParseIndex(req.get_param_value("y"), vi.height - 1, &t->y)) {
    Refuse(res, 400,
           "the point must lie in the frame: x 0 to " + std::to_string(vi.width - 1) + ", y 0 to " +
               std::to_string(vi.height - 1));
    return false;
  }
  return true;
}

// Frame n of the clip through the store; a script error while it is made becomes a 422 with
// the message and place. Null after refusing.
std::shared_ptr<const ShownFrame> FrameOf(const Session& session, const Target& t, httplib::Response& res,
                                          bool* cached) {
  try {
    try {
      return session.Frames().Get(
          t.clip->name, t.n, [&] { return MakeShownFrame(session.Env(), t.clip->clip, t.n); }, cached);
    } catch (const AvisynthError& e) {
      throw std::runtime_error(e.msg ? e.msg : "unknown error");
    }
  } catch (const script::ScriptError& e) {
    res.status = 422;
    res.set_content(json{{"error", e.what()}, {"line", e.Where().line}, {"column", e.Where().column}}.dump(),
                    "application/json");
  } catch (const std::exception& e) {
    Refuse(res, 422, e.what());
  }
  return nullptr;
}

}  // namespace

bool Server::Overtaken(const std::string& view, long sequence) {
  std::lock_guard<std::mutex> lock(views_mutex_);
  long& newest = newest_request_[view];
  if (sequence < newest) return true;
  newest = sequence;
  // Pages come and go; their views are forgotten now and then (a page's next request is newer).
  if (newest_request_.size() > 256) newest_request_.clear();
  return false;
}

void Server::Frame(const httplib::Request& req, httplib::Response& res) {
  const Current now = Now();
  Target t;
  if (!ReadTarget(now.good.get(), req, false, &t, res)) return;
  int sequence = 0;
  if (req.has_param("view") && ParseIndex(req.get_param_value("sequence"), 999999999, &sequence) &&
      Overtaken(req.get_param_value("view").substr(0, 64), sequence)) {
    Refuse(res, 409, "overtaken by a newer request of the same view");
    return;
  }
  int step = 1;
  if (req.has_param("step") && (!ParseIndex(req.get_param_value("step"), kMaxStep, &step) || step < 1)) {
    Refuse(res, 400, "the step must be 1 to " + std::to_string(kMaxStep));
    return;
  }
  bool cached = false;
  const auto frame = FrameOf(*now.good, t, res, &cached);
  if (!frame) return;
  res.set_header("Cache-Control", "no-store");
  res.set_header("X-Step", std::to_string(step));
  res.set_header("X-Generation", std::to_string(now.generation));
  res.set_header("X-Width", std::to_string(frame->vi.width));
  res.set_header("X-Height", std::to_string(frame->vi.height));
  res.set_header("X-Make-Ms", std::to_string(frame->make_ms));
  res.set_header("X-Cached", cached ? "1" : "0");
  res.set_header("X-Mask", frame->is_mask ? "1" : "0");
  if (t.clip->test_mode) res.set_header("X-Test-Mode", DescribeFrame(t.clip->sweep, t.n));
  if (req.get_param_value("encoding") == "png") {
    // Kept to compare with raw bytes, which the page asks for: they are shown sooner.
    std::vector<uint8_t> png;
    std::string why;
    if (!EncodePicture(*frame, &png, &why)) return Refuse(res, 500, why);
    res.set_content(reinterpret_cast<const char*>(png.data()), png.size(), "image/png");
    return;
  }
  if (step == 1) {
    res.set_content(reinterpret_cast<const char*>(frame->rgba.data()), frame->rgba.size(), "application/octet-stream");
    return;
  }
  const std::vector<uint8_t> fewer = EveryNth(*frame, step);
  res.set_content(reinterpret_cast<const char*>(fewer.data()), fewer.size(), "application/octet-stream");
}

void Server::Pixel(const httplib::Request& req, httplib::Response& res) {
  const Current now = Now();
  Target t;
  if (!ReadTarget(now.good.get(), req, true, &t, res)) return;
  bool cached = false;
  const auto frame = FrameOf(*now.good, t, res, &cached);
  if (!frame) return;
  json channels = json::array();
  for (const auto& [name, value] : PixelBytes(*frame, t.x, t.y)) channels.push_back({name, value});
  res.set_content(json{{"x", t.x},
                       {"y", t.y},
                       {"pixel_type", PixelTypeName(frame->vi.pixel_type)},
                       {"channels", channels},
                       {"shown", ShownColour(*frame, t.x, t.y)}}
                      .dump(),
                  "application/json");
}

void Server::Seed(const httplib::Request& req, httplib::Response& res) {
  const Current now = Now();
  Target t;
  if (!ReadTarget(now.good.get(), req, true, &t, res)) return;
  bool cached = false;
  const auto frame = FrameOf(*now.good, t, res, &cached);
  if (!frame) return;
  SeedRegion region = PreviewSeed(*frame, t.x, t.y);
  const bool all_runs = region.runs.size() <= kMaxRunValues;
  if (!all_runs) region.runs.clear();
  res.set_content(json{{"x", t.x},
                       {"y", t.y},
                       {"mask", frame->is_mask},
                       {"sample", region.sample},
                       {"fills", region.fills},
                       {"on_line", region.on_line},
                       {"size", region.size},
                       {"share", region.share},
                       {"runs", region.runs},
                       {"all_runs", all_runs}}
                      .dump(),
                  "application/json");
}

}  // namespace tintara::serve
