#include "AllocationCounter.h"

#include <atomic>
#include <cerrno>
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
namespace AllocationCounter
{
bool Available()
{
    return false;
}
void Reset() {}
int64_t Peak()
{
    return 0;
}
int64_t Largest()
{
    return 0;
}
} // namespace AllocationCounter
#else
#include <malloc.h>

extern "C" {
void *__libc_malloc(size_t);
void *__libc_calloc(size_t, size_t);
void *__libc_realloc(void *, size_t);
void *__libc_memalign(size_t, size_t);
void __libc_free(void *);
}

namespace
{
std::atomic<int64_t> g_held{0};
std::atomic<int64_t> g_peak{0};
std::atomic<int64_t> g_largest{0};

void Raise(std::atomic<int64_t> &mark, int64_t value)
{
    int64_t seen = mark.load(std::memory_order_relaxed);
    while (value > seen && !mark.compare_exchange_weak(seen, value, std::memory_order_relaxed)) {
    }
}

void *Gained(void *p, size_t requested)
{
    if (p) {
        const int64_t held = g_held.fetch_add(int64_t(malloc_usable_size(p)), std::memory_order_relaxed) +
                             int64_t(malloc_usable_size(p));
        Raise(g_peak, held);
        Raise(g_largest, int64_t(requested));
    }
    return p;
}

void Lost(void *p)
{
    if (p)
        g_held.fetch_sub(int64_t(malloc_usable_size(p)), std::memory_order_relaxed);
}
} // namespace

extern "C" {
void *malloc(size_t size)
{
    return Gained(__libc_malloc(size), size);
}
void *calloc(size_t n, size_t size)
{
    return Gained(__libc_calloc(n, size), n * size);
}
void *realloc(void *old, size_t size)
{
    Lost(old);
    void *p = __libc_realloc(old, size);
    if (!p && old && size) { // the old block stays
        Gained(old, 0);
        return nullptr;
    }
    return Gained(p, size);
}
void free(void *p)
{
    Lost(p);
    __libc_free(p);
}
void *memalign(size_t alignment, size_t size)
{
    return Gained(__libc_memalign(alignment, size), size);
}
void *aligned_alloc(size_t alignment, size_t size)
{
    return Gained(__libc_memalign(alignment, size), size);
}
int posix_memalign(void **out, size_t alignment, size_t size)
{
    void *p = Gained(__libc_memalign(alignment, size), size);
    if (!p)
        return ENOMEM;
    *out = p;
    return 0;
}
}

namespace AllocationCounter
{
bool Available()
{
    return true;
}
void Reset()
{
    g_held = 0;
    g_peak = 0;
    g_largest = 0;
}
int64_t Peak()
{
    return g_peak.load();
}
int64_t Largest()
{
    return g_largest.load();
}
} // namespace AllocationCounter
#endif
