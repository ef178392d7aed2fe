#pragma once
#include <cstdint>

// Heap accounting for the logo tests and benchmarks: the program's malloc,
// calloc, realloc and free are wrapped around glibc's own, so every
// allocation, Qt's and zlib's included, is counted. Not built into
// sanitizer builds, which bring their own allocator.
namespace AllocationCounter
{
bool Available();
// Starts a new measurement: bytes held and the high-water mark count from zero.
void Reset();
// Most bytes held at once since Reset, counting only growth after it.
int64_t Peak();
// Largest single request since Reset.
int64_t Largest();
} // namespace AllocationCounter
