// File: platform/com/dispatch.cpp
// GetIDsOfNames + Invoke, argument marshalling and HRESULTs as errors.
#include "platform/com/dispatch.h"

#include <windows.h>
#include <oleauto.h>

#include <cstdio>

#include "base/errors.h"
#include "platform/com/variant.h"
#include "platform/win32/code_page.h"

namespace quillmax::com {
namespace {

std::string Hex(long hr) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(hr));
    return buf;
}

std::string SystemMessage(long hr) {
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, static_cast<DWORD>(hr), 0,
                                     reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string s = n && text ? win32::WideToUtf8(std::wstring_view(text, n)) : "";
    if (text) ::LocalFree(text);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

// What a failing HRESULT means, for the messages; the common automation
// failures are named so a log reader need not look them up.
std::string Describe(long hr) {
    switch (hr) {
    case DISP_E_UNKNOWNNAME: return "unknown member name";
    case DISP_E_MEMBERNOTFOUND: return "member not found";
    case DISP_E_BADPARAMCOUNT: return "wrong number of arguments";
    case DISP_E_TYPEMISMATCH: return "type mismatch";
    case DISP_E_PARAMNOTFOUND: return "argument not found";
    case DISP_E_BADINDEX: return "index out of range";
    case CO_E_CLASSSTRING: return "no such class (ProgID not registered)";
    case REGDB_E_CLASSNOTREG: return "class not registered";
    case MK_E_UNAVAILABLE: return "no running instance";
    case RPC_E_CALL_REJECTED: return "the program is busy (call rejected)";
    case RPC_E_SERVERCALL_RETRYLATER: return "the program is busy (retry later)";
    case RPC_E_DISCONNECTED: return "the program has disconnected";
    case RPC_E_SERVERFAULT: return "the program faulted";
    case static_cast<long>(0x800706BA): return "the program is not running (RPC server unavailable)";
    default: break;
    }
    std::string s = SystemMessage(hr);
    return s.empty() ? "automation call failed" : s;
}


std::string FromBstr(BSTR b) {
    return b ? win32::WideToUtf8(std::wstring_view(b, ::SysStringLen(b))) : std::string();
}

// The server's own account of a DISP_E_EXCEPTION; frees the strings.
std::string TakeException(EXCEPINFO& ei, long& hr) {
    if (ei.pfnDeferredFillIn) ei.pfnDeferredFillIn(&ei);
    std::string text = FromBstr(ei.bstrDescription);
    const std::string source = FromBstr(ei.bstrSource);
    if (!source.empty()) text = source + (text.empty() ? "" : ": ") + text;
    if (ei.scode) hr = ei.scode;
    else if (ei.wCode) text += (text.empty() ? "" : " ") + std::string("(code ") + std::to_string(ei.wCode) + ")";
    ::SysFreeString(ei.bstrDescription);
    ::SysFreeString(ei.bstrSource);
    ::SysFreeString(ei.bstrHelpFile);
    return text;
}

// The arguments of one Invoke, in the order IDispatch wants them: named
// ones first (matching rgdispidNamedArgs), then the positional ones
// reversed. Cleared on every way out.
class Arguments {
public:
    Arguments(const std::vector<Value>& args, const Named& named) : v_(args.size() + named.size()) {
        size_t k = 0;
        for (const auto& [name, value] : named) ToVariant(value, v_[k++]);
        for (size_t i = args.size(); i-- > 0;) ToVariant(args[i], v_[k++]);
    }
    ~Arguments() {
        for (VARIANT& v : v_) ::VariantClear(&v);
    }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;
    VARIANT* data() { return v_.empty() ? nullptr : v_.data(); }
    UINT size() const { return static_cast<UINT>(v_.size()); }

private:
    std::vector<VARIANT> v_;
};

} // namespace

Value Missing() {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return Value(office::Opaque{"com.variant", HoldVariant(v)});
}

Value MakeArray(const std::vector<Value>& items) {
    SAFEARRAY* sa = ::SafeArrayCreateVector(VT_VARIANT, 1, static_cast<ULONG>(items.size()));
    if (!sa) throw office::AutomationError("", "out of memory");
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
        VARIANT v;
        ToVariant(items[static_cast<size_t>(i)], v);
        LONG index = i + 1;
        ::SafeArrayPutElement(sa, &index, &v); // copies
        ::VariantClear(&v);
    }
    VARIANT arr;
    ::VariantInit(&arr);
    arr.vt = VT_ARRAY | VT_VARIANT;
    arr.parray = sa;
    Value out(office::Opaque{"com.variant", HoldVariant(arr)});
    ::VariantClear(&arr);
    return out;
}

std::vector<Value> ArrayItems(const Value& array) {
    const VARIANT* v = HeldVariant(array);
    if (!v || !(v->vt & VT_ARRAY) || !v->parray || ::SafeArrayGetDim(v->parray) != 1)
        throw office::AutomationError("", "type mismatch: not a one-dimensional array");
    SAFEARRAY* sa = v->parray;
    LONG lo = 0, hi = -1;
    ::SafeArrayGetLBound(sa, 1, &lo);
    ::SafeArrayGetUBound(sa, 1, &hi);
    VARTYPE type = VT_EMPTY;
    ::SafeArrayGetVartype(sa, &type);
    std::vector<Value> items;
    for (LONG i = lo; i <= hi; ++i) {
        VARIANT item;
        ::VariantInit(&item);
        if (type == VT_VARIANT) {
            ::SafeArrayGetElement(sa, &i, &item);
        } else {
            // A typed array: read the element into a VARIANT of that type.
            item.vt = type;
            if (type == VT_BSTR || type == VT_DISPATCH || type == VT_UNKNOWN || type == VT_I4 ||
                type == VT_R8 || type == VT_BOOL || type == VT_I2 || type == VT_R4 || type == VT_UI1)
                ::SafeArrayGetElement(sa, &i, &item.lVal);
            else
                item.vt = VT_EMPTY;
        }
        items.push_back(FromVariant(item));
        ::VariantClear(&item);
    }
    return items;
}

void Fail(const std::string& member, long hr, const std::string& detail) {
    std::string message = detail.empty() ? Describe(hr) : detail;
    throw office::AutomationError(member, message + " [" + Hex(hr) + "]");
}

Object::Object(IDispatch* dispatch, std::string name) : name_(std::move(name)) {
    if (!dispatch) return;
    dispatch->AddRef();
    dispatch_.reset(dispatch, [](IDispatch* p) { p->Release(); });
}

Object::Object(const Value& value, std::string name) : Object(HeldDispatch(value), std::move(name)) {
    if (!dispatch_) throw office::AutomationError(name_, "object required");
}

Value Object::AsValue() const { return DispatchValue(dispatch_.get()); }

Value Object::Invoke(std::string_view member, unsigned short flags, const std::vector<Value>& args,
                     const Named& named) const {
    const std::string where = name_ + "." + std::string(member);
    if (!dispatch_) throw office::AutomationError(where, "object variable not set");

    // The member's DISPID and those of its named arguments, in one lookup.
    std::vector<std::wstring> names{win32::Utf8ToWide(member)};
    for (const auto& [name, value] : named) names.push_back(win32::Utf8ToWide(name));
    std::vector<LPOLESTR> namePtrs;
    for (std::wstring& n : names) namePtrs.push_back(n.data());
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
    HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, namePtrs.data(), static_cast<UINT>(names.size()),
                                          LOCALE_USER_DEFAULT, ids.data());
    if (FAILED(hr)) Fail(where, hr);

    Arguments arguments(args, named);
    std::vector<DISPID> namedIds(ids.begin() + 1, ids.end());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{arguments.data(), namedIds.empty() ? nullptr : namedIds.data(), arguments.size(),
                      static_cast<UINT>(namedIds.size())};
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &putId; // the assigned value is the one named argument
        params.cNamedArgs = 1;
    }

    VARIANT result;
    ::VariantInit(&result);
    EXCEPINFO ei{};
    UINT argErr = 0;
    hr = dispatch_->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                           (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) ? nullptr : &result,
                           &ei, &argErr);
    if (hr == DISP_E_EXCEPTION) {
        long code = hr;
        const std::string text = TakeException(ei, code);
        Fail(where, code, text);
    }
    if (FAILED(hr)) {
        std::string detail;
        if (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND)
            detail = Describe(hr) + " (argument " + std::to_string(arguments.size() - argErr) + ")";
        Fail(where, hr, detail);
    }
    Value out = FromVariant(result);
    ::VariantClear(&result);
    return out;
}

Value Object::Get(std::string_view member, const std::vector<Value>& args) const {
    return Invoke(member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args, {});
}

void Object::Put(std::string_view member, const Value& value) const {
    // An object is assigned by reference (Set x.Member = obj).
    const unsigned short flags =
        HeldDispatch(value) ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
    Invoke(member, flags, {value}, {});
}

Value Object::Call(std::string_view member, const std::vector<Value>& args, const Named& named) const {
    return Invoke(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, named);
}

Object Object::GetObj(std::string_view member, std::string kind, const std::vector<Value>& args) const {
    Value v = Get(member, args);
    if (!HeldDispatch(v))
        throw office::AutomationError(name_ + "." + std::string(member), "object required");
    return Object(HeldDispatch(v), std::move(kind));
}

Object Object::CallObj(std::string_view member, std::string kind, const std::vector<Value>& args,
                          const Named& named) const {
    Value v = Call(member, args, named);
    if (!HeldDispatch(v))
        throw office::AutomationError(name_ + "." + std::string(member), "object required");
    return Object(HeldDispatch(v), std::move(kind));
}

namespace {

CLSID ClassOf(const std::string& progId, const std::string& where) {
    CLSID clsid{};
    const HRESULT hr = ::CLSIDFromProgID(win32::Utf8ToWide(progId).c_str(), &clsid);
    if (FAILED(hr)) Fail(where, hr, "no such class: " + progId);
    return clsid;
}

Object FromUnknown(IUnknown* unknown, const std::string& progId, const std::string& where) {
    IDispatch* dispatch = nullptr;
    const HRESULT hr = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    unknown->Release();
    if (FAILED(hr)) Fail(where, hr, progId + " offers no automation interface");
    Object o(dispatch, progId);
    dispatch->Release();
    return o;
}

} // namespace

Object CreateObject(const std::string& progId) {
    const std::string where = "CreateObject(" + progId + ")";
    const CLSID clsid = ClassOf(progId, where);
    IUnknown* unknown = nullptr;
    const HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IUnknown,
                                          reinterpret_cast<void**>(&unknown));
    if (FAILED(hr)) Fail(where, hr);
    return FromUnknown(unknown, progId, where);
}

Object GetActiveObject(const std::string& progId) {
    const std::string where = "GetObject(" + progId + ")";
    const CLSID clsid = ClassOf(progId, where);
    IUnknown* unknown = nullptr;
    const HRESULT hr = ::GetActiveObject(clsid, nullptr, &unknown);
    if (FAILED(hr) || !unknown) Fail(where, FAILED(hr) ? hr : MK_E_UNAVAILABLE);
    return FromUnknown(unknown, progId, where);
}

} // namespace quillmax::com
