#pragma once
// What this platform layer offers beyond Windows: running a call in another apartment,
// loading and saving the class registry, registering in-process classes, cached time-zone
// offsets. A Windows build provides these from its own small shim.

#include "platform/win32.h"
