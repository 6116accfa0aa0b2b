#pragma once
// The allocator's set-up for the start-up, done by the two programs' main functions.

#include <cstddef>

// A sanitizer's allocator takes the place of glibc's in the sanitizers' builds: nothing to tune.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VORLIX_SANITIZER_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define VORLIX_SANITIZER_ALLOCATOR 1
#endif
#endif

namespace vorlix::platform {

// Whether the allocator is glibc's own, which the functions below tune.
#if defined(__GLIBC__) && !defined(VORLIX_SANITIZER_ALLOCATOR)
inline constexpr bool Heap_Tunable = true;
#else
inline constexpr bool Heap_Tunable = false;
#endif

// Readies the allocator for the start-up, which builds tens of thousands of small records at
// once: the heap grows in large steps (`Heap_Step`), buffers of up to `Heap_Buffer_Limit` come
// from the heap too, and the heap is backed by huge pages where the system offers them, so the
// start-up does not pay a page fault for every fresh 4 KiB. The first step is what the start-up
// of a hundred thousand maps fills: only that step is offered huge pages, and the room below its
// first huge page, which the next allocations take, is made at once. Does nothing where the
// allocator cannot be tuned. Pages are only used when touched, so the resident memory stays what
// the program really uses (rounded to the huge page).
inline constexpr std::size_t Heap_Step = std::size_t{128} << 20;
inline constexpr std::size_t Heap_Buffer_Limit = std::size_t{32} << 20;
void Prepare_Heap_For_Startup();

// The same for the heap the calling thread allocates from, where that is a heap of its own (the
// allocator gives other threads than the first heaps of `Thread_Heap_Span`, aligned on that
// size, each made usable at once up to the step): offered huge pages. For a thread that builds
// the records (the start-up's first steps on a thread of their own), called before it allocates
// them; the heap's first huge page, touched before the advice could apply, is made at once. Does
// nothing on the first thread's heap.
inline constexpr std::size_t Thread_Heap_Span = std::size_t{64} << 20;
void Prepare_Thread_Heap();

}  // namespace vorlix::platform
