// The live page's HTTP interface, driven in-process over a real socket: frames byte for byte
// against what the command writes, pixel readouts in every format, sliders applied and saved,
// the seed preview, reloading, and the refusals.
#include <httplib.h>

#include <nlohmann/json.hpp>

#include <thread>

#include "cli/serve/Server.h"
#include "runtime/io/Png.h"
#include "tests/cli/CliSupport.h"

namespace tintara::testing {
namespace {

using nlohmann::json;

// Four quadrants of different colours, so a picture upside down or mirrored shows; the
// quadrants are 16x8, so each chroma sample of every format lies inside one colour.
const char kQuadrants[] =
    "a = BlankClip(length=3, width=16, height=8, color=$E02020)\n"
    "b = BlankClip(length=3, width=16, height=8, color=$20C040)\n"
    "c = BlankClip(length=3, width=16, height=8, color=$2040E0)\n"
    "d = BlankClip(length=3, width=16, height=8, color=$F0F0F0)\n"
    "rgb32 = StackVertical(StackHorizontal(a, b), StackHorizontal(c, d))\n"
    "rgb24 = rgb32.ConvertToRGB24()\n"
    "yuy2 = rgb32.ConvertToYUY2()\n"
    "yv12 = rgb32.ConvertToYV12()\n"
    "i420 = rgb32.ConvertToI420()\n"
    "mask = yv12.MaskMaker(gyt=100, et=200, col=0)\n";

class ServeTest : public CliTest {
 protected:
  void Serve(const std::string& script) {
    script_ = Put("s.avs", script);
    serve::ServeOptions options;
    options.script = script_;
    options.module = TINTARA_MODULE_PATH;
    options.port = 0;
    server_ = std::make_unique<serve::Server>(options);
    std::string why;
    port_ = server_->Start(&why);
    ASSERT_GT(port_, 0) << why;
    thread_ = std::thread([this] { server_->Run(); });
    client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
  }

  ~ServeTest() override {
    if (server_) server_->Stop();
    if (thread_.joinable()) thread_.join();
  }

  httplib::Result GetPath(const std::string& path) { return client_->Get(path.c_str()); }
  json GetJson(const std::string& path, int status = 200) {
    const auto r = GetPath(path);
    EXPECT_TRUE(r) << path;
    if (!r) return json();
    EXPECT_EQ(r->status, status) << path << ": " << r->body;
    return json::parse(r->body, nullptr, false);
  }
  json PostJson(const std::string& path, const std::string& body, int status = 200) {
    const auto r = client_->Post(path.c_str(), body, "application/json");
    EXPECT_TRUE(r) << path;
    if (!r) return json();
    EXPECT_EQ(r->status, status) << path << ": " << r->body;
    return json::parse(r->body, nullptr, false);
  }
  std::vector<uint8_t> Frame(const std::string& clip, int n) {
    const auto r = GetPath("/api/frame?clip=" + clip + "&n=" + std::to_string(n));
    EXPECT_TRUE(r && r->status == 200) << clip << " " << n;
    if (!r) return {};
    return std::vector<uint8_t>(r->body.begin(), r->body.end());
  }
  // The page's RGBA pixel (x, y) as $RRGGBB-like bytes.
  static std::array<int, 3> RgbAt(const std::vector<uint8_t>& rgba, int width, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * width + x) * 4;
    return {rgba[i], rgba[i + 1], rgba[i + 2]};
  }

  std::string script_;
  std::unique_ptr<serve::Server> server_;
  std::thread thread_;
  std::unique_ptr<httplib::Client> client_;
  int port_ = 0;
};

TEST_F(ServeTest, FramesOfEveryNamedClipMatchWhatTheCommandWrites) {
  Serve(kQuadrants);
  const json state = GetJson("/api/state");
  std::vector<std::string> names;
  for (const json& c : state["clips"]) names.push_back(c["name"]);
  // A script that ends in an assignment has no result of its own.
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c", "d", "rgb32", "rgb24", "yuy2", "yv12", "i420", "mask"}));
  for (const std::string name : {"rgb32", "rgb24", "yuy2", "yv12", "i420", "mask"}) {
    SCOPED_TRACE(name);
    Put(name + ".avs", std::string(kQuadrants) + name + "\n");
    ASSERT_EQ(Tintara("--quiet --start 1 --end 1 " + name + ".avs " + name + "%d.png").status, 0);
    std::vector<uint8_t> bgra;
    std::string why;
    ASSERT_TRUE(io::ReadPng(Path(name + "1.png"), 32, 16, &bgra, &why)) << why;
    const std::vector<uint8_t> rgba = Frame(name, 1);
    ASSERT_EQ(rgba.size(), bgra.size());
    for (size_t i = 0; i < rgba.size(); i += 4) {
      ASSERT_EQ(rgba[i], bgra[i + 2]) << "pixel " << i / 4;
      ASSERT_EQ(rgba[i + 1], bgra[i + 1]) << "pixel " << i / 4;
      ASSERT_EQ(rgba[i + 2], bgra[i]) << "pixel " << i / 4;
      ASSERT_EQ(rgba[i + 3], 255);
    }
  }
  // The top-left quadrant is red whatever the format stores first.
  EXPECT_EQ(RgbAt(Frame("rgb24", 0), 32, 1, 1), (std::array<int, 3>{0xE0, 0x20, 0x20}));
}

TEST_F(ServeTest, PixelBytesAreTheClipsOwnInEachFormat) {
  Serve(kQuadrants);
  using Bytes = std::vector<std::pair<std::string, int>>;
  const auto readout = [&](const std::string& clip, int x, int y) {
    const json p = GetJson("/api/pixel?clip=" + clip + "&n=2&x=" + std::to_string(x) + "&y=" + std::to_string(y));
    Bytes bytes;
    for (const json& ch : p["channels"]) bytes.emplace_back(ch[0], ch[1]);
    return bytes;
  };
  // Top-left red and bottom-left blue: RGB rows are stored bottom-up.
  EXPECT_EQ(readout("rgb32", 0, 0), (Bytes{{"B", 0x20}, {"G", 0x20}, {"R", 0xE0}, {"A", 0}}));
  EXPECT_EQ(readout("rgb24", 3, 15), (Bytes{{"B", 0xE0}, {"G", 0x40}, {"R", 0x20}}));
  EXPECT_EQ(GetJson("/api/pixel?clip=rgb24&n=0&x=20&y=3")["shown"], "$20C040");

  // YUV bytes as the command writes them raw (yuyv422, yuv420p), at pixels whose chroma sample
  // is shared with a neighbour across a quadrant border: the odd pixel of a YUY2 pair, the
  // bottom-right pixel of a 2x2 block.
  const int W = 32, H = 16;
  for (const std::string clip : {"yuy2", "yv12", "i420"}) {
    SCOPED_TRACE(clip);
    Put(clip + ".avs", std::string(kQuadrants) + clip + "\n");
    ASSERT_EQ(Tintara("--quiet --start 2 --end 2 " + clip + ".avs " + clip + ".raw").status, 0);
    const std::string raw = Get(clip + ".raw");
    const auto at = [&](size_t i) { return static_cast<int>(static_cast<uint8_t>(raw.at(i))); };
    for (const auto& [x, y] : {std::pair<int, int>{17, 2}, {15, 7}, {31, 15}}) {
      Bytes expected;
      if (clip == "yuy2") {
        const size_t row = static_cast<size_t>(y) * W * 2;
        expected = {{"Y", at(row + 2 * x)}, {"U", at(row + 4 * (x / 2) + 1)}, {"V", at(row + 4 * (x / 2) + 3)}};
      } else {
        const size_t chroma = static_cast<size_t>(y / 2) * (W / 2) + x / 2;
        expected = {{"Y", at(static_cast<size_t>(y) * W + x)},
                    {"U", at(W * H + chroma)},
                    {"V", at(W * H + W * H / 4 + chroma)}};
      }
      EXPECT_EQ(readout(clip, x, y), expected) << x << ", " << y;
    }
  }
}

TEST_F(ServeTest, SlidersChangeThePictureAndSaveOnlyTheirDefaults) {
  const std::string text =
      "g = [<\"grey\", 0, 255, 16>]  # comment kept\n"
      "BlankClip(length=2, width=8, height=4, color=g * 65793)\n"
      "GaussBlur(size=3, sd=[< \"soft\" , 0.5, 4.5, 1.25 >])\n";
  Serve(text);
  json state = GetJson("/api/state");
  ASSERT_EQ(state["sliders"].size(), 2u);
  EXPECT_EQ(state["sliders"][0]["value"], 16);
  EXPECT_EQ(RgbAt(Frame("result", 0), 8, 7, 3), (std::array<int, 3>{16, 16, 16}));

  state = PostJson("/api/sliders", R"({"values": {"grey": 200}})");
  EXPECT_EQ(state["sliders"][0]["value"], 200);
  EXPECT_EQ(RgbAt(Frame("result", 0), 8, 7, 3), (std::array<int, 3>{200, 200, 200}));
  // Beyond the range: clamped, as the script sees it.
  state = PostJson("/api/sliders", R"({"values": {"grey": 999, "soft": 2}})");
  EXPECT_EQ(state["sliders"][0]["value"], 255);

  // Saved: the two default numbers change, nothing else.
  const json saved = PostJson("/api/save", "");
  EXPECT_NE(saved["message"].get<std::string>().find("saved 2 slider values"), std::string::npos) << saved;
  std::string expected = text;
  expected.replace(expected.find("16>]"), 2, "255");
  expected.replace(expected.find("1.25 >]"), 4, "2.0");
  EXPECT_EQ(Get("s.avs"), expected);

  // A file changed behind the page is not overwritten.
  server_->ReloadIfChanged();
  PostJson("/api/sliders", R"({"values": {"grey": 1}})");
  Put("s.avs", expected + "# edited elsewhere\n");
  const json refused = PostJson("/api/save", "", 409);
  EXPECT_NE(refused["error"].get<std::string>().find("changed on disk"), std::string::npos) << refused;
  EXPECT_EQ(Get("s.avs"), expected + "# edited elsewhere\n");
}

TEST_F(ServeTest, AScriptErrorKeepsTheLastGoodClipsUntilFixed) {
  Serve("BlankClip(length=2, width=8, height=4)\n");
  const long first = GetJson("/api/state")["generation"];
  Put("s.avs", "x = 1\nBlankClip(length=2, width=8, height=4).Trim(0, \"a\")\n");
  server_->ReloadIfChanged();
  json state = GetJson("/api/state");
  EXPECT_GT(state["generation"].get<long>(), first);
  ASSERT_TRUE(state["error"].is_object());
  EXPECT_EQ(state["error"]["line"], 2);
  EXPECT_GT(state["error"]["column"].get<int>(), 1);
  EXPECT_EQ(state["error"]["text"], "BlankClip(length=2, width=8, height=4).Trim(0, \"a\")");
  EXPECT_EQ(state["clips"].size(), 1u);
  EXPECT_EQ(Frame("result", 1).size(), 8u * 4 * 4);

  Put("s.avs", "BlankClip(length=2, width=6, height=4)\n");
  server_->ReloadIfChanged();
  state = GetJson("/api/state");
  EXPECT_TRUE(state["error"].is_null());
  EXPECT_EQ(state["clips"][0]["width"], 6);
}

TEST_F(ServeTest, AnImportedFileThatChangesRunsTheScriptAgain) {
  Put("size.avsi", "w = 8\n");
  Serve("Import(\"size.avsi\")\nBlankClip(length=2, width=w, height=4)\n");
  EXPECT_EQ(GetJson("/api/state")["clips"].back()["width"], 8);
  Put("size.avsi", "w = 12\n");
  server_->ReloadIfChanged();
  EXPECT_EQ(GetJson("/api/state")["clips"].back()["width"], 12);
  // Broken there: the error names the imported file and shows its line.
  Put("size.avsi", "w = 12\nw = w + \"a\"\n");
  server_->ReloadIfChanged();
  const json error = GetJson("/api/state")["error"];
  EXPECT_NE(error["file"].get<std::string>().find("size.avsi"), std::string::npos) << error;
  EXPECT_EQ(error["line"], 2) << error;
  EXPECT_EQ(error["text"], "w = w + \"a\"") << error;
}

TEST_F(ServeTest, SeedPreviewFillsTheRegionTheFilterWould) {
  // An RGB mask (stored bottom-up) 12x6: a one-pixel white line down column 5 between black
  // regions of 5x6 and 6x4, and grey 128 in the bottom-right 6x2.
  Serve(
      "black = BlankClip(length=1, width=12, height=6, color=0)\n"
      "line = BlankClip(length=1, width=1, height=6, color=$FFFFFF)\n"
      "right = StackVertical(BlankClip(length=1, width=6, height=4, color=0), "
      "BlankClip(length=1, width=6, height=2, color=$808080))\n"
      "mask = StackHorizontal(BlankClip(length=1, width=5, height=6, color=0), line, right).ConvertToRGB24()\n");
  json s = GetJson("/api/seed?clip=mask&n=0&x=1&y=1");
  EXPECT_EQ(s["size"], 30);
  EXPECT_TRUE(s["mask"]);
  EXPECT_FALSE(s["on_line"]);
  EXPECT_EQ(s["runs"].size(), 18u);
  EXPECT_EQ(s["runs"][0], 1);  // the first run is the seed's picture row
  EXPECT_EQ(s["runs"][2], 4);
  s = GetJson("/api/seed?clip=mask&n=0&x=8&y=1");
  EXPECT_EQ(s["size"], 24);
  EXPECT_EQ(s["runs"][0], 1);
  EXPECT_NEAR(s["share"].get<double>(), 24.0 / 72, 1e-9);
  s = GetJson("/api/seed?clip=mask&n=0&x=5&y=3");
  EXPECT_TRUE(s["on_line"]);
  EXPECT_EQ(s["size"], 6);
  s = GetJson("/api/seed?clip=mask&n=0&x=11&y=5");
  EXPECT_FALSE(s["fills"]);
  EXPECT_EQ(s["size"], 0);
}

TEST_F(ServeTest, TestModeFramesTellTheThresholdsTheyUsed) {
  Serve(
      "c = BlankClip(length=12, width=32, height=16, pixel_type=\"YV12\")\n"
      "swept = c.MaskMaker(sf=5, ef=4, test=true, gyt=10, et=[<\"top\", 0, 255, 90>], fet=250)\n"
      "edges = c.EMarker(type=\"e1\", test=true, ef=3, lt=9)\n"
      "plain = c.MaskMaker(gyt=10)\n");
  const auto said = [&](const std::string& clip, int n) {
    const auto r = GetPath("/api/frame?clip=" + clip + "&n=" + std::to_string(n));
    return r ? r->get_header_value("X-Test-Mode") : "no answer";
  };
  // Frame n of ef test frames sits n/ef of the way, truncated; unnamed finals are the defaults.
  EXPECT_EQ(said("swept", 3),
            "MaskMaker test frame 3 of 0..3 (source frame 5): gyt 92, rt 128, bt 128, et 210, ert 96, ebt 96");
  EXPECT_EQ(said("swept", 4), "MaskMaker test mode: frame 4 is past the test frames 0..3, the source's own frame");
  // EMarker's final lt is its start lt when not given.
  EXPECT_EQ(said("edges", 2), "EMarker test frame 2 of 0..2 (source frame 0): gyt 135, rt 0, bt 0, lt 9");
  EXPECT_EQ(said("plain", 0), "");
  PostJson("/api/sliders", R"({"values": {"top": 50}})");
  EXPECT_EQ(said("swept", 2),
            "MaskMaker test frame 2 of 0..3 (source frame 5): gyt 65, rt 128, bt 128, et 150, ert 64, ebt 64");
}

TEST_F(ServeTest, RefusesWhatItDoesNotServe) {
  Serve(kQuadrants);
  // Another host name: a page elsewhere reaching this server through DNS rebinding.
  const std::string port = std::to_string(port_);
  for (const std::string& h : {std::string("evil.example"), "evil.example:" + port, "localhost.evil.example:" + port,
                               std::string("127.0.0.1:1")}) {
    const auto r = client_->Get("/api/state", {{"Host", h}});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 403) << h;
  }
  EXPECT_EQ(client_->Get("/api/state", {{"Host", "localhost:" + port}})->status, 200);

  for (const char* path : {"/../../../../etc/passwd", "/%2e%2e/%2e%2e/etc/passwd", "/app.js/../../s.avs", "/s.avs",
                           "/page/app.js", "/..%2fs.avs", "/api/../s.avs"}) {
    const auto r = GetPath(path);
    ASSERT_TRUE(r) << path;
    EXPECT_EQ(r->status, 404) << path;
    EXPECT_EQ(r->body.find("root:"), std::string::npos);
    EXPECT_EQ(r->body.find("BlankClip"), std::string::npos);
  }
  struct Bad {
    std::string path;
    int status;
    std::string says;
  };
  const Bad bad[] = {
      {"/api/frame?clip=rgb24&n=3", 400, "frame number must be 0 to 2"},
      {"/api/frame?clip=rgb24&n=-1", 400, "frame number"},
      {"/api/frame?clip=rgb24&n=99999999999999999999", 400, "frame number"},
      {"/api/frame?clip=rgb24&n=1e3", 400, "frame number"},
      {"/api/frame?clip=rgb24", 400, "frame number"},
      {"/api/frame?clip=nothere&n=0", 404, "no clip named 'nothere'"},
      {"/api/frame?n=0", 404, "no clip named ''"},
      {"/api/pixel?clip=yv12&n=0&x=32&y=0", 400, "x 0 to 31, y 0 to 15"},
      {"/api/seed?clip=mask&n=0&x=0&y=16", 400, "x 0 to 31, y 0 to 15"},
      {"/api/pixel?clip=yv12&n=0&x=0", 400, "point must lie"},
  };
  for (const Bad& b : bad) {
    const json body = GetJson(b.path, b.status);
    EXPECT_NE(body.value("error", "").find(b.says), std::string::npos) << b.path << ": " << body;
  }
  // A page elsewhere posting here: its origin, or a body a browser sends without asking first.
  const auto foreign = client_->Post("/api/save", {{"Origin", "http://evil.example"}}, "{}", "application/json");
  ASSERT_TRUE(foreign);
  EXPECT_EQ(foreign->status, 403);
  const auto plain = client_->Post("/api/sliders", R"({"values": {}})", "text/plain");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->status, 415);
  PostJson("/api/sliders", "{not json", 400);
  PostJson("/api/sliders", R"({"values": {"nothere": 1}})", 404);
  PostJson("/api/sliders", R"({"values": [1]})", 400);
  const auto huge = client_->Post("/api/sliders", std::string(1 << 20, ' '), "application/json");
  ASSERT_TRUE(huge);
  EXPECT_EQ(huge->status, 413);
  // A view's request that a newer one of the same view overtook is not made.
  EXPECT_EQ(GetPath("/api/frame?clip=yv12&n=1&view=p-A&sequence=7")->status, 200);
  EXPECT_EQ(GetPath("/api/frame?clip=yv12&n=0&view=p-A&sequence=6")->status, 409);
  EXPECT_EQ(GetPath("/api/frame?clip=yv12&n=0&view=p-B&sequence=6")->status, 200);
  // Still serving after all that.
  EXPECT_EQ(Frame("yv12", 2).size(), 32u * 16 * 4);
}

}  // namespace
}  // namespace tintara::testing
