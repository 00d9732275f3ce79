#include "window/background_search.h"

#include <QMetaObject>
#include <QTimer>

namespace brenvik {

namespace {
constexpr int kProgressMilliseconds = 100;
}

BackgroundSearch::BackgroundSearch(QObject* parent) : QObject(parent) {
  poll_ = new QTimer(this);
  poll_->setInterval(kProgressMilliseconds);
  connect(poll_, &QTimer::timeout, this, &BackgroundSearch::progressed);
}

BackgroundSearch::~BackgroundSearch() { Stop(); }

bool BackgroundSearch::Start(Job job) {
  if (running_) return false;
  running_ = true;
  const unsigned generation = ++generation_;
  wasCancelled_ = false;
  cancel_ = false;
  error_ = nullptr;
  {
    std::lock_guard<std::mutex> lock(progressLock_);
    progress_ = SearchProgress{};
  }
  worker_ = std::thread([this, generation, job = std::move(job)] {
    SearchMonitor monitor([this](const SearchProgress& progress) {
      std::lock_guard<std::mutex> lock(progressLock_);
      progress_ = progress;
      return !cancel_.load();
    });
    std::exception_ptr error;
    try {
      job(monitor);
    } catch (...) {
      error = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> lock(progressLock_);
      progress_ = monitor.Progress();
      error_ = error;
      wasCancelled_ = monitor.Cancelled();
    }
    // Queued to this object: dropped if it is gone by then.
    QMetaObject::invokeMethod(
        this, [this, generation] { JobEnded(generation); }, Qt::QueuedConnection);
  });
  poll_->start();
  return true;
}

void BackgroundSearch::Stop() {
  cancel_ = true;
  if (worker_.joinable()) worker_.join();
  poll_->stop();
  running_ = false;
}

SearchProgress BackgroundSearch::Progress() const {
  std::lock_guard<std::mutex> lock(progressLock_);
  return progress_;
}

void BackgroundSearch::JobEnded(unsigned generation) {
  // A job that was stopped, or one before it: nobody waits for its result.
  if (!running_ || generation != generation_) return;
  if (worker_.joinable()) worker_.join();
  poll_->stop();
  running_ = false;
  emit progressed();
  emit finished();
}

}  // namespace brenvik
