// A program started with its standard output read through a pipe (the OpenSSH
// client of scans over SSH). Its standard error goes to a temporary file, so a
// program that says much there never blocks on a full pipe.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace kv {

class TChildProcess {
 public:
  // Starts argv[0], looked up in PATH. Null when it could not be started, with
  // error saying so in a line that names the program.
  static std::unique_ptr<TChildProcess> Start(const std::vector<std::string>& argv, std::string& error);
  virtual ~TChildProcess() = default;

  // The program's standard output; read until it ends.
  virtual std::FILE* Output() = 0;
  // Ends the program at once (Stop). Safe from another thread than the reader's.
  virtual void Kill() = 0;
  // Waits for the end: the exit status, or -1 when a signal ended it.
  virtual int Wait() = 0;
  // The last few kilobytes of what the program wrote to standard error.
  virtual std::string ErrorText() = 0;
};

}  // namespace kv
