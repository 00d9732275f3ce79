// Runs one long program search at a time on a worker thread, so that the
// window keeps answering while a big folder tree is walked or every program
// on the computer is read. The job gets a SearchMonitor whose reports are
// kept here for the page to show (progressed() about ten times a second) and
// which stops the job once Cancel is asked. When the job ends, finished()
// comes on the window's thread; an error the job raised is kept for the page
// to rethrow there, inside the general error report.
//
// The job must not touch anything the window's thread uses meanwhile: it
// fills a list of its own, which the page takes over at finished().
#pragma once

#include <QObject>
#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "programs/search_progress.h"

class QTimer;

namespace brenvik {

class BackgroundSearch : public QObject {
  Q_OBJECT

 public:
  using Job = std::function<void(SearchMonitor& monitor)>;

  explicit BackgroundSearch(QObject* parent = nullptr);
  // Stops a running job and waits for it.
  ~BackgroundSearch() override;

  // Starts the job unless one is running (false then).
  bool Start(Job job);
  bool Running() const { return running_; }
  // Asks the job to stop at its next report; finished() follows.
  void Cancel() { cancel_ = true; }
  // Asks the job to stop and waits for it; finished() does not come.
  void Stop();

  // The last figures the job reported.
  SearchProgress Progress() const;
  // The last job was stopped before its end.
  bool WasCancelled() const { return wasCancelled_; }
  // The error that ended the last job, once; null when it ended without one.
  std::exception_ptr TakeError() { return std::exchange(error_, nullptr); }

 signals:
  void progressed();
  void finished();

 private:
  void JobEnded(unsigned generation);

  std::thread worker_;
  QTimer* poll_ = nullptr;
  std::atomic<bool> cancel_{false};
  bool running_ = false;
  unsigned generation_ = 0;  // of the job started last
  bool wasCancelled_ = false;
  std::exception_ptr error_;
  mutable std::mutex progressLock_;
  SearchProgress progress_;
};

}  // namespace brenvik
