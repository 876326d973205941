// File: platform/com/variant.cpp
#include "platform/com/variant.h"

#include <windows.h>
#include <oleauto.h>

#include <climits>
#include <cmath>

#include "base/errors.h"
#include "platform/win32/code_page.h"

namespace quillmax::com {
namespace {

constexpr const char* kDispatchKind = "com.dispatch";
constexpr const char* kVariantKind = "com.variant";

BSTR ToBstr(const std::string& utf8) {
    const std::wstring w = win32::Utf8ToWide(utf8);
    return ::SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
}

office::Value HoldAsOpaque(const VARIANT& v) {
    return office::Value(office::Opaque{kVariantKind, HoldVariant(v)});
}

} // namespace

std::shared_ptr<const void> HoldVariant(const VARIANT& v) {
    auto* copy = new VARIANT;
    ::VariantInit(copy);
    ::VariantCopy(copy, const_cast<VARIANT*>(&v));
    return std::shared_ptr<const void>(copy, [](const void* p) {
        auto* var = static_cast<VARIANT*>(const_cast<void*>(p));
        ::VariantClear(var);
        delete var;
    });
}

const VARIANT* HeldVariant(const office::Value& value) {
    if (!value.is_opaque() || value.as_opaque().kind != kVariantKind) return nullptr;
    return static_cast<const VARIANT*>(value.as_opaque().data.get());
}

IDispatch* HeldDispatch(const office::Value& value) {
    if (!value.is_opaque() || value.as_opaque().kind != kDispatchKind) return nullptr;
    return static_cast<IDispatch*>(const_cast<void*>(value.as_opaque().data.get()));
}

office::Value DispatchValue(IDispatch* dispatch) {
    if (!dispatch) return office::Value();
    dispatch->AddRef();
    std::shared_ptr<const void> held(dispatch, [](const void* p) {
        static_cast<IDispatch*>(const_cast<void*>(p))->Release();
    });
    return office::Value(office::Opaque{kDispatchKind, held});
}

void ToVariant(const office::Value& value, VARIANT& out) {
    ::VariantInit(&out);
    const auto& s = value.storage();
    if (std::holds_alternative<std::monostate>(s)) return; // VT_EMPTY
    if (const bool* b = std::get_if<bool>(&s)) {
        out.vt = VT_BOOL;
        out.boolVal = *b ? VARIANT_TRUE : VARIANT_FALSE;
    } else if (const std::int64_t* i = std::get_if<std::int64_t>(&s)) {
        if (*i >= INT_MIN && *i <= INT_MAX) {
            out.vt = VT_I4;
            out.lVal = static_cast<LONG>(*i);
        } else {
            out.vt = VT_R8; // Office members take no 64-bit integers
            out.dblVal = static_cast<double>(*i);
        }
    } else if (const double* d = std::get_if<double>(&s)) {
        out.vt = VT_R8;
        out.dblVal = *d;
    } else if (const std::string* text = std::get_if<std::string>(&s)) {
        out.vt = VT_BSTR;
        out.bstrVal = ToBstr(*text);
    } else if (IDispatch* disp = HeldDispatch(value)) {
        out.vt = VT_DISPATCH;
        out.pdispVal = disp;
        disp->AddRef();
    } else if (const VARIANT* held = HeldVariant(value)) {
        ::VariantCopy(&out, const_cast<VARIANT*>(held));
    } else {
        throw office::AutomationError("", "type mismatch: " + value.as_opaque().kind +
                                              " cannot be passed to an automation server");
    }
}

office::Value FromVariant(const VARIANT& in) {
    VARIANT v;
    ::VariantInit(&v);
    if (FAILED(::VariantCopyInd(&v, const_cast<VARIANT*>(&in)))) return HoldAsOpaque(in);
    office::Value out;
    switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL: break;
    case VT_BOOL: out = office::Value(v.boolVal != VARIANT_FALSE); break;
    case VT_I1: out = office::Value(static_cast<int>(v.cVal)); break;
    case VT_UI1: out = office::Value(static_cast<int>(v.bVal)); break;
    case VT_I2: out = office::Value(static_cast<int>(v.iVal)); break;
    case VT_UI2: out = office::Value(static_cast<int>(v.uiVal)); break;
    case VT_I4: out = office::Value(static_cast<long long>(v.lVal)); break;
    case VT_UI4: out = office::Value(static_cast<long long>(v.ulVal)); break;
    case VT_INT: out = office::Value(static_cast<long long>(v.intVal)); break;
    case VT_UINT: out = office::Value(static_cast<long long>(v.uintVal)); break;
    case VT_I8: out = office::Value(static_cast<long long>(v.llVal)); break;
    case VT_R4: out = office::Value(static_cast<double>(v.fltVal)); break;
    case VT_R8: out = office::Value(v.dblVal); break;
    case VT_BSTR:
        out = office::Value(win32::WideToUtf8(
            std::wstring_view(v.bstrVal ? v.bstrVal : L"", v.bstrVal ? ::SysStringLen(v.bstrVal) : 0)));
        break;
    case VT_DISPATCH: out = DispatchValue(v.pdispVal); break;
    case VT_DATE:
    case VT_CY:
    case VT_DECIMAL: {
        VARIANT r;
        ::VariantInit(&r);
        if (SUCCEEDED(::VariantChangeType(&r, &v, 0, VT_R8))) out = office::Value(r.dblVal);
        else out = HoldAsOpaque(v);
        ::VariantClear(&r);
        break;
    }
    case VT_UNKNOWN: {
        IDispatch* disp = nullptr;
        if (v.punkVal && SUCCEEDED(v.punkVal->QueryInterface(IID_IDispatch,
                                                             reinterpret_cast<void**>(&disp)))) {
            out = DispatchValue(disp);
            disp->Release();
        } else {
            out = HoldAsOpaque(v);
        }
        break;
    }
    default: out = HoldAsOpaque(v); break; // arrays, error codes, …
    }
    ::VariantClear(&v);
    return out;
}

} // namespace quillmax::com
