#include "app/heap.h"

#include <cstdint>
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

#if defined(__linux__) && !defined(MADV_COLLAPSE)
#define MADV_COLLAPSE 25  // Linux 6.1 and later; older kernels refuse it
#endif
#if defined(__linux__) && !defined(MADV_POPULATE_WRITE)
#define MADV_POPULATE_WRITE 23  // Linux 5.14 and later; older kernels refuse it
#endif

namespace vorlix::platform {

#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
namespace {
// The huge page of x86-64 and of most systems that offer them.
constexpr std::uintptr_t Huge_Page = std::uintptr_t{2} << 20;
}  // namespace
#endif

void Prepare_Heap_For_Startup() {
#if defined(__GLIBC__)
  static bool prepared = false;
  if (!Heap_Tunable || prepared) {
    return;
  }
  prepared = true;
  if (mallopt(M_TOP_PAD, static_cast<int>(Heap_Step)) == 0 ||
      mallopt(M_MMAP_THRESHOLD, static_cast<int>(Heap_Buffer_Limit)) == 0) {
    return;
  }
  // One allocation that the heap's free room cannot hold makes the heap grow by a whole step
  // now; the new room is offered huge pages (whole huge pages inside it only).
  auto* const before = static_cast<char*>(sbrk(0));
  void* const block = std::malloc(std::size_t{256} << 10);
  auto* const after = static_cast<char*>(sbrk(0));
  std::free(block);
#if defined(MADV_HUGEPAGE)
  if (block != nullptr && reinterpret_cast<std::intptr_t>(before) != -1 && after > before) {
    char* const first =
        before + (Huge_Page - reinterpret_cast<std::uintptr_t>(before) % Huge_Page) % Huge_Page;
    char* const last = after - reinterpret_cast<std::uintptr_t>(after) % Huge_Page;
    if (last > first) {
      // Advice only: where it is refused the heap works with small pages as before.
      (void)madvise(first, static_cast<std::size_t>(last - first), MADV_HUGEPAGE);
      // The room below the first huge page is what the next allocations take: its small pages
      // are made in one go rather than one fault each.
      const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
      char* const head = before - reinterpret_cast<std::uintptr_t>(before) % page;
      if (first > head) {
        (void)madvise(head, static_cast<std::size_t>(first - head), MADV_POPULATE_WRITE);
      }
    }
  }
#endif
#endif
}

void Prepare_Thread_Heap() {
#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
  if (!Heap_Tunable) {
    return;
  }
  // The thread's first allocation attaches it to its heap (making one when needed); it is given
  // back once the heap has been seen to.
  void* const probe = std::malloc(64);
  if (probe == nullptr) {
    return;
  }
  const auto address = reinterpret_cast<std::uintptr_t>(probe);
  constexpr std::uintptr_t span = Thread_Heap_Span;
  char* const heap = static_cast<char*>(probe) - address % span;
  const void* const heap_end = sbrk(0);
  if (reinterpret_cast<std::intptr_t>(heap_end) == -1 ||
      address >= reinterpret_cast<std::uintptr_t>(heap_end)) {
    // Advice only: where it is refused the heap works with small pages as before.
    (void)madvise(heap, span, MADV_HUGEPAGE);
    // The heap's first huge page was touched before the advice (the heap's own bookkeeping lies
    // there) and would stay small pages, each faulted on its own: it is made one huge page now,
    // or where that is refused, its small pages are made in one go.
    if (madvise(heap, Huge_Page, MADV_COLLAPSE) != 0) {
      (void)madvise(heap, Huge_Page, MADV_POPULATE_WRITE);
    }
  }  // else the first thread's heap, readied by Prepare_Heap_For_Startup
  std::free(probe);
#endif
}

}  // namespace vorlix::platform
