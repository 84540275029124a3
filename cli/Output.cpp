#include "cli/Output.h"

#include <sys/uio.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "cli/FrameMaker.h"
#include "cli/Progress.h"
#include "runtime/builtins/ColorConvert.h"
#include "runtime/builtins/Formats.h"
#include "runtime/io/FileLayout.h"
#include "runtime/io/FrameName.h"
#include "runtime/io/Png.h"
#include "runtime/io/Stream.h"
#include "runtime/io/Y4m.h"

namespace tintara::cli {

namespace {

[[noreturn]] void WriteFailed(const std::string& name) {
  throw std::runtime_error("tintara: cannot write " + name + ": " + std::strerror(errno));
}

// One output file (or standard output) written front to back. A file the script reads is never
// opened for writing: opening it would empty it.
class Sink {
 public:
  Sink(const std::string& name, const io::Inputs& inputs)
      : shown_(name == "-" ? "standard output" : "\"" + name + "\"") {
    if (name == "-") {
      file_ = stdout;
    } else {
      if (inputs.Reads(name))
        throw std::runtime_error("tintara: the output " + shown_ +
                                 " is a file the script reads; write to another file");
      // Output folders are made as needed (out/frame%04d.png into a fresh checkout).
      const std::filesystem::path parent = std::filesystem::path(name).parent_path();
      std::error_code ignored;
      if (!parent.empty()) std::filesystem::create_directories(parent, ignored);
      file_ = std::fopen(name.c_str(), "wb");
      if (!file_) WriteFailed(shown_);
    }
  }
  ~Sink() {
    if (file_ && file_ != stdout) std::fclose(file_);
  }
  void Write(const void* data, size_t size) {
    if (size > 0 && std::fwrite(data, 1, size, file_) != size) WriteFailed(shown_);
  }
  // A made frame's bytes, then its rows straight from the frame.
  void Write(const MadeFrame& made, const VideoInfo& vi) {
    Write(made.bytes.data(), made.bytes.size());
    if (!made.frame) return;
    io::FrameRuns(made.frame, vi, &runs_);
    WriteRuns();
  }
  void Close() {
    const int result = file_ == stdout ? std::fflush(file_) : std::fclose(file_);
    if (file_ != stdout) file_ = nullptr;
    if (result != 0) WriteFailed(shown_);
  }

 private:
  // Past the stream's buffer, emptied first so that the order holds: writev sends the runs
  // from where they lie, some hundreds at a time.
  void WriteRuns() {
    if (std::fflush(file_) != 0) WriteFailed(shown_);
    size_t next = 0, done = 0;  // the first run not yet written, and its bytes already written
    while (next < runs_.size()) {
      pieces_.clear();
      for (size_t i = next; i < runs_.size() && pieces_.size() < IOV_MAX; ++i) {
        const size_t skip = i == next ? done : 0;
        pieces_.push_back(iovec{const_cast<uint8_t*>(runs_[i].data) + skip, runs_[i].size - skip});
      }
      const ssize_t written = writev(fileno(file_), pieces_.data(), static_cast<int>(pieces_.size()));
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) {
        if (written == 0) errno = EIO;
        WriteFailed(shown_);
      }
      done += static_cast<size_t>(written);
      while (next < runs_.size() && done >= runs_[next].size) done -= runs_[next++].size;
    }
  }

  std::string shown_;
  FILE* file_ = nullptr;
  std::vector<io::ByteRun> runs_;
  std::vector<iovec> pieces_;
};

// Frame n as the output's file format holds it. A file that holds the frame's rows as they are
// gets the frame itself, written from its memory; otherwise `made.bytes` (a buffer of an
// earlier frame, which has the size already, so nothing is zeroed) takes the encoded frame.
void Encode(IScriptEnvironment* env, const PClip& clip, OutputKind kind, int n, MadeFrame& made) {
  const VideoInfo& vi = clip->GetVideoInfo();
  const PVideoFrame frame = clip->GetFrame(n, env);
  made.frame = PVideoFrame();
  switch (kind) {
    case OutputKind::Y4mStdout:
    case OutputKind::Y4mFile: {
      static const char kFrame[] = "FRAME\n";
      const bool rows = io::HoldsRows(vi, io::FileLayout::Y4m);
      made.bytes.resize(rows ? 6 : 6 + io::FrameBytes(vi));
      std::memcpy(made.bytes.data(), kFrame, 6);
      if (rows)
        made.frame = frame;
      else
        io::StoreFrame(frame, vi, io::FileLayout::Y4m, made.bytes.data() + 6);
      break;
    }
    case OutputKind::Raw:
      made.bytes.clear();
      made.frame = frame;
      break;
    case OutputKind::Png: {
      VideoInfo rgb = vi;
      rgb.pixel_type = IsRgbType(vi.pixel_type) ? vi.pixel_type : VideoInfo::CS_BGR24;
      const PVideoFrame picture = ConvertFrame(env, frame, vi, rgb.pixel_type);
      std::vector<uint8_t> bgr(static_cast<size_t>(vi.width) * vi.height * 3);
      io::StoreBgr(picture, rgb, bgr.data());
      std::string why;
      if (!io::EncodePng(bgr.data(), vi.width, vi.height, &made.bytes, &why))
        throw std::runtime_error("tintara: cannot encode frame " + std::to_string(n) + " as PNG: " + why);
      break;
    }
    case OutputKind::None: made.bytes.clear(); break;
  }
}

}  // namespace

std::string CannotWrite(const VideoInfo& vi, OutputKind kind) {
  if ((kind == OutputKind::Y4mStdout || kind == OutputKind::Y4mFile) && IsRgbType(vi.pixel_type))
    return std::string("Y4M holds only YUV frames, and the script returns an ") + PixelTypeName(vi.pixel_type) +
           " clip: convert it (ConvertToYV12() or ConvertToYUY2() at the end of the script), or write raw or PNG";
  if (kind == OutputKind::Png && !io::PngAvailable()) {
    std::string why;
    io::PngSize("", nullptr, nullptr, &why);
    return why;
  }
  return "";
}

int WriteClip(Environment* env, const PClip& clip, const WriteRun& run) {
  const bool png = run.kind == OutputKind::Png;
  io::FrameName names;
  std::string why;
  if (png && !io::FrameName::Parse(run.name, &names, &why)) throw std::runtime_error("tintara: " + why);
  // Opened when the first frame is made, so that a clip with no frame to write creates nothing.
  std::unique_ptr<Sink> sink;
  const auto open = [&] {
    sink = std::make_unique<Sink>(run.kind == OutputKind::Y4mStdout ? "-" : run.name, env->Inputs());
    if (run.kind == OutputKind::Y4mStdout || run.kind == OutputKind::Y4mFile) {
      const std::string header = io::Y4mHeaderFor(clip->GetVideoInfo());
      sink->Write(header.data(), header.size());
    }
  };

  Progress progress(run.progress, run.length_known ? run.last - run.first + 1 : 0);
  int written = 0;
  try {
    FrameMaker maker([&](int n, MadeFrame& made) { Encode(env, clip, run.kind, n, made); }, run.first, run.last,
                     run.threads);
    for (int n = run.first; n <= run.last; ++n) {
      MadeFrame made;
      try {
        made = maker.Take();
      } catch (const io::EndOfStream&) {
        break;  // the input stream ended: so does the output
      }
      if (png) {
        Sink picture(names.For(n), env->Inputs());
        picture.Write(made.bytes.data(), made.bytes.size());
        picture.Close();
      } else {
        if (!sink) open();
        sink->Write(made, clip->GetVideoInfo());
      }
      maker.GiveBack(std::move(made));
      progress.Update(++written);
    }
  } catch (...) {
    progress.Finish();  // so that a message starts on a line of its own
    throw;
  }
  progress.Finish();
  if (sink) sink->Close();
  return written;
}

}  // namespace tintara::cli
