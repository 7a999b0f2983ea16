#pragma once

#include <malloc.h>
#include <sys/resource.h>

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define FLUXPROBE_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define FLUXPROBE_SANITIZED 1
#endif
#endif

#ifdef FLUXPROBE_SANITIZED
// From the sanitizer runtime (gcc ships no header for it): the bytes its allocator holds live.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace fluxprobe_test {

// Bytes the program holds on the heap now.
inline std::size_t heapInUse() {
#ifdef FLUXPROBE_SANITIZED
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

// The most resident memory the process has had, in KiB. A sanitizer holds freed memory back on
// purpose, so only heapInUse means anything there.
inline long peakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace fluxprobe_test
