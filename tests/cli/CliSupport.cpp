#include "tests/cli/CliSupport.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tintara::testing {

CliTest::CliTest() {
  char dir[] = "/tmp/tintara_cli_XXXXXX";
  dir_ = mkdtemp(dir);
}

CliTest::~CliTest() { std::system(("rm -rf '" + dir_ + "'").c_str()); }

int CliTest::Shell(const std::string& command) {
  const int raw = std::system(("cd '" + dir_ + "' && " + command).c_str());
  if (raw == -1) return -1;
  if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
  return WEXITSTATUS(raw);
}

Outcome CliTest::Tintara(const std::string& args, const std::string& stdin_file) {
  Outcome o;
  const std::string in = stdin_file.empty() ? "/dev/null" : "'" + stdin_file + "'";
  o.status = Shell(std::string("'") + TINTARA_BINARY_DIR + "/bin/tintara' " + args + " <" + in + " >.stdout 2>.stderr");
  o.out = Get(".stdout");
  o.err = Get(".stderr");
  return o;
}

std::string CliTest::Put(const std::string& name, const std::string& bytes) {
  std::ofstream(Path(name), std::ios::binary) << bytes;
  return Path(name);
}

std::string CliTest::Get(const std::string& name) {
  std::ifstream in(Path(name), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool CliTest::Exists(const std::string& name) {
  struct stat st;
  return stat(Path(name).c_str(), &st) == 0;
}

bool CliTest::HaveFfmpeg() { return std::system("ffmpeg -version >/dev/null 2>&1") == 0; }

std::string CliTest::Pattern(size_t size, unsigned seed) {
  std::string s(size, '\0');
  unsigned x = seed * 2654435761u + 12345u;
  for (size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    s[i] = static_cast<char>(x >> 16);
  }
  return s;
}

}  // namespace tintara::testing
