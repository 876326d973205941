// File: tests/windows/recording_server.h
// An in-test automation server: an IDispatch that knows any member name
// (except those it is told to refuse), writes every call to a shared log as
// "Member(arg,arg;Named=arg)" ("Member=value" for an assignment), and
// answers with a scripted value, the first argument (member Echo), a raised
// exception (member Fail), a disconnected server (member Gone), or else a
// new recording child object.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

struct ServerScript {
    std::vector<std::string> log;
    std::map<std::string, VARIANT> values; // by member name (owned; cleared by the script)
    std::set<std::string> unknown;         // names GetIDsOfNames refuses
    int liveObjects = 0;
    ~ServerScript() {
        for (auto& [name, v] : values) ::VariantClear(&v);
    }
    void SetText(const std::string& member, const wchar_t* text) {
        VARIANT v;
        ::VariantInit(&v);
        v.vt = VT_BSTR;
        v.bstrVal = ::SysAllocString(text);
        values[member] = v;
    }
    void SetInt(const std::string& member, long n) {
        VARIANT v;
        ::VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = n;
        values[member] = v;
    }
};

// A new server object with one reference, owned by the caller.
IDispatch* NewRecordingServer(std::shared_ptr<ServerScript> script);
