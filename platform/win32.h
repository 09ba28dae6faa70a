#pragma once
// Everything of the platform layer that Windows itself has (what <windows.h>, <objbase.h> and
// <oleauto.h> give there). Toolkit and OPC code include this header and nothing deeper, so that
// a Windows build can replace it with the SDK. Additions that Windows lacks live beside it in
// platform/ComExtensions.h.

#include <type_traits>

#include "platform/com/WinTypes.h"
#include "platform/com/TaskMemory.h"
#include "platform/com/OleAuto.h"
#include "platform/com/ComBaseApi.h"
#include "platform/com/ObjIdl.h"
#include "platform/com/OCIdl.h"
#include "platform/com/ComCat.h"
#include "platform/win/WinReg.h"
#include "platform/win/WinBase.h"
#include "platform/win/WinUser.h"
#include "platform/win/WinNetWk.h"
#include "platform/win/TimeZoneApi.h"
