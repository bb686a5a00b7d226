// Pieces of bitmap loading that tests reach directly.
#pragma once

#include "imagelib/gfl_records.h"

// The library's cancel query during a file decode; the user value is the
// host's abort event (null: never cancelled). True only once it is signalled.
GflBool AbortRequested(void* userValue);
