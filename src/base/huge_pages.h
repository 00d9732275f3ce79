// A hint to the system that a large block of memory is best backed by huge
// pages: a column of a million rows is filled once from end to end, and on a
// virtual machine each first touch of a 4 KiB page is costly. Does nothing
// where there is no such hint or the block is too small.
#pragma once

#include <cstddef>

namespace brenvik {

void AdviseHugePages(const void* block, std::size_t bytes);

template <typename Vector>
void AdviseHugePagesFor(const Vector& v) {
  AdviseHugePages(v.data(), v.capacity() * sizeof(typename Vector::value_type));
}

}  // namespace brenvik
