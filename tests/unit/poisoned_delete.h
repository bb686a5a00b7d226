// Makes use of freed memory visible in this test program: while a
// FreedMemoryPoisoned lives, every block operator delete releases is first
// filled with 0xDD, so code that reads an object after freeing it finds
// 0xDDDD... pointers and counts and fails loudly instead of working by
// accident on memory nobody reused yet.
#pragma once

class FreedMemoryPoisoned {
public:
    FreedMemoryPoisoned();
    ~FreedMemoryPoisoned();
    FreedMemoryPoisoned(const FreedMemoryPoisoned&) = delete;
    FreedMemoryPoisoned& operator=(const FreedMemoryPoisoned&) = delete;
};
