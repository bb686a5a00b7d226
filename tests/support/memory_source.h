// A source the image library reads through its read/tell/seek callbacks:
// bytes in memory, as strict as the plug-in's stream adapter (a read that
// cannot be filled completely fails, and so does a read reaching past
// failReadsFrom).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imagelib/gfl_records.h"

struct MemorySource {
    std::vector<uint8_t> bytes;
    size_t position = 0;
    size_t failReadsFrom = SIZE_MAX;

    static uint32_t Read(void* handle, void* buffer, uint32_t size)
    {
        auto* source = static_cast<MemorySource*>(handle);
        if (source->position + size > source->bytes.size() || source->position + size > source->failReadsFrom)
            return 0xFFFFFFFF;
        std::memcpy(buffer, source->bytes.data() + source->position, size);
        source->position += size;
        return size;
    }
    static uint32_t Tell(void* handle) { return static_cast<uint32_t>(static_cast<MemorySource*>(handle)->position); }
    static uint32_t Seek(void* handle, int32_t offset, int32_t origin)
    {
        auto* source = static_cast<MemorySource*>(handle);
        const int64_t base = origin == 0 ? 0 : origin == 1 ? static_cast<int64_t>(source->position)
                                                           : static_cast<int64_t>(source->bytes.size());
        const int64_t target = base + offset;
        if (origin < 0 || origin > 2 || target < 0 || target > static_cast<int64_t>(source->bytes.size()))
            return 0xFFFFFFFF;
        source->position = static_cast<size_t>(target);
        return static_cast<uint32_t>(target);
    }

    // Points the callback block at these three.
    static void Install(GflStreamCallbacks& callbacks)
    {
        callbacks.read = &Read;
        callbacks.tell = &Tell;
        callbacks.seek = &Seek;
    }
};
