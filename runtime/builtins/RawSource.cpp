// RawSource: frames from a file or a stream, either headerless raw frames of a given size and
// pixel type, or Y4M, which carries its own size. Files are read frame by frame wherever asked;
// standard input and pipes are read once, front to back, keeping only the last few frames.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "runtime/CacheClip.h"
#include "runtime/MemoryClip.h"
#include "runtime/builtins/Formats.h"
#include "runtime/builtins/Sources.h"
#include "runtime/io/FileLayout.h"
#include "runtime/io/Stream.h"
#include "runtime/io/Y4m.h"

namespace tintara {

namespace {

enum { kPath, kWidth, kHeight, kPixelType, kFps, kFrames };
const std::string kName = "RawSource";

// How the bytes of each frame are turned into a frame.
struct Decoding {
  VideoInfo vi{};
  io::FileLayout layout = io::FileLayout::Raw;
  bool luma_only = false;  // a grey Y4M: chroma is 128
  size_t bytes = 0;        // bytes of a frame in the file
};

PVideoFrame Decode(IScriptEnvironment* env, const Decoding& d, const uint8_t* data) {
  PVideoFrame f = env->NewVideoFrame(d.vi);
  if (d.luma_only)
    io::LoadLumaOnly(data, d.vi, f);
  else
    io::LoadFrame(data, d.vi, d.layout, f);
  return f;
}

// A regular file, read with pread so that frames can be made on several threads at once.
class FileClip : public IClip {
 public:
  FileClip(int fd, std::string shown, Decoding d, std::vector<int64_t> offsets)
      : fd_(fd), shown_(std::move(shown)), d_(d), offsets_(std::move(offsets)) {}
  ~FileClip() override { close(fd_); }

  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override {
    n = std::max(0, std::min(n, d_.vi.num_frames - 1));
    const int64_t offset =
        offsets_.empty() ? static_cast<int64_t>(n) * static_cast<int64_t>(d_.bytes) : offsets_[static_cast<size_t>(n)];
    std::vector<uint8_t> data(d_.bytes);
    size_t done = 0;
    while (done < data.size()) {
      const ssize_t got = pread(fd_, data.data() + done, data.size() - done, offset + static_cast<int64_t>(done));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0)
        env->ThrowError("RawSource: cannot read frame %d of %s: %s", n, shown_.c_str(),
                        got < 0 ? std::strerror(errno) : "the file has become shorter");
      done += static_cast<size_t>(got);
    }
    return Decode(env, d_, data.data());
  }
  bool GetParity(int) override { return false; }
  void GetAudio(void*, int64_t, int64_t, IScriptEnvironment*) override {}
  int SetCacheHints(int, int) override { return 0; }
  const VideoInfo& GetVideoInfo() override { return d_.vi; }

 private:
  const int fd_;
  const std::string shown_;
  const Decoding d_;
  const std::vector<int64_t> offsets_;  // where each Y4M frame's data starts; empty for raw
};

// Standard input or a pipe: frames are read in order as they are asked for, and the last
// `keep` of them are kept for requests that come a little out of order (several threads). A
// stream's length is what its reader was told (and checked at the stream's end), or unknown:
// then its frame count is a stand-in and the output ends where the stream ends.
class StreamClip : public IClip {
 public:
  StreamClip(std::unique_ptr<io::StreamReader> reader, std::string shown, Decoding d, bool y4m, int keep,
             bool length_given)
      : reader_(std::move(reader)),
        shown_(std::move(shown)),
        d_(d),
        y4m_(y4m),
        keep_(keep),
        length_given_(length_given),
        data_(d.bytes) {}

  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (n < first_kept_)
      env->ThrowError(
          "RawSource: frame %d of %s was asked for after it had been passed; a stream is read once, "
          "front to back",
          n, shown_.c_str());
    while (next_ <= n) ReadNext(env);
    return kept_[static_cast<size_t>(n - first_kept_)];
  }
  bool GetParity(int) override { return false; }
  void GetAudio(void*, int64_t, int64_t, IScriptEnvironment*) override {}
  int SetCacheHints(int hints, int) override { return hints == kCacheGetLengthUnknown && !length_given_ ? 1 : 0; }
  const VideoInfo& GetVideoInfo() override { return d_.vi; }

 private:
  void ReadNext(IScriptEnvironment* env) {
    // A stream that failed keeps failing with the same message: the thread asking for the next
    // frame must not mistake the end of the input after a broken frame for a clean end.
    if (!failed_.empty()) env->ThrowError("%s", failed_.c_str());
    if (ended_) throw io::EndOfStream();
    try {
      if (y4m_) {
        std::string line;
        const bool complete = reader_->ReadLine(io::kY4mMaxHeader, &line);
        if (!complete && line.empty()) End(env);
        if (!complete && io::IsLongY4mFrameHeader(line))
          Fail(env, env->Sprintf("RawSource: %s is not a valid Y4M stream: the FRAME line of frame %d has no end "
                                 "within %zu bytes",
                                 shown_.c_str(), next_, io::kY4mMaxHeader));
        if (!complete || !io::IsY4mFrameHeader(line))
          Fail(env, env->Sprintf("RawSource: %s is not a valid Y4M stream: frame %d does not start with a FRAME line",
                                 shown_.c_str(), next_));
      }
      const size_t got = reader_->Read(data_.data(), data_.size());
      if (got == 0 && !y4m_) End(env);
      if (got < data_.size())
        Fail(env, env->Sprintf("RawSource: %s ends inside frame %d (%zu of %zu bytes)", shown_.c_str(), next_, got,
                               data_.size()));
      // A stream longer than it was said to be would lose its last frames without a word.
      if (length_given_ && next_ + 1 == d_.vi.num_frames && !reader_->Peek(1).empty())
        Fail(env, env->Sprintf("RawSource: %s holds more than the %d frames given as its length", shown_.c_str(),
                               d_.vi.num_frames));
    } catch (const std::runtime_error& e) {
      Fail(env, env->Sprintf("RawSource: cannot read %s: %s", shown_.c_str(), e.what()));
    }
    kept_.push_back(Decode(env, d_, data_.data()));
    ++next_;
    if (static_cast<int>(kept_.size()) > keep_) {
      kept_.pop_front();
      ++first_kept_;
    }
  }
  void Fail(IScriptEnvironment* env, const char* message) {  // ThrowError does not return
    failed_ = message;
    env->ThrowError("%s", message);
  }
  void End(IScriptEnvironment* env) {
    if (next_ == 0) Fail(env, env->Sprintf("RawSource: %s holds no frames", shown_.c_str()));
    if (length_given_)
      Fail(env, env->Sprintf("RawSource: %s ended after %d frames, but its length was given as %d", shown_.c_str(),
                             next_, d_.vi.num_frames));
    ended_ = true;
    throw io::EndOfStream();
  }

  std::mutex mutex_;
  std::string failed_;  // the message of the read that failed, if one did
  std::unique_ptr<io::StreamReader> reader_;
  const std::string shown_;
  const Decoding d_;
  const bool y4m_;
  const int keep_;
  const bool length_given_;
  std::vector<uint8_t> data_;
  std::deque<PVideoFrame> kept_;
  int first_kept_ = 0;  // frame number of kept_.front()
  int next_ = 0;        // the next frame the stream holds
  bool ended_ = false;
};

// Owns a descriptor until a clip takes it.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ > 0) close(fd_);
  }
  int Get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// The clip's format from a Y4M header and the pixel_type argument.
Decoding FromY4m(Environment& env, const std::vector<Value>& args, const io::Y4mFormat& format,
                 const std::string& shown) {
  Decoding d;
  using Sampling = io::Y4mFormat::Sampling;
  const int pixel_type = PixelTypeArgument(env, kName, args[kPixelType],
                                           format.sampling == Sampling::S422 ? VideoInfo::CS_YUY2 : VideoInfo::CS_YV12);
  if (format.sampling == Sampling::S422 ? pixel_type != VideoInfo::CS_YUY2 : !IsPlanarType(pixel_type))
    env.Fail(kName + ": " + shown + " holds " +
             (format.sampling == Sampling::S422 ? "4:2:2 frames, which are read as YUY2"
                                                : "4:2:0 or grey frames, which are read as YV12 or I420") +
             ", not " + PixelTypeName(pixel_type));
  d.vi = VideoInfoOf(pixel_type, format.width, format.height, 0);
  d.vi.fps_numerator = format.fps_numerator;
  d.vi.fps_denominator = format.fps_denominator;
  if (args[kFps].Defined()) SetFrameRate(env, kName, args[kFps].AsFloat(), &d.vi);
  CheckClipFormat(env, kName + ": " + shown, d.vi);
  d.layout = io::FileLayout::Y4m;
  d.luma_only = format.sampling == Sampling::Mono;
  d.bytes = format.FrameBytes();
  return d;
}

// The clip's format from width=, height= and pixel_type= for headerless frames.
Decoding FromArguments(Environment& env, const std::vector<Value>& args, const std::string& shown) {
  if (!args[kWidth].Defined() || !args[kHeight].Defined())
    env.Fail(kName + ": " + shown +
             " has no Y4M header, so it is read as headerless raw frames: give its width= and height= "
             "(and pixel_type=, YV12 when not given)");
  Decoding d;
  d.vi = VideoInfoOf(PixelTypeArgument(env, kName, args[kPixelType], VideoInfo::CS_YV12), args[kWidth].integer,
                     args[kHeight].integer, 0);
  if (args[kFps].Defined()) SetFrameRate(env, kName, args[kFps].AsFloat(), &d.vi);
  CheckClipFormat(env, kName, d.vi);
  d.bytes = io::FrameBytes(d.vi);
  return d;
}

std::string ErrorText() { return std::strerror(errno); }

// Reads up to `count` bytes at `offset`.
std::string ReadAt(Environment& env, int fd, int64_t offset, size_t count, const std::string& shown) {
  std::string out(count, '\0');
  size_t done = 0;
  while (done < count) {
    const ssize_t got = pread(fd, &out[done], count - done, offset + static_cast<int64_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) env.Fail(kName + ": cannot read " + shown + ": " + ErrorText());
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  out.resize(done);
  return out;
}

// Finds every frame of a Y4M file and checks that each is complete.
std::vector<int64_t> IndexY4m(Environment& env, int fd, int64_t size, int64_t offset, size_t bytes,
                              const std::string& shown) {
  std::vector<int64_t> offsets;
  while (offset < size) {
    const int frame = static_cast<int>(offsets.size());
    if (frame == INT_MAX) env.Fail(kName + ": " + shown + " holds too many frames");
    const std::string head =
        ReadAt(env, fd, offset, static_cast<size_t>(std::min<int64_t>(size - offset, io::kY4mMaxHeader)), shown);
    const size_t end = head.find('\n');
    if (end == std::string::npos && io::IsLongY4mFrameHeader(head))
      env.Fail(kName + ": " + shown + " is not a valid Y4M file: the FRAME line of frame " + std::to_string(frame) +
               " has no end within " + std::to_string(io::kY4mMaxHeader) + " bytes");
    if (end == std::string::npos || !io::IsY4mFrameHeader(head.substr(0, end)))
      env.Fail(kName + ": " + shown + " is not a valid Y4M file: frame " + std::to_string(frame) +
               " does not start with a FRAME line");
    const int64_t data = offset + static_cast<int64_t>(end) + 1;
    if (size - data < static_cast<int64_t>(bytes))
      env.Fail(kName + ": " + shown + " is truncated: frame " + std::to_string(frame) + " has " +
               std::to_string(size - data) + " of its " + std::to_string(bytes) + " bytes");
    offsets.push_back(data);
    offset = data + static_cast<int64_t>(bytes);
  }
  return offsets;
}

// The length a script or the command gave a source: frames=, or the command's count for
// standard input; 0 when none is given.
int GivenLength(Environment& env, const std::vector<Value>& args, bool standard_input) {
  if (args[kFrames].Defined()) {
    if (args[kFrames].integer < 1) env.Fail(kName + ": frames must be 1 or more");
    return args[kFrames].integer;
  }
  return standard_input ? env.Inputs().standard_input_frames : 0;
}

Value OpenFile(Environment& env, const std::vector<Value>& args, Descriptor& fd, int64_t size,
               const std::string& shown) {
  if (size == 0) env.Fail(kName + ": " + shown + " is empty");
  Decoding d;
  std::vector<int64_t> offsets;
  const std::string start = ReadAt(env, fd.Get(), 0, io::kY4mMaxHeader, shown);
  if (start.compare(0, 9, io::kY4mMagic) == 0) {
    const size_t end = start.find('\n');
    if (end == std::string::npos)
      env.Fail(kName + ": " + shown + " is not a valid Y4M file: its header line has no end within " +
               std::to_string(io::kY4mMaxHeader) + " bytes");
    io::Y4mFormat format;
    std::string why;
    if (!io::ParseY4mHeader(start.substr(0, end), &format, &why))
      env.Fail(kName + ": " + shown + " is not a valid Y4M file: " + why);
    d = FromY4m(env, args, format, shown);
    offsets = IndexY4m(env, fd.Get(), size, static_cast<int64_t>(end) + 1, d.bytes, shown);
    if (offsets.empty()) env.Fail(kName + ": " + shown + " holds no frames");
  } else {
    d = FromArguments(env, args, shown);
    const int64_t bytes = static_cast<int64_t>(d.bytes);
    if (size % bytes != 0)
      env.Fail(kName + ": the size of " + shown + " (" + std::to_string(size) + " bytes) is not a whole number of " +
               Describe(d.vi) + " frames (" + std::to_string(bytes) + " bytes each)");
    if (size / bytes > INT_MAX) env.Fail(kName + ": " + shown + " holds too many frames");
    d.vi.num_frames = static_cast<int>(size / bytes);
  }
  if (!offsets.empty()) d.vi.num_frames = static_cast<int>(offsets.size());
  const int given = GivenLength(env, args, false);
  if (given > 0 && given != d.vi.num_frames)
    env.Fail(kName + ": " + shown + " holds " + std::to_string(d.vi.num_frames) + " frames, not the " +
             std::to_string(given) + " given as its length");
  return Value::Clip(PClip(new FileClip(fd.Release(), shown, d, std::move(offsets))));
}

Value OpenStream(Environment& env, const std::vector<Value>& args, Descriptor& fd, const std::string& shown,
                 bool standard_input) {
  auto reader = std::make_unique<io::StreamReader>(fd.Release());
  Decoding d;
  bool y4m = false;
  try {
    const std::string start = reader->Peek(9);
    if (start.empty()) env.Fail(kName + ": " + shown + " is empty");
    y4m = start == io::kY4mMagic;
    if (y4m) {
      std::string line;
      if (!reader->ReadLine(io::kY4mMaxHeader, &line))
        env.Fail(kName + ": " + shown + " is not a valid Y4M stream: its header line has no end within " +
                 std::to_string(io::kY4mMaxHeader) + " bytes");
      io::Y4mFormat format;
      std::string why;
      if (!io::ParseY4mHeader(line, &format, &why))
        env.Fail(kName + ": " + shown + " is not a valid Y4M stream: " + why);
      d = FromY4m(env, args, format, shown);
    } else {
      d = FromArguments(env, args, shown);
    }
  } catch (const std::runtime_error& e) {
    env.Fail(kName + ": cannot read " + shown + ": " + e.what());
  }
  const int given = GivenLength(env, args, standard_input);
  d.vi.num_frames = given > 0 ? given : io::kStreamFrames;
  const int keep = std::max(2, env.GetOptions().stream_frames);
  return Value::Clip(PClip(new StreamClip(std::move(reader), shown, d, y4m, keep, given > 0)));
}

}  // namespace

Value RawSourceFunction(Environment& env, std::vector<Value>& args) {
  const std::string& path = args[kPath].string;
  const bool standard_input = path == "-" || path == "/dev/stdin";
  const std::string shown = standard_input ? "standard input" : "\"" + path + "\"";
  // Standard input can be read only once: every RawSource("-") of a script is the same clip.
  // The variable's name cannot be written in a script.
  const std::string kept = "$standard input";
  Value stream;
  if (standard_input && env.GetVariable(kept, &stream)) return stream;
  if (standard_input && env.Inputs().script_on_standard_input)
    env.Fail(kName + ": standard input holds the script, so it cannot hold frames too: give the script as a file");
  Descriptor fd(standard_input ? 0 : open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) env.Fail(kName + ": cannot open " + shown + ": " + ErrorText());
  struct stat st;
  if (fstat(fd.Get(), &st) != 0) env.Fail(kName + ": cannot read " + shown + ": " + ErrorText());
  if (S_ISDIR(st.st_mode)) env.Fail(kName + ": " + shown + " is a directory");
  env.Inputs().Add(st);
  if (!standard_input && S_ISREG(st.st_mode)) return OpenFile(env, args, fd, static_cast<int64_t>(st.st_size), shown);
  stream = OpenStream(env, args, fd, shown, standard_input);
  if (standard_input) env.SetVariable(kept, stream);
  return stream;
}

}  // namespace tintara
