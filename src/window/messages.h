// How the window talks to the user in message boxes: the fixed messages (the
// application title "Brenvik" as caption, one OK button) and the general error
// report (the text of an error that ended a user action). The window and the
// start-up receive a sink; the program shows real message boxes, the GUI tests
// record the texts instead of blocking on a dialog.
#pragma once

#include <string>
#include <vector>

class QWidget;

namespace brenvik {

inline constexpr const char* kApplicationTitle = "Brenvik";

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // A fixed message with the caption "Brenvik" and an OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // The general error report: the error's text.
  virtual void ShowError(const std::string& text) = 0;
};

// Modal message boxes owned by a parent widget (or by none).
class MessageBoxSink : public MessageSink {
 public:
  explicit MessageBoxSink(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override;

 private:
  QWidget* parent_;
};

// Keeps the texts in the order they were shown.
class RecordingMessageSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  std::vector<std::string> messages;
  std::vector<std::string> errors;
};

}  // namespace brenvik
