// Running the built `tintara` command in a scratch folder and looking at what it wrote.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace tintara::testing {

struct Outcome {
  int status = -1;  // exit status; 128 + n when ended by signal n
  std::string out, err;
};

class CliTest : public ::testing::Test {
 public:
  // Bytes that differ from frame to frame and place to place, deterministic.
  static std::string Pattern(size_t size, unsigned seed);

 protected:
  CliTest();
  ~CliTest() override;

  // Runs `tintara ARGS` in the scratch folder, standard input from `stdin_file` (a name in the
  // folder) or empty.
  Outcome Tintara(const std::string& args, const std::string& stdin_file = "");
  // Runs a shell command in the scratch folder; returns its exit status.
  int Shell(const std::string& command);

  std::string Put(const std::string& name, const std::string& bytes);  // returns the path
  std::string Get(const std::string& name);                            // "" if missing
  bool Exists(const std::string& name);
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  static bool HaveFfmpeg();

  std::string dir_;
};

}  // namespace tintara::testing
