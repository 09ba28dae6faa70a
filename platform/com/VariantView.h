#pragma once
// Internal to the automation functions: which types a VARIANT and a SAFEARRAY may hold, and
// the by-value view of a variant behind its byref indirection.

#include "platform/com/OleAuto.h"

// {00020400-0000-0000-C000-000000000046}
inline constexpr GUID kDispatchInterfaceId = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// The types a VARIANT may carry, flags included. Records are not supported.
bool IsValidVariantType(VARTYPE vt);
// Bytes of one value of a base type as an array element (VT_VARIANT: a whole VARIANT);
// 0 for types an array cannot hold.
UINT ElementSize(VARTYPE vt);
// A shallow, by-value copy of what src holds or refers to, owning nothing. A byref VARIANT
// is followed, and so is one byref inside it; deeper nesting is E_INVALIDARG.
HRESULT ReadThroughReference(const VARIANT& src, VARIANT& view);
// Clears dest and moves value into it. When dest cannot be cleared, value is freed instead
// and dest keeps what it had.
HRESULT ReplaceVariant(VARIANT& dest, VARIANT& value);
