// The test program's operator delete fills what it frees with 0xDD before
// giving it back, as a debugging heap does. Code that goes on using a
// control a host destroyed inside an event then reads garbage (and mostly
// crashes) instead of the old values that freed memory still holds, so the
// tests notice a missing liveness check without the sanitizers. Left out of
// the sanitizer build, whose own allocator does this and more.
#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Called through a volatile pointer: a compiler drops a plain memset right
// before free as a store nobody reads.
void* (*volatile fill)(void*, int, std::size_t) = std::memset;

void Scribble(void* p) noexcept {
    if (p != nullptr)
        fill(p, 0xDD, malloc_usable_size(p));
}

}  // namespace

void operator delete(void* p) noexcept {
    Scribble(p);
    std::free(p);
}
void operator delete[](void* p) noexcept {
    Scribble(p);
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Scribble(p);
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Scribble(p);
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    Scribble(p);
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    Scribble(p);
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    Scribble(p);
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    Scribble(p);
    std::free(p);
}
