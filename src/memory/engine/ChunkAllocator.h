// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <memory>

namespace corvane {

// Where the memory release gets its blocks. The system's hands out fresh anonymous
// mappings and unmaps them again, so every block really goes back to the kernel when it
// is released: a 1 MiB malloc block may land on the heap once glibc's mmap threshold has
// risen, and a freed heap block stays with the process. Tests hand in their own.
class ChunkAllocator
{
public:
    virtual ~ChunkAllocator() = default;
    // A writable block of `bytes`, or null when none can be had.
    virtual void* allocate(size_t bytes) = 0;
    virtual void release(void* block, size_t bytes) = 0;

    static std::shared_ptr<ChunkAllocator> system();
};

} // namespace corvane
