#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/ChildProcess.h"

extern char** environ;

namespace kv {

namespace {

constexpr off_t ErrorTail = 4096;

class TPosixChildProcess final : public TChildProcess {
 public:
  TPosixChildProcess(pid_t pid, std::FILE* output, int errorFd) : Pid_(pid), Output_(output), ErrorFd_(errorFd) {}
  ~TPosixChildProcess() override {
    if (!Waited_) {
      Kill();
      Wait();
    }
    if (Output_) std::fclose(Output_);
    if (ErrorFd_ >= 0) close(ErrorFd_);
  }
  std::FILE* Output() override { return Output_; }
  void Kill() override {
    if (!Waited_.load()) kill(Pid_, SIGKILL);
  }
  int Wait() override {
    if (Waited_.load()) return Status_;
    int status = 0;
    while (waitpid(Pid_, &status, 0) < 0 && errno == EINTR) {
    }
    Status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    Waited_ = true;
    return Status_;
  }
  std::string ErrorText() override {
    struct stat st {};
    if (ErrorFd_ < 0 || fstat(ErrorFd_, &st) != 0) return {};
    const off_t from = st.st_size > ErrorTail ? st.st_size - ErrorTail : 0;
    std::string text(static_cast<size_t>(st.st_size - from), '\0');
    const ssize_t got = pread(ErrorFd_, text.data(), text.size(), from);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
  }

 private:
  pid_t Pid_;
  std::FILE* Output_;
  int ErrorFd_;
  std::atomic<bool> Waited_{false};
  int Status_ = -1;
};

}  // namespace

std::unique_ptr<TChildProcess> TChildProcess::Start(const std::vector<std::string>& argv, std::string& error) {
  if (argv.empty()) {
    error = "cannot start a program without a name";
    return nullptr;
  }
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) {
    error = "cannot start " + argv[0] + ": " + std::strerror(errno);
    return nullptr;
  }
  char errorPath[] = "/tmp/kestrove-child-XXXXXX";
  const int errorFd = mkostemp(errorPath, O_CLOEXEC);
  if (errorFd >= 0) unlink(errorPath);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  if (errorFd >= 0) posix_spawn_file_actions_adddup2(&actions, errorFd, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (rc != 0) {
    close(pipeFds[0]);
    if (errorFd >= 0) close(errorFd);
    error = "cannot start " + argv[0] + ": " + std::strerror(rc);
    return nullptr;
  }
  return std::make_unique<TPosixChildProcess>(pid, fdopen(pipeFds[0], "rb"), errorFd);
}

}  // namespace kv
