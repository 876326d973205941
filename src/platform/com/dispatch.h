// File: platform/com/dispatch.h
// Late-bound automation over IDispatch: one generic helper that every typed
// wrapper calls by the member's name. A member is looked up with
// GetIDsOfNames and called with Invoke; arguments and results are the
// object model's loosely typed values (office::Value), converted to and from
// VARIANT here. Every failure — a name the object does not know, an
// exception the server raised (DISP_E_EXCEPTION with its EXCEPINFO), a
// dead or busy server (RPC_E_*), a class that is not registered — is thrown
// as office::AutomationError naming "Object.Member".
//
// Values that office::Value cannot hold travel as office::Opaque: an
// object is kind "com.dispatch", anything else (arrays, error codes) kind
// "com.variant"; both go back to the server unchanged.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "office/value.h"

struct IDispatch;

namespace quillmax::com {

using office::Value;
using Named = std::vector<std::pair<std::string, Value>>;

// The "argument left out" marker for optional parameters before a given one.
Value Missing();
// A one-dimensional SAFEARRAY of VARIANTs (lower bound 1), and back.
Value MakeArray(const std::vector<Value>& items);
std::vector<Value> ArrayItems(const Value& array);

// HRESULT and its EXCEPINFO as the layer's error (never returns).
[[noreturn]] void Fail(const std::string& member, long hr, const std::string& detail = "");

class Object {
public:
    Object() = default;
    // Takes a reference of its own; name is the object's kind for messages.
    Object(IDispatch* dispatch, std::string name);
    // An object held in a value ("com.dispatch"); throws when it holds none.
    Object(const Value& value, std::string name);

    bool IsNull() const { return !dispatch_; }
    const std::string& Name() const { return name_; }
    IDispatch* Raw() const { return dispatch_.get(); }
    // The object as a value, to pass to another member.
    Value AsValue() const;

    // Property get (also a method call, as a late-bound read of
    // `Windows(1)` is).
    Value Get(std::string_view member, const std::vector<Value>& args = {}) const;
    void Put(std::string_view member, const Value& value) const;
    Value Call(std::string_view member, const std::vector<Value>& args = {},
               const Named& named = {}) const;
    // The same, for members that answer an object; kind names it.
    Object GetObj(std::string_view member, std::string kind,
                     const std::vector<Value>& args = {}) const;
    Object CallObj(std::string_view member, std::string kind,
                      const std::vector<Value>& args = {}, const Named& named = {}) const;

private:
    Value Invoke(std::string_view member, unsigned short flags, const std::vector<Value>& args,
                 const Named& named) const;

    std::shared_ptr<IDispatch> dispatch_;
    std::string name_;
};

// CreateObject(progId) and GetObj(, progId): COM must be initialised on
// the calling thread.
Object CreateObject(const std::string& progId);
Object GetActiveObject(const std::string& progId);

} // namespace quillmax::com
