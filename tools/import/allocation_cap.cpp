// allocation_cap.cpp - no single allocation of more than a gigabyte.
//
// Some model readers size their arrays from counts in the file before reading
// the data: an OFF file claiming billions of vertices asks for tens of
// gigabytes, which the system may even grant and the reader then fills. No
// model a walker can be made of needs anything near a gigabyte in one piece,
// so walkers-import (and its fuzzer) replace the global operator new with one
// that refuses such a request with std::bad_alloc; the reader then fails with
// its own message and the import ends with status 1. Linked into the programs
// only, never into the library a test links.
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t MOST_BYTES = std::size_t{1} << 30;

void* allocate(std::size_t n) {
    if (n > MOST_BYTES) throw std::bad_alloc();
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}

void* allocate(std::size_t n, const std::nothrow_t&) noexcept {
    if (n > MOST_BYTES) return nullptr;
    return std::malloc(n == 0 ? 1 : n);
}

} // namespace

void* operator new(std::size_t n) {
    return allocate(n);
}
void* operator new[](std::size_t n) {
    return allocate(n);
}
void* operator new(std::size_t n, const std::nothrow_t& t) noexcept {
    return allocate(n, t);
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept {
    return allocate(n, t);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
