// Controls carry their component names as object names, so that settings,
// tests and the pages find them by the names the design gives them.
#pragma once

namespace brenvik {

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

}  // namespace brenvik
