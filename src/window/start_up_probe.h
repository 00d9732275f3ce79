// A measuring hook for the benchmarks: with BRENVIK_EXIT_AFTER_FIRST_PAINT
// set in the environment, the window ends the event loop as soon as it has
// painted for the first time (the tables opened, the settings restored and
// the first statistics refresh done, since all of that happens before the
// window is shown) and prints "first paint after <ms> ms" on standard
// output, counted from the start of main. The close that follows is the
// ordinary one. Without the variable nothing is watched.
#pragma once

#include <QObject>
#include <chrono>

class QWidget;

namespace brenvik {

// Called first thing in main: the moment the probe counts from.
void NoteProcessStart();

// Watches window when the variable is set; does nothing otherwise.
void ExitAfterFirstPaintIfAsked(QWidget& window);

class FirstPaintExit : public QObject {
 public:
  FirstPaintExit(QWidget& window, std::chrono::steady_clock::time_point startedAt);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::chrono::steady_clock::time_point startedAt_;
  bool seen_ = false;
};

}  // namespace brenvik
