#include "base/huge_pages.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace brenvik {

void AdviseHugePages(const void* block, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  // Only the whole huge pages inside the block.
  const auto begin = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t last = (begin + bytes) & ~(kHugePage - 1);
  if (block == nullptr || last <= first) return;
  // The advice is given from the block's own pointer moved on to the first
  // whole page, not from an address made out of an integer.
  char* start = const_cast<char*>(static_cast<const char*>(block)) + (first - begin);
  ::madvise(start, last - first, MADV_HUGEPAGE);
#else
  (void)block;
  (void)bytes;
#endif
}

}  // namespace brenvik
