// File: office/value.cpp
// Coercions of the loosely typed object-model value.
#include "office/value.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

#include "base/errors.h"

namespace quillmax::office {
namespace {

[[noreturn]] void mismatch(const char* to) {
    throw AutomationError("Value", std::string("type mismatch (to ") + to + ")");
}

std::int64_t round_even(double d) {
    return static_cast<std::int64_t>(std::nearbyint(d)); // default mode: half to even
}

std::string number_text(double d) {
    std::ostringstream os;
    os.precision(15);
    os << d;
    return os.str();
}

bool parse_number(const std::string& s, double& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    out = std::strtod(s.c_str(), &end);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    return end && *end == '\0';
}

} // namespace

bool Value::as_bool() const {
    if (auto b = std::get_if<bool>(&v_)) return *b;
    if (auto i = std::get_if<std::int64_t>(&v_)) return *i != 0;
    if (auto d = std::get_if<double>(&v_)) return *d != 0.0;
    if (auto s = std::get_if<std::string>(&v_)) {
        if (*s == "True" || *s == "true") return true;
        if (*s == "False" || *s == "false") return false;
        double d;
        if (parse_number(*s, d)) return d != 0.0;
    }
    if (is_empty()) return false;
    mismatch("Boolean");
}

std::int64_t Value::as_int() const {
    if (auto b = std::get_if<bool>(&v_)) return *b ? -1 : 0;
    if (auto i = std::get_if<std::int64_t>(&v_)) return *i;
    if (auto d = std::get_if<double>(&v_)) return round_even(*d);
    if (auto s = std::get_if<std::string>(&v_)) {
        double d;
        if (parse_number(*s, d)) return round_even(d);
    }
    if (is_empty()) return 0;
    mismatch("Long");
}

double Value::as_double() const {
    if (auto b = std::get_if<bool>(&v_)) return *b ? -1.0 : 0.0;
    if (auto i = std::get_if<std::int64_t>(&v_)) return static_cast<double>(*i);
    if (auto d = std::get_if<double>(&v_)) return *d;
    if (auto s = std::get_if<std::string>(&v_)) {
        double d;
        if (parse_number(*s, d)) return d;
    }
    if (is_empty()) return 0.0;
    mismatch("Double");
}

std::string Value::as_string() const {
    if (auto b = std::get_if<bool>(&v_)) return *b ? "True" : "False";
    if (auto i = std::get_if<std::int64_t>(&v_)) return std::to_string(*i);
    if (auto d = std::get_if<double>(&v_)) return number_text(*d);
    if (auto s = std::get_if<std::string>(&v_)) return *s;
    if (is_empty()) return "";
    mismatch("String");
}

const Opaque& Value::as_opaque() const {
    if (auto o = std::get_if<Opaque>(&v_)) return *o;
    mismatch("Object");
}

} // namespace quillmax::office
