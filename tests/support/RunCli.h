// Runs tunora-cli as a separate process and captures what it prints.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/Scratch.h"

namespace tunora::test {

struct CliResult {
  int status = -1;
  std::string out;  // standard output, bytes as written
  std::string err;  // standard error
};

inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'')
      q += "'\\''";
    else
      q += c;
  }
  return q + "'";
}

inline CliResult RunCli(const std::vector<std::string>& args) {
  static int counter = 0;
  std::filesystem::path errFile =
      std::filesystem::temp_directory_path() /
      ("tunora_cli_err_" + std::to_string(getpid()) + "_" + std::to_string(++counter));
  std::string cmd = ShellQuote(TUNORA_CLI_PATH);
  for (const auto& a : args) cmd += " " + ShellQuote(a);
  cmd += " 2>" + ShellQuote(errFile.string());
  CliResult r;
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return r;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int raw = pclose(p);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  if (FILE* e = fopen(errFile.c_str(), "rb")) {
    while ((n = fread(buf, 1, sizeof buf, e)) > 0) r.err.append(buf, n);
    fclose(e);
  }
  std::filesystem::remove(errFile);
  return r;
}

// A test with a scratch folder holding a program directory "home" for --home.
class CliFixture : public ::testing::Test {
 protected:
  CliFixture() : home((scratch.Path() / "home").string()) {
    std::filesystem::create_directories(home);
  }
  // Writes a file into the scratch folder and returns its path.
  std::string Write(const std::string& name, const std::string& text) {
    std::string p = scratch.File(name);
    WriteFile(p, text);
    return p;
  }
  std::string Read(const std::string& path) { return ReadFile(path); }

  ScratchDir scratch{"tunora-cli-"};
  std::filesystem::path dir = scratch.Path();
  std::string home;
};

}  // namespace tunora::test
