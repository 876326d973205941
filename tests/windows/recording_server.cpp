// File: tests/windows/recording_server.cpp
#include "recording_server.h"

#include <cstdio>

#include "platform/win32/code_page.h"

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Show(const VARIANT& in) {
    VARIANT v;
    ::VariantInit(&v);
    ::VariantCopyInd(&v, const_cast<VARIANT*>(&in));
    std::string s;
    char buf[64];
    if (v.vt & VT_ARRAY) {
        LONG lo = 0, hi = -1;
        ::SafeArrayGetLBound(v.parray, 1, &lo);
        ::SafeArrayGetUBound(v.parray, 1, &hi);
        s = "<array " + std::to_string(hi - lo + 1) + ">";
    } else {
        switch (v.vt) {
        case VT_EMPTY: s = "<empty>"; break;
        case VT_BOOL: s = v.boolVal ? "true" : "false"; break;
        case VT_I4: s = std::to_string(v.lVal); break;
        case VT_R8: std::snprintf(buf, sizeof buf, "%g", v.dblVal); s = buf; break;
        case VT_BSTR: s = quillmax::win32::WideToUtf8(v.bstrVal ? v.bstrVal : L""); break;
        case VT_DISPATCH: s = "<object>"; break;
        case VT_ERROR: s = v.scode == DISP_E_PARAMNOTFOUND ? "<missing>" : "<error>"; break;
        default: s = "<vt " + std::to_string(v.vt) + ">"; break;
        }
    }
    ::VariantClear(&v);
    return s;
}

class RecordingServer final : public IDispatch {
public:
    explicit RecordingServer(std::shared_ptr<ServerScript> script) : script_(std::move(script)) {
        ++script_->liveObjects;
    }
    ~RecordingServer() { --script_->liveObjects; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            const std::string name = quillmax::win32::WideToUtf8(names[i]);
            if (script_->unknown.count(name)) {
                ids[i] = DISPID_UNKNOWN;
                hr = DISP_E_UNKNOWNNAME;
                continue;
            }
            ids[i] = Id(name);
        }
        return hr;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p,
                                     VARIANT* result, EXCEPINFO* ei, UINT*) override {
        const std::string member = names_.at(static_cast<size_t>(id));
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            if (p->cArgs != 1 || p->cNamedArgs != 1 || p->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
                return DISP_E_BADPARAMCOUNT;
            script_->log.push_back(member + "=" + Show(p->rgvarg[0]));
            return S_OK;
        }
        // Positional arguments come last, reversed; named ones first.
        std::string call = member + "(";
        for (UINT i = p->cArgs; i-- > p->cNamedArgs;) {
            call += Show(p->rgvarg[i]);
            if (i > p->cNamedArgs) call += ",";
        }
        for (UINT i = 0; i < p->cNamedArgs; ++i)
            call += (i == 0 ? ";" : ",") + names_.at(static_cast<size_t>(p->rgdispidNamedArgs[i])) +
                    "=" + Show(p->rgvarg[i]);
        call += ")";
        script_->log.push_back(call);

        if (member == "Fail") {
            ei->wCode = 0;
            ei->bstrSource = ::SysAllocString(L"RecordingServer");
            ei->bstrDescription = ::SysAllocString(L"ファイルが見つかりません。");
            ei->scode = static_cast<SCODE>(0x800A0035);
            return DISP_E_EXCEPTION;
        }
        if (member == "Gone") return RPC_E_DISCONNECTED;
        if (!result) return S_OK;
        if (member == "Echo" && p->cArgs > 0) return ::VariantCopyInd(result, &p->rgvarg[p->cArgs - 1]);
        auto it = script_->values.find(member);
        if (it != script_->values.end()) return ::VariantCopy(result, &it->second);
        result->vt = VT_DISPATCH;
        result->pdispVal = new RecordingServer(script_); // one reference, handed over
        return S_OK;
    }

private:
    DISPID Id(const std::string& name) {
        for (size_t i = 0; i < names_.size(); ++i)
            if (Lower(names_[i]) == Lower(name)) return static_cast<DISPID>(i);
        names_.push_back(name);
        return static_cast<DISPID>(names_.size() - 1);
    }

    std::shared_ptr<ServerScript> script_;
    ULONG refs_ = 1;
    // Names seen, by DISPID; shared by nobody, so each object numbers its own.
    std::vector<std::string> names_{"<none>"};
};

} // namespace

IDispatch* NewRecordingServer(std::shared_ptr<ServerScript> script) {
    return new RecordingServer(std::move(script));
}
