// The service stand-in run as a separate process for a test: started with
// its command line, ready once its socket takes connections, stopped with a signal
// (killed when the test ends without stopping it). Its standard error goes to
// a file the test can show when something fails.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace brenvik::test {

class ServiceProcess {
 public:
  // Starts executable with args and waits up to 10 s until the socket in
  // dataFolder takes connections; ready() tells whether it did.
  ServiceProcess(const std::string& executable, const std::vector<std::string>& args,
                 const std::string& dataFolder);
  ~ServiceProcess();
  ServiceProcess(const ServiceProcess&) = delete;
  ServiceProcess& operator=(const ServiceProcess&) = delete;

  bool ready() const { return ready_; }
  pid_t pid() const { return pid_; }
  // Sends the signal and waits for the end; the exit status, or 128 + the
  // signal when it was killed by one.
  int Stop(int signal);
  // What the service wrote to standard error so far.
  std::string Errors() const;

 private:
  pid_t pid_ = -1;
  bool ready_ = false;
  std::string errorFile_;
};

// Runs the executable to its end and returns its exit status.
int RunToEnd(const std::string& executable, const std::vector<std::string>& args);

}  // namespace brenvik::test
