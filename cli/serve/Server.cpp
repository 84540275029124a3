#include "cli/serve/Server.h"

#include <httplib.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <cmath>
#include <cstdio>

#include "cli/serve/PageFiles.h"
#include "cli/serve/Replies.h"
#include "cli/serve/WriteBack.h"
#include "runtime/builtins/Formats.h"

namespace tintara::serve {

using nlohmann::json;

namespace {

constexpr size_t kMaxBody = 64 * 1024;

bool IsNumericHost(const std::string& name) {
  if (name.size() > 2 && name.front() == '[' && name.back() == ']') return true;  // IPv6 literal
  if (name.empty()) return false;
  for (char c : name)
    if (!(c == '.' || (c >= '0' && c <= '9'))) return false;
  return true;
}

json FailureJson(const Failure& f) {
  return {{"message", f.message}, {"file", f.file}, {"line", f.line}, {"column", f.column}, {"text", f.line_text}};
}

}  // namespace

Server::Server(ServeOptions options) : options_(std::move(options)), http_(std::make_unique<httplib::Server>()) {}

Server::~Server() {
  Stop();
  if (watcher_.joinable()) watcher_.join();
}

int Server::Start(std::string* why) {
  Reload();
  Routes();
  port_ = options_.port == 0 ? http_->bind_to_any_port(options_.listen)
                             : (http_->bind_to_port(options_.listen, options_.port) ? options_.port : -1);
  if (port_ < 0) {
    *why = "cannot listen on " + options_.listen + " port " + std::to_string(options_.port) +
           " (in use, or not an address of this machine)";
    return -1;
  }
  watcher_ = std::thread([this] {
    while (!stopping_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
      if (!stopping_) ReloadIfChanged();
    }
  });
  return port_;
}

void Server::Run() { http_->listen_after_bind(); }

void Server::Stop() {
  stopping_ = true;
  http_->stop();
}

Server::Current Server::Now() {
  std::lock_guard<std::mutex> lock(mutex_);
  return current_;
}

void Server::Reload() {
  const long ticket = ++reloads_asked_;
  std::lock_guard<std::mutex> running(reload_mutex_);
  if (reloads_done_ >= ticket) return;
  const long covered = reloads_asked_;
  std::map<std::string, double> overrides;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    overrides = overrides_;
  }
  std::shared_ptr<const Session> run = Session::Run(options_.script, options_.module, overrides, Now().good.get());
  // The runs replaced are released after the lock: a run's environment takes a while to go.
  std::shared_ptr<const Session> old_last = run, old_good = run;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::swap(current_.last, old_last);
    if (!run->Failed()) std::swap(current_.good, old_good);
    ++current_.generation;
  }
  reloads_done_ = covered;
}

void Server::ReloadIfChanged() {
  const std::shared_ptr<const Session> last = Now().last;
  if (!last) return;
  for (const ReadFile& f : last->Files()) {
    std::string now;
    if (!ReadWholeFile(f.path, &now) || now != f.content) {
      Reload();
      return;
    }
  }
}

bool Server::HostAllowed(const std::string& host) const {
  std::string name = host;
  const size_t colon = name.rfind(':');
  if (colon != std::string::npos && name.find(']', colon) == std::string::npos) {
    if (name.substr(colon + 1) != std::to_string(port_)) return false;
    name.erase(colon);
  }
  return name == "localhost" || name == options_.listen || IsNumericHost(name);
}

void Server::Routes() {
  http_->set_payload_max_length(kMaxBody);
  http_->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    const auto handled = httplib::Server::HandlerResponse::Handled;
    if (!HostAllowed(req.get_header_value("Host"))) {
      Refuse(res, 403, "this server answers only requests addressed to " + options_.listen + " or localhost");
      return handled;
    }
    if (req.method == "POST") {
      // A page from elsewhere may post here too (its Host is right): refuse its origin, and
      // take only JSON, which a browser sends cross-origin only after asking (and being denied).
      const std::string origin = req.get_header_value("Origin");
      const std::string prefix = "http://";
      if (!origin.empty() &&
          (origin.compare(0, prefix.size(), prefix) != 0 || !HostAllowed(origin.substr(prefix.size())))) {
        Refuse(res, 403, "changes are taken only from this server's own page");
        return handled;
      }
      if (req.get_header_value("Content-Type").compare(0, 16, "application/json") != 0) {
        Refuse(res, 415, "changes are sent as application/json");
        return handled;
      }
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  for (const PageFile& file : PageFiles()) {
    const std::string path = file.name == "index.html" ? "/" : "/" + file.name;
    http_->Get(path, [file](const httplib::Request&, httplib::Response& res) {
      res.set_header("Cache-Control", "no-store");
      res.set_content(reinterpret_cast<const char*>(file.data), file.size, file.type);
    });
  }
  http_->Get("/api/state", [this](const httplib::Request& q, httplib::Response& s) { State(q, s); });
  http_->Get("/api/frame", [this](const httplib::Request& q, httplib::Response& s) { Frame(q, s); });
  http_->Get("/api/pixel", [this](const httplib::Request& q, httplib::Response& s) { Pixel(q, s); });
  http_->Get("/api/seed", [this](const httplib::Request& q, httplib::Response& s) { Seed(q, s); });
  http_->Post("/api/sliders", [this](const httplib::Request& q, httplib::Response& s) { SetSliders(q, s); });
  http_->Post("/api/save", [this](const httplib::Request& q, httplib::Response& s) { Save(q, s); });
  http_->set_error_handler([](const httplib::Request& req, httplib::Response& res) {
    if (res.body.empty()) {
      const std::string message = res.status == 404   ? "nothing is served at " + req.path
                                  : res.status == 413 ? "the request is too large"
                                                      : "bad request";
      res.set_content(json{{"error", message}}.dump(), "application/json");
    }
  });
  http_->set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr error) {
    std::string message = "the request failed";
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      message = e.what();
    } catch (...) {
    }
    Refuse(res, 500, message);
  });
}

std::string Server::StateJson(const Current& now, const std::string& message) {
  json state;
  state["generation"] = now.generation;
  state["script"] = options_.script;
  state["error"] = now.last && now.last->Failed() ? FailureJson(now.last->Error()) : json(nullptr);
  state["clips"] = json::array();
  state["sliders"] = json::array();
  if (!message.empty()) state["message"] = message;
  if (!now.good) return state.dump();
  for (const NamedClip& c : now.good->Clips()) {
    const VideoInfo& vi = c.clip->GetVideoInfo();
    state["clips"].push_back({{"name", c.name},
                              {"width", vi.width},
                              {"height", vi.height},
                              {"frames", vi.num_frames},
                              {"pixel_type", PixelTypeName(vi.pixel_type)},
                              {"fps_numerator", vi.fps_numerator},
                              {"fps_denominator", vi.fps_denominator}});
  }
  for (const Slider& s : now.good->Sliders()) {
    state["sliders"].push_back({{"label", s.label},
                                {"min", s.min},
                                {"max", s.max},
                                {"initial", s.default_value},
                                {"value", s.value},
                                {"is_float", s.is_float},
                                {"file", s.file}});
  }
  return state.dump();
}

void Server::State(const httplib::Request&, httplib::Response& res) {
  res.set_header("Cache-Control", "no-store");
  res.set_content(StateJson(Now(), ""), "application/json");
}

void Server::SetSliders(const httplib::Request& req, httplib::Response& res) {
  const json body = json::parse(req.body, nullptr, false);
  if (body.is_discarded() || !body.is_object() || !body.contains("values") || !body["values"].is_object()) {
    Refuse(res, 400, "expected {\"values\": {\"label\": number, ...}}");
    return;
  }
  const Current now = Now();
  std::map<std::string, double> values;
  for (const auto& [label, value] : body["values"].items()) {
    bool known = false;
    if (now.good)
      for (const Slider& s : now.good->Sliders()) known = known || s.label == label;
    if (!known) {
      Refuse(res, 404, "the script has no slider labelled '" + label.substr(0, 64) + "'");
      return;
    }
    if (!value.is_number() || !std::isfinite(value.get<double>())) {
      Refuse(res, 400, "the value of slider '" + label.substr(0, 64) + "' must be a number");
      return;
    }
    values[label] = value.get<double>();
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [label, value] : values) overrides_[label] = value;
  }
  Reload();
  res.set_content(StateJson(Now(), ""), "application/json");
}

void Server::Save(const httplib::Request&, httplib::Response& res) {
  const Current now = Now();
  if (!now.good || now.good != now.last) {
    Refuse(res, 409, "the script has an error: fix it before saving slider values");
    return;
  }
  std::string message;
  if (!WriteBack(*now.good, &message)) {
    Refuse(res, 409, message);
    return;
  }
  {
    // The file now holds the values as defaults.
    std::lock_guard<std::mutex> lock(mutex_);
    overrides_.clear();
  }
  Reload();
  res.set_content(StateJson(Now(), message), "application/json");
}

}  // namespace tintara::serve
