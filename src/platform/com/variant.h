// File: platform/com/variant.h
// office::Value <-> VARIANT. Integers go as VT_I4 where they fit (what
// Office members take), text as BSTR (UTF-16), objects as VT_DISPATCH.
#pragma once

#include <oaidl.h>

#include "office/value.h"

namespace quillmax::com {

// Fills an empty (VariantInit'ed) VARIANT; the caller clears it. Throws
// AutomationError for an opaque value of another backend.
void ToVariant(const office::Value& value, VARIANT& out);
// Copies; by-reference variants are followed.
office::Value FromVariant(const VARIANT& in);

// Owns a VARIANT (cleared when the last holder lets go).
std::shared_ptr<const void> HoldVariant(const VARIANT& v);
const VARIANT* HeldVariant(const office::Value& value); // null when not "com.variant"
IDispatch* HeldDispatch(const office::Value& value);    // null when not "com.dispatch"
office::Value DispatchValue(IDispatch* dispatch);       // takes its own reference

} // namespace quillmax::com
