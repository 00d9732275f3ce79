#include "platform/locale.h"

namespace brenvik {

int Locale::CompareText(const std::string& a, const std::string& b) {
  const int order = a.compare(b);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

}  // namespace brenvik
