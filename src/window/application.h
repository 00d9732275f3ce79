// The application object. Besides what QApplication does, it is the last
// line of the general error report: an exception that leaves an event
// handler without being caught by the handler's own guard is shown in a
// message box instead of ending the program.
#pragma once

#include <QApplication>

#include "window/messages.h"

namespace brenvik {

class BrenvikApplication : public QApplication {
 public:
  BrenvikApplication(int& argc, char** argv);
  void SetMessageSink(MessageSink* sink) { sink_ = sink; }
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  MessageSink* sink_ = nullptr;
  MessageBoxSink fallback_;
};

}  // namespace brenvik
