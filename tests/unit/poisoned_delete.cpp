// The replacement operator delete behind FreedMemoryPoisoned. The default
// operator new of this runtime allocates with malloc, so the block's size
// is _msize's answer and free releases it; the array, sized and nothrow
// forms of delete all end here.
#include "tests/unit/poisoned_delete.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

std::atomic<int> g_poisoning{0};

}  // namespace

FreedMemoryPoisoned::FreedMemoryPoisoned() { g_poisoning.fetch_add(1); }

FreedMemoryPoisoned::~FreedMemoryPoisoned() { g_poisoning.fetch_sub(1); }

void operator delete(void* block) noexcept
{
    if (block && g_poisoning.load() > 0)
        std::memset(block, 0xDD, _msize(block));
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept { ::operator delete(block); }
