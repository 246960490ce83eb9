// An allocator for the assembler's few big buffers (the source text, the
// symbol index). On Linux, buffers of a megabyte or more are mapped directly
// with all their pages made present in one go: a 5 MB source then costs one
// system call instead of more than a thousand page faults, which were most of
// a run's time on a virtual machine. Smaller buffers come from the heap.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace brimwick::assembler {

template <typename T>
class LargeAllocator {
  public:
    using value_type = T;

    LargeAllocator() = default;
    template <typename U>
    LargeAllocator(const LargeAllocator<U>&) {}

    T* allocate(std::size_t n) {
#if defined(__linux__)
        const std::size_t bytes = n * sizeof(T);
        if (bytes >= kMappedFrom) {
            void* p = mmap(nullptr, mappedSize(bytes), PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
            if (p == MAP_FAILED) throw std::bad_alloc();
            return static_cast<T*>(p);
        }
#endif
        return std::allocator<T>().allocate(n);
    }

    void deallocate(T* p, std::size_t n) {
#if defined(__linux__)
        const std::size_t bytes = n * sizeof(T);
        if (bytes >= kMappedFrom) {
            munmap(p, mappedSize(bytes));
            return;
        }
#endif
        std::allocator<T>().deallocate(p, n);
    }

    // Elements made without a value are left uninitialised (a buffer that is
    // about to be read into needs no zeroes first).
    template <typename U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <typename U>
    bool operator==(const LargeAllocator<U>&) const {
        return true;
    }

  private:
    static constexpr std::size_t kMappedFrom = std::size_t{1} << 20;
    static constexpr std::size_t kPage = 4096;
    static std::size_t mappedSize(std::size_t bytes) {
        return (bytes + kPage - 1) / kPage * kPage;
    }
};

}  // namespace brimwick::assembler
