// The application's general error report around a user action: an error that
// escapes the action is shown by the message sink and the action ends there;
// the program goes on. Every handler the window connects runs inside it.
#pragma once

#include <exception>
#include <utility>

#include "window/messages.h"

namespace brenvik {

// The text shown for an exception of a type we do not know.
inline constexpr const char* kUnknownErrorText = "An unknown error occurred.";

template <typename Action>
bool RunGuarded(MessageSink& sink, Action&& action) {
  try {
    std::forward<Action>(action)();
    return true;
  } catch (const std::exception& error) {
    sink.ShowError(error.what());
  } catch (...) {
    sink.ShowError(kUnknownErrorText);
  }
  return false;
}

}  // namespace brenvik
