// File: office/value.h
// The loosely typed value that the object model hands around where its
// members are late-bound (effect fields, timing, colours): a value read from
// one object is assigned unchanged to another, whatever its kind.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

namespace quillmax::office {

// A value the backend understands but the system code only passes along
// (for example a colour object of a colour effect).
struct Opaque {
    std::string kind;                 // backend's tag, e.g. "pptx.colour"
    std::shared_ptr<const void> data; // backend's own payload
    bool operator==(const Opaque& o) const { return kind == o.kind && data == o.data; }
};

class Value {
public:
    using Storage = std::variant<std::monostate, bool, std::int64_t, double, std::string, Opaque>;

    Value() = default;
    Value(bool b) : v_(b) {}
    Value(int i) : v_(static_cast<std::int64_t>(i)) {}
    Value(long i) : v_(static_cast<std::int64_t>(i)) {}
    Value(long long i) : v_(static_cast<std::int64_t>(i)) {}
    Value(double d) : v_(d) {}
    Value(const char* s) : v_(std::string(s)) {}
    Value(std::string s) : v_(std::move(s)) {}
    Value(Opaque o) : v_(std::move(o)) {}

    bool is_empty() const { return std::holds_alternative<std::monostate>(v_); }
    bool is_bool() const { return std::holds_alternative<bool>(v_); }
    bool is_int() const { return std::holds_alternative<std::int64_t>(v_); }
    bool is_double() const { return std::holds_alternative<double>(v_); }
    bool is_string() const { return std::holds_alternative<std::string>(v_); }
    bool is_opaque() const { return std::holds_alternative<Opaque>(v_); }

    // Conversions follow the object model's coercions (True is -1, numbers
    // to text in decimal); an impossible one throws AutomationError
    // ("type mismatch"), like a late-bound call would.
    bool as_bool() const;
    std::int64_t as_int() const;   // doubles round half to even
    double as_double() const;
    std::string as_string() const;
    const Opaque& as_opaque() const;

    const Storage& storage() const { return v_; }
    bool operator==(const Value& o) const { return v_ == o.v_; }
    bool operator!=(const Value& o) const { return !(*this == o); }

private:
    Storage v_;
};

} // namespace quillmax::office
