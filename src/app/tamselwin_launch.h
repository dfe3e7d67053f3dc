#pragma once
// Test support: starts the built tamselwin in a working directory, on a
// simulated machine directory (or on the real bus), and collects its exit
// code, standard output and standard error. A run that does not end within
// the time limit is killed and reported as hung.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace tamsel {

struct TamselwinResult {
  int exitCode = -1;
  bool hung = false;
  std::string out;
  std::string err;
};

struct TamselwinLaunch {
  std::string workDirectory;
  std::string machineDirectory;  // empty: TAMSEL_SIM unset, the real bus
  std::vector<std::string> arguments;
  int timeLimitSeconds = 120;
};

namespace tamselwin_launch {

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// In the child: working directory, environment, redirected streams, exec.
[[noreturn]] inline void StartChild(const TamselwinLaunch& launch, const std::string& outPath,
                                    const std::string& errPath, const std::string& binary) {
  if (chdir(launch.workDirectory.c_str()) != 0) {
    _exit(127);
  }
  // No display: the headless view, whatever the test environment offers.
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  if (launch.machineDirectory.empty()) {
    unsetenv("TAMSEL_SIM");
  } else {
    setenv("TAMSEL_SIM", launch.machineDirectory.c_str(), 1);
  }
  const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int in = open("/dev/null", O_RDONLY);
  if (out < 0 || err < 0 || in < 0) {
    _exit(127);
  }
  dup2(in, 0);
  dup2(out, 1);
  dup2(err, 2);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(binary.c_str()));
  for (const std::string& argument : launch.arguments) {
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);
  execv(binary.c_str(), argv.data());
  _exit(127);
}

}  // namespace tamselwin_launch

// Needs TAMSEL_BINARY_DIR, the build directory holding tamselwin.
inline TamselwinResult RunTamselwin(const TamselwinLaunch& launch) {
  const std::string binary = std::string(TAMSEL_BINARY_DIR) + "/tamselwin";
  char outTemplate[] = "/tmp/tamselwin-out-XXXXXX";
  char errTemplate[] = "/tmp/tamselwin-err-XXXXXX";
  const int outFile = mkstemp(outTemplate);
  const int errFile = mkstemp(errTemplate);
  close(outFile);
  close(errFile);

  TamselwinResult result;
  const pid_t child = fork();
  if (child == 0) {
    tamselwin_launch::StartChild(launch, outTemplate, errTemplate, binary);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(launch.timeLimitSeconds);
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      result.hung = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (!result.hung && WIFEXITED(status)) {
    result.exitCode = WEXITSTATUS(status);
  }
  result.out = tamselwin_launch::ReadAll(outTemplate);
  result.err = tamselwin_launch::ReadAll(errTemplate);
  unlink(outTemplate);
  unlink(errTemplate);
  return result;
}

}  // namespace tamsel
