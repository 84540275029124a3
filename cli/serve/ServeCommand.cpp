#include "cli/serve/ServeCommand.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "cli/serve/Server.h"

namespace tintara::serve {

namespace {

const char kServeHelp[] =
    "Usage: tintara serve SCRIPT [--port N] [--listen ADDR] [--open]\n"
    "\n"
    "Serves a page for tuning SCRIPT live in a browser: its clips frame by frame, the pixels'\n"
    "values, where a seed would fill, sliders written [<\"label\", min, max, default>] in the\n"
    "script, saved back into it. The script is run again whenever it or a file it imports\n"
    "changes.\n"
    "\n"
    "  --port N         the port (default 8765; 0 picks a free one)\n"
    "  --listen ADDR    the address to listen on (default 127.0.0.1, this machine only)\n"
    "  --open           open the page in the desktop's browser\n"
    "  --help           show this help and exit\n";

bool ParsePort(const std::string& text, int* port) {
  if (text.empty() || text.size() > 5) return false;
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v > 65535) return false;
  *port = v;
  return true;
}

int Bad(const std::string& why) {
  std::fprintf(stderr, "tintara serve: %s\nTry 'tintara serve --help' for more information.\n", why.c_str());
  return 2;
}

void OpenBrowser(const std::string& url) {
  if (fork() == 0) {
    execlp("xdg-open", "xdg-open", url.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
}

}  // namespace

int ServeMain(int argc, const char* const* argv, const std::string& module) {
  ServeOptions options;
  options.module = module;
  bool open = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i], value;
    const size_t equals = arg.find('=');
    const bool inline_value = arg.compare(0, 2, "--") == 0 && equals != std::string::npos;
    if (inline_value) {
      value = arg.substr(equals + 1);
      arg.erase(equals);
    }
    const bool takes_value = arg == "--port" || arg == "--listen";
    if (takes_value && !inline_value) {
      if (i + 1 >= argc) return Bad("option '" + arg + "' needs a value");
      value = argv[++i];
    }
    if (arg == "--help") {
      std::fputs(kServeHelp, stdout);
      return 0;
    } else if (arg == "--open") {
      open = true;
    } else if (arg == "--port") {
      if (!ParsePort(value, &options.port))
        return Bad("option '--port' needs a number from 0 to 65535, not '" + value + "'");
    } else if (arg == "--listen") {
      if (value.empty()) return Bad("option '--listen' needs an address");
      options.listen = value;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Bad("unknown option '" + arg + "'");
    } else if (options.script.empty()) {
      options.script = arg;
    } else {
      return Bad("too many arguments: '" + arg + "' (give one SCRIPT)");
    }
  }
  if (options.script.empty()) return Bad("no SCRIPT given");
  if (access(options.script.c_str(), R_OK) != 0) {
    std::fprintf(stderr, "tintara serve: cannot read the script %s\n", options.script.c_str());
    return 1;
  }

  // Ctrl-C and SIGTERM stop the server from a thread of its own, not inside a signal handler.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  Server server(options);
  std::string why;
  const int port = server.Start(&why);
  if (port < 0) {
    std::fprintf(stderr, "tintara serve: %s\n", why.c_str());
    return 1;
  }
  const std::string host = options.listen.find(':') != std::string::npos ? "[" + options.listen + "]" : options.listen;
  const std::string url = "http://" + host + ":" + std::to_string(port) + "/";
  std::printf("tintara serve: %s on %s (Ctrl-C stops)\n", options.script.c_str(), url.c_str());
  std::fflush(stdout);
  if (open) OpenBrowser(url);
  std::atomic<bool> signalled{false};
  std::thread stopper([&server, &signalled, stop_signals] {
    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
    signalled = true;
    server.Stop();
  });
  server.Run();
  // Run ended on its own: wake the stopper thread.
  if (!signalled) kill(getpid(), SIGTERM);
  stopper.join();
  return 0;
}

}  // namespace tintara::serve
