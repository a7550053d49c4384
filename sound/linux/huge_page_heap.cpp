#include "sound/linux/huge_page_heap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace sound {
namespace {

constexpr std::size_t reserveBytes = std::size_t{32} << 20;
constexpr std::uintptr_t hugePageBytes = std::uintptr_t{2} << 20;
// Below the size that malloc takes straight from the system, so that these
// blocks come from the heap and make it grow.
constexpr std::size_t probeBytes = 64 << 10;
constexpr int mostProbes = 64;

std::uintptr_t heapEnd() { return reinterpret_cast<std::uintptr_t>(sbrk(0)); }

}  // namespace

void reserveHugePageHeap() {
  static bool reserved = false;
  if (reserved) return;
  reserved = true;
  // The heap grows by the reserve at a time and keeps that much free when
  // trimmed: what is freed stays in the huge pages.
  if (mallopt(M_TOP_PAD, static_cast<int>(reserveBytes)) == 0) return;
  const std::uintptr_t before = heapEnd();
  void* probes[mostProbes];
  int count = 0;
  while (count < mostProbes && heapEnd() == before) {
    probes[count] = std::malloc(probeBytes);
    if (probes[count] == nullptr) break;
    ++count;
  }
  while (count > 0) std::free(probes[--count]);
  // Only the reserve's whole huge pages: the pages before it are in use.
  const std::uintptr_t from = (before + hugePageBytes - 1) & ~(hugePageBytes - 1);
  const std::uintptr_t to = heapEnd() & ~(hugePageBytes - 1);
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

}  // namespace sound
