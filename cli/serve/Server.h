// The live tuning page's web server: it serves its own page, the frames, pixels and seed
// previews of the one script it was started with, and the script's state (clips, sliders, the
// error of the last run); it re-runs the script when a file it read changes or a slider moves,
// and writes slider values back into the script. It answers only requests whose Host is the
// address it listens on, localhost or an address written as numbers, so a page served from
// elsewhere cannot reach it through a name that resolves here (DNS rebinding).
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "cli/serve/Session.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace tintara::serve {

struct ServeOptions {
  std::string script;
  std::string module;  // the module to load into each run ("" for none)
  std::string listen = "127.0.0.1";
  int port = 8765;  // 0: any free port
};

class Server {
 public:
  explicit Server(ServeOptions options);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Runs the script and binds the address; returns the port, or -1 with `why`.
  int Start(std::string* why);
  // Answers requests until Stop is called (from any thread).
  void Run();
  void Stop();

  // Re-runs the script now when a file it read has changed on disk (the watcher calls it).
  void ReloadIfChanged();

 private:
  struct Current {
    std::shared_ptr<const Session> good;  // the last run that gave clips
    std::shared_ptr<const Session> last;  // the last run, failed or not
    long generation = 0;
  };

  void Routes();
  bool HostAllowed(const std::string& host) const;
  void Reload();
  Current Now();

  void State(const httplib::Request& req, httplib::Response& res);
  void Frame(const httplib::Request& req, httplib::Response& res);
  void Pixel(const httplib::Request& req, httplib::Response& res);
  void Seed(const httplib::Request& req, httplib::Response& res);
  void SetSliders(const httplib::Request& req, httplib::Response& res);
  void Save(const httplib::Request& req, httplib::Response& res);
  std::string StateJson(const Current& now, const std::string& message);

  ServeOptions options_;
  int port_ = 0;
  std::unique_ptr<httplib::Server> http_;
  std::mutex mutex_;  // guards current_ and overrides_
  Current current_;
  std::map<std::string, double> overrides_;
  // The newest frame request of each view of each open page: a request overtaken before a
  // thread took it up is answered at once without making its frame (the page drops it anyway).
  bool Overtaken(const std::string& view, long sequence);
  std::mutex views_mutex_;
  std::map<std::string, long> newest_request_;

  std::mutex reload_mutex_;  // one run of the script at a time
  // Reloads asked for and the last one a finished run covered: a run that starts after a request
  // answers it, so requests queued behind a run (a slider dragged) share one run.
  std::atomic<long> reloads_asked_{0};
  long reloads_done_ = 0;  // guarded by reload_mutex_
  std::atomic<bool> stopping_{false};
  std::thread watcher_;
};

}  // namespace tintara::serve
