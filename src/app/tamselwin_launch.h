#pragma once
// Test support: starts the built tamselwin in a working directory, on a
// simulated machine directory (or on the real bus), and collects its exit
// code, standard output and standard error. A run that does not end within
// the time limit is killed and reported as hung.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
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

// Watches standard output while the program runs: called once with nothing
// before the program writes, then with all output read so far whenever more
// has come. Returning false closes the reading end, so the program's later
// writes to standard output fail (as with `| head -c N`).
using OutputWatcher = std::function<bool(const std::string& outputSoFar)>;

struct TamselwinLaunch {
  std::string workDirectory;
  std::string machineDirectory;  // empty: TAMSEL_SIM unset, the real bus
  std::vector<std::string> arguments;
  int timeLimitSeconds = 120;
  // Unset: standard output goes to a file. Set: standard output is a small
  // pipe (one page) that the launcher reads in small pieces, so the program
  // can run ahead of what the watcher has seen by little more than a page.
  OutputWatcher watchOutput = nullptr;
};

namespace tamselwin_launch {

inline constexpr int kPipePageBytes = 4096;
inline constexpr std::size_t kReadPieceBytes = 256;

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// In the child: working directory, environment, redirected streams, exec.
// `out` is the descriptor standard output goes to; `closeInChild` is the
// pipe's reading end, which the program must not hold.
[[noreturn]] inline void StartChild(const TamselwinLaunch& launch, int out, int closeInChild,
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
  // The program must meet the signals as a shell would hand them over.
  signal(SIGPIPE, SIG_DFL);
  signal(SIGHUP, SIG_DFL);
  const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int in = open("/dev/null", O_RDONLY);
  if (out < 0 || err < 0 || in < 0) {
    _exit(127);
  }
  if (closeInChild >= 0) {
    close(closeInChild);
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

// Standard output as a pipe the launcher watches.
class WatchedOutput {
 public:
  explicit WatchedOutput(OutputWatcher watcher) : watcher_(std::move(watcher)) {
    int ends[2] = {-1, -1};
    if (pipe2(ends, O_CLOEXEC) == 0) {
      readEnd_ = ends[0];
      writeEnd_ = ends[1];
      fcntl(writeEnd_, F_SETPIPE_SZ, kPipePageBytes);
      fcntl(readEnd_, F_SETFL, O_NONBLOCK);
    }
  }
  ~WatchedOutput() {
    CloseReadEnd();
    CloseWriteEnd();
  }
  WatchedOutput(const WatchedOutput&) = delete;
  WatchedOutput& operator=(const WatchedOutput&) = delete;

  int writeEnd() const { return writeEnd_; }
  int readEnd() const { return readEnd_; }
  const std::string& text() const { return text_; }

  // In the parent once the child runs: only the child may write.
  void Started() {
    CloseWriteEnd();
    Offer();
  }

  // Reads what has come within the wait and offers it to the watcher.
  // False when nothing came (or the reading end is closed).
  bool Pump(int waitMs) {
    if (readEnd_ < 0) {
      poll(nullptr, 0, waitMs);
      return false;
    }
    pollfd ready{readEnd_, POLLIN, 0};
    if (poll(&ready, 1, waitMs) <= 0) {
      return false;
    }
    char piece[kReadPieceBytes];
    const ssize_t got = read(readEnd_, piece, sizeof piece);
    if (got > 0) {
      text_.append(piece, static_cast<std::size_t>(got));
      Offer();
      return true;
    }
    if (got == 0) {
      CloseReadEnd();
    }
    return got == 0;
  }

 private:
  void Offer() {
    if (readEnd_ >= 0 && !watcher_(text_)) {
      CloseReadEnd();
    }
  }
  void CloseReadEnd() {
    if (readEnd_ >= 0) {
      close(readEnd_);
      readEnd_ = -1;
    }
  }
  void CloseWriteEnd() {
    if (writeEnd_ >= 0) {
      close(writeEnd_);
      writeEnd_ = -1;
    }
  }

  OutputWatcher watcher_;
  int readEnd_ = -1;
  int writeEnd_ = -1;
  std::string text_;
};

}  // namespace tamselwin_launch

// Needs TAMSEL_BINARY_DIR, the build directory holding tamselwin.
inline TamselwinResult RunTamselwin(const TamselwinLaunch& launch) {
  const std::string binary = std::string(TAMSEL_BINARY_DIR) + "/tamselwin";
  char outTemplate[] = "/tmp/tamselwin-out-XXXXXX";
  char errTemplate[] = "/tmp/tamselwin-err-XXXXXX";
  const int outFile = mkostemp(outTemplate, O_CLOEXEC);
  const int errFile = mkstemp(errTemplate);
  close(errFile);
  std::optional<tamselwin_launch::WatchedOutput> watched;
  if (launch.watchOutput) {
    watched.emplace(launch.watchOutput);
  }

  TamselwinResult result;
  const pid_t child = fork();
  if (child == 0) {
    tamselwin_launch::StartChild(launch, watched ? watched->writeEnd() : outFile,
                                 watched ? watched->readEnd() : -1, errTemplate, binary);
  }
  close(outFile);
  if (watched) {
    watched->Started();
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
    if (watched) {
      watched->Pump(5);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  if (!result.hung && WIFEXITED(status)) {
    result.exitCode = WEXITSTATUS(status);
  }
  if (watched) {
    // The program has ended: read to the end of what it wrote.
    while (watched->Pump(100)) {
    }
    result.out = watched->text();
  } else {
    result.out = tamselwin_launch::ReadAll(outTemplate);
  }
  result.err = tamselwin_launch::ReadAll(errTemplate);
  unlink(outTemplate);
  unlink(errTemplate);
  return result;
}

}  // namespace tamsel
