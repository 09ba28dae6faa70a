#pragma once
// What this platform layer offers beyond Windows: running a call in another apartment,
// loading and saving the class registry, registering in-process classes, cached time-zone
// offsets. A Windows build provides these from its own small shim.

#include "platform/win32.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComObject.h"
#include "platform/com/Enumerators.h"
#include "platform/com/ConnectionPoints.h"
#include "platform/com/ComApartment.h"
#include "platform/com/ComClassRegistration.h"
#include "platform/com/ComPlugins.h"
#include "platform/win/RegistryFile.h"
#include "platform/win/TimeZoneOffsets.h"
