#pragma once

// The gate is shared with the shared store's device files, below both; the calendar index still names it here.
#include "platform/files/MemoryGate.h"
