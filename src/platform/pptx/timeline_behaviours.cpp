// File: platform/pptx/timeline_behaviours.cpp
// What hangs off an effect: its behaviours (motion, colour, scale, rotation,
// property with its points, command) and its EffectParameters (direction,
// amount, size, Color2), each read and written over the effect's XML.
#include <cstring>
#include <map>

#include "base/text.h"
#include "platform/pptx/timeline_objects.h"
#include "platform/pptx/timeline_xml.h"
#include "platform/pptx/xml_util.h"

namespace quillmax::pptx::timeline_objects {

using office::Value;
using util::LowerAscii;

namespace {

// presetSubtype <-> msoAnimDirection for the common directions.
const std::vector<std::pair<int, int>> kDirections = {
    {1, 1}, {2, 2}, {4, 3}, {8, 4}, {3, 6}, {6, 7}, {12, 8}, {9, 9},
    {16, 12}, {32, 11}, {10, 13}, {5, 14}};

// ---- behaviour sub-objects -----------------------------------------------

struct BehaviourRef : EffectRef {
    int index = 0;
    pugi::xml_node Node(const char* member) const {
        auto list = tx::Behaviours(Par(member));
        if (index < 1 || index > static_cast<int>(list.size())) Fail(member, "no such behaviour");
        return list[index - 1];
    }
};

const std::vector<const char*> kPointOrder = {"p:cBhvr", "p:by", "p:from", "p:to", "p:rCtr"};

// A point child (by/from/to) as percent coordinates.
Value PointCoord(pugi::xml_node b, const char* child, const char* axis) {
    auto c = b.child(child);
    if (!c) return {};
    return Value(c.attribute(axis).as_double() / 1000.0);
}

void SetPointCoord(pugi::xml_node b, const char* child, const char* axis, const Value& v) {
    auto c = b.child(child);
    if (v.is_empty()) {
        if (c) b.remove_child(c);
        return;
    }
    if (!c) {
        c = ChildInOrder(b, child, kPointOrder);
        c.append_attribute("x") = 0;
        c.append_attribute("y") = 0;
    }
    SetIntAttr(c, axis, v.as_double() * 1000.0);
}

class SubEffect : public office::Dispatch {
public:
    SubEffect(BehaviourRef ref, int type, const char* object) : ref_(std::move(ref)), type_(type), object_(object) {}

    Value Get(std::string_view member) override {
        auto b = Node(member);
        return Read(b, LowerAscii(member), Member(member));
    }
    void Set(std::string_view member, const Value& v) override {
        auto b = Node(member);
        const std::string m = LowerAscii(member);
        if (Same(Read(b, m, Member(member)), v)) return;
        Write(b, m, v, Member(member));
        ref_.Dirty();
    }

private:
    std::string Member(std::string_view m) const { return std::string(object_) + "." + std::string(m); }
    pugi::xml_node Node(std::string_view member) {
        auto b = ref_.Node(object_);
        if (tx::BehaviourType(b) != type_) Fail(Member(member), "the behaviour is of another type");
        return b;
    }

    Value Read(pugi::xml_node b, const std::string& m, const std::string& member) {
        switch (type_) {
        case 2: // colour
            if (m == "by") return Colour(b.child("p:by"));
            if (m == "from") return Colour(b.child("p:from"));
            if (m == "to") return Colour(b.child("p:to"));
            break;
        case 1: // motion, in percent of the slide
            if (m == "path") return b.attribute("path") ? Value(std::string(b.attribute("path").value())) : Value();
            [[fallthrough]];
        case 3: // motion and scale, in percent
            if (m == "byx") return PointCoord(b, "p:by", "x");
            if (m == "byy") return PointCoord(b, "p:by", "y");
            if (m == "fromx") return PointCoord(b, "p:from", "x");
            if (m == "fromy") return PointCoord(b, "p:from", "y");
            if (m == "tox") return PointCoord(b, "p:to", "x");
            if (m == "toy") return PointCoord(b, "p:to", "y");
            break;
        case 4: // rotation, in degrees
            if (m == "by" || m == "from" || m == "to") {
                auto a = b.attribute(m.c_str());
                return a ? Value(a.as_double() / 60000.0) : Value();
            }
            break;
        case 6: // command
            if (m == "command") return Value(std::string(b.attribute("cmd").value()));
            if (m == "type") {
                std::string t = b.attribute("type").value();
                return Value(t == "call" ? 1 : t == "verb" ? 2 : 0);
            }
            break;
        }
        Fail(member, "no such member");
    }

    void Write(pugi::xml_node b, const std::string& m, const Value& v, const std::string& member) {
        switch (type_) {
        case 1:
            if (m == "path") {
                if (v.is_empty()) b.remove_attribute("path");
                else SetAttr(b, "path", v.as_string());
                return;
            }
            [[fallthrough]];
        case 3: {
            static const std::map<std::string, std::pair<const char*, const char*>> kCoords = {
                {"byx", {"p:by", "x"}},     {"byy", {"p:by", "y"}}, {"fromx", {"p:from", "x"}},
                {"fromy", {"p:from", "y"}}, {"tox", {"p:to", "x"}}, {"toy", {"p:to", "y"}}};
            auto it = kCoords.find(m);
            if (it == kCoords.end()) break;
            SetPointCoord(b, it->second.first, it->second.second, v);
            return;
        }
        case 2:
            if (m == "by" || m == "from" || m == "to") {
                SetColour(b, ("p:" + m).c_str(), v, kPointOrder, member);
                return;
            }
            break;
        case 4:
            if (m == "by" || m == "from" || m == "to") {
                if (v.is_empty()) b.remove_attribute(m.c_str());
                else SetIntAttr(b, m.c_str(), v.as_double() * 60000.0);
                return;
            }
            break;
        case 6:
            if (m == "command") {
                SetAttr(b, "cmd", v.as_string());
                return;
            }
            if (m == "type") {
                const auto t = v.as_int();
                SetAttr(b, "type", t == 1 ? "call" : t == 2 ? "verb" : "evt");
                return;
            }
            break;
        }
        Fail(member, "no such member");
    }

    BehaviourRef ref_;
    int type_;
    const char* object_;
};

// ---- property effect and its points ----------------------------------------

const std::vector<std::pair<const char*, int>> kProperties = {
    {"ppt_x", 1}, {"ppt_y", 2}, {"ppt_w", 3}, {"ppt_h", 4}, {"style.opacity", 5},
    {"r", 6},     {"style.color", 7}, {"style.visibility", 8}};

pugi::xml_node AnimNode(const BehaviourRef& ref, const char* member) {
    auto b = ref.Node(member);
    if (tx::BehaviourType(b) != 5) Fail(member, "the behaviour is of another type");
    return b;
}

class Point : public office::Dispatch {
public:
    Point(BehaviourRef ref, int p) : ref_(std::move(ref)), p_(p) {}
    Value Get(std::string_view member) override { return Read(Node(member), LowerAscii(member), member); }
    void Set(std::string_view member, const Value& v) override {
        auto tav = Node(member);
        const auto m = LowerAscii(member);
        if (Same(Read(tav, m, member), v)) return;
        if (m == "formula") {
            if (v.is_empty()) tav.remove_attribute("fmla");
            else SetAttr(tav, "fmla", v.as_string());
        } else if (m == "time") {
            SetIntAttr(tav, "tm", v.as_double() * 100000.0);
        } else if (m == "value") {
            if (auto old = tav.child("p:val")) tav.remove_child(old);
            if (!v.is_empty()) {
                auto val = tav.append_child("p:val");
                if (v.is_string()) val.append_child("p:strVal").append_attribute("val") = v.as_string().c_str();
                else if (v.is_bool()) val.append_child("p:boolVal").append_attribute("val") = v.as_bool() ? "1" : "0";
                else if (v.is_int()) val.append_child("p:intVal").append_attribute("val") = static_cast<long long>(v.as_int());
                else if (v.is_double()) val.append_child("p:fltVal").append_attribute("val") = FormatNumber(v.as_double()).c_str();
                else SetColour(val, "p:clrVal", v, {"p:clrVal"}, "AnimationPoint.Value");
            }
        } else {
            Fail("AnimationPoint." + std::string(member), "no such member");
        }
        ref_.Dirty();
    }

private:
    pugi::xml_node Node(std::string_view member) {
        auto b = AnimNode(ref_, "AnimationPoint");
        int k = 0;
        for (auto tav : b.child("p:tavLst").children("p:tav"))
            if (++k == p_) return tav;
        Fail("AnimationPoint." + std::string(member), "the point no longer exists");
    }
    static Value Read(pugi::xml_node tav, const std::string& m, std::string_view member) {
        if (m == "formula") return tav.attribute("fmla") ? Value(std::string(tav.attribute("fmla").value())) : Value();
        if (m == "time") return Value(tav.attribute("tm").as_double() / 100000.0);
        if (m == "value") {
            auto val = tav.child("p:val").first_child();
            if (!val) return {};
            std::string n = val.name();
            if (n == "p:strVal") return Value(std::string(val.attribute("val").value()));
            if (n == "p:boolVal") return Value(val.attribute("val").as_bool());
            if (n == "p:intVal") return Value(static_cast<long long>(val.attribute("val").as_llong()));
            if (n == "p:fltVal") return Value(val.attribute("val").as_double());
            return Colour(val);
        }
        Fail("AnimationPoint." + std::string(member), "no such member");
    }

    BehaviourRef ref_;
    int p_;
};

class Points : public office::AnimationPoints {
public:
    explicit Points(BehaviourRef ref) : ref_(std::move(ref)) {}
    int Count() override {
        int k = 0;
        for (auto tav : AnimNode(ref_, "AnimationPoints.Count").child("p:tavLst").children("p:tav")) {
            (void)tav;
            ++k;
        }
        return k;
    }
    std::shared_ptr<office::Dispatch> Item(int index) override {
        if (index < 1 || index > Count()) Fail("AnimationPoints.Item", "no such point");
        return std::make_shared<Point>(ref_, index);
    }
    std::shared_ptr<office::Dispatch> Add() override {
        auto b = AnimNode(ref_, "AnimationPoints.Add");
        auto lst = b.child("p:tavLst");
        if (!lst) lst = b.append_child("p:tavLst");
        lst.append_child("p:tav").append_attribute("tm") = 0;
        ref_.Dirty();
        return std::make_shared<Point>(ref_, Count());
    }
    // The package has no smoothing of its own: only the straight curve.
    bool Smooth() override {
        AnimNode(ref_, "AnimationPoints.Smooth");
        return false;
    }
    void SetSmooth(bool v) override {
        AnimNode(ref_, "AnimationPoints.Smooth");
        if (v) Fail("AnimationPoints.Smooth", "smoothed curves are not available");
    }

private:
    BehaviourRef ref_;
};

class PropertyEffectImpl : public office::PropertyEffect {
public:
    explicit PropertyEffectImpl(BehaviourRef ref) : ref_(std::move(ref)) {}
    Value Get(std::string_view member) override { return Read(AnimNode(ref_, "PropertyEffect"), LowerAscii(member), member); }
    void Set(std::string_view member, const Value& v) override {
        auto b = AnimNode(ref_, "PropertyEffect");
        const auto m = LowerAscii(member);
        if (Same(Read(b, m, member), v)) return;
        if (m == "from" || m == "to") {
            if (v.is_empty()) b.remove_attribute(m.c_str());
            else SetAttr(b, m.c_str(), v.as_string());
        } else if (m == "property") {
            std::string name = v.is_string() ? v.as_string() : std::string();
            if (!v.is_string()) {
                for (auto [n, num] : kProperties)
                    if (num == v.as_int()) name = n;
                if (name.empty()) Fail("PropertyEffect.Property", "unknown property");
            }
            auto lst = b.child("p:cBhvr").child("p:attrNameLst");
            if (!lst) lst = ChildInOrder(b.child("p:cBhvr"), "p:attrNameLst", {"p:cTn", "p:tgtEl", "p:attrNameLst"});
            while (lst.first_child()) lst.remove_child(lst.first_child());
            lst.append_child("p:attrName").text() = name.c_str();
        } else {
            Fail("PropertyEffect." + std::string(member), "no such member");
        }
        ref_.Dirty();
    }
    std::shared_ptr<office::AnimationPoints> Points() override {
        AnimNode(ref_, "PropertyEffect.Points");
        return std::make_shared<class Points>(ref_);
    }

private:
    static Value Read(pugi::xml_node b, const std::string& m, std::string_view member) {
        if (m == "from" || m == "to") {
            auto a = b.attribute(m.c_str());
            return a ? Value(std::string(a.value())) : Value();
        }
        if (m == "property") {
            std::string name = b.child("p:cBhvr").child("p:attrNameLst").child("p:attrName").text().get();
            for (auto [n, num] : kProperties)
                if (name == n) return Value(num);
            return Value(name);
        }
        Fail("PropertyEffect." + std::string(member), "no such member");
    }
    BehaviourRef ref_;
};

class Behavior : public office::AnimationBehavior {
public:
    explicit Behavior(BehaviourRef ref) : ref_(std::move(ref)) {}
    Value Get(std::string_view member) override { return Read(ref_.Node("AnimationBehavior"), LowerAscii(member), member); }
    void Set(std::string_view member, const Value& v) override {
        auto b = ref_.Node("AnimationBehavior");
        const auto m = LowerAscii(member);
        if (Same(Read(b, m, member), v)) return;
        auto c = b.child("p:cBhvr");
        if (m == "accumulate") SetAttr(c, "accumulate", v.as_int() == 2 ? "always" : "none");
        else if (m == "additive") SetAttr(c, "additive", v.as_int() == 2 ? "sum" : "base");
        else Fail("AnimationBehavior." + std::string(member), "the value cannot be assigned");
        ref_.Dirty();
    }
    std::shared_ptr<office::Dispatch> ColorEffect() override { return Sub(2, "ColorEffect"); }
    std::shared_ptr<office::Dispatch> CommandEffect() override { return Sub(6, "CommandEffect"); }
    std::shared_ptr<office::Dispatch> MotionEffect() override { return Sub(1, "MotionEffect"); }
    std::shared_ptr<office::Dispatch> RotationEffect() override { return Sub(4, "RotationEffect"); }
    std::shared_ptr<office::Dispatch> ScaleEffect() override { return Sub(3, "ScaleEffect"); }
    std::shared_ptr<office::PropertyEffect> GetPropertyEffect() override {
        AnimNode(ref_, "AnimationBehavior.PropertyEffect");
        return std::make_shared<PropertyEffectImpl>(ref_);
    }

private:
    std::shared_ptr<office::Dispatch> Sub(int type, const char* object) {
        if (tx::BehaviourType(ref_.Node(object)) != type)
            Fail(std::string("AnimationBehavior.") + object, "the behaviour is of another type");
        return std::make_shared<SubEffect>(ref_, type, object);
    }
    static Value Read(pugi::xml_node b, const std::string& m, std::string_view member) {
        auto c = b.child("p:cBhvr");
        if (m == "type") return Value(tx::BehaviourType(b));
        if (m == "accumulate") return Value(std::strcmp(c.attribute("accumulate").value(), "always") == 0 ? 2 : 1);
        if (m == "additive") return Value(std::strcmp(c.attribute("additive").value(), "sum") == 0 ? 2 : 1);
        Fail("AnimationBehavior." + std::string(member), "no such member");
    }
    BehaviourRef ref_;
};

class Behaviors : public office::AnimationBehaviors {
public:
    explicit Behaviors(EffectRef ref) : ref_(std::move(ref)) {}
    int Count() override { return static_cast<int>(tx::Behaviours(ref_.Par("Behaviors.Count")).size()); }
    std::shared_ptr<office::AnimationBehavior> Item(int index) override {
        if (index < 1 || index > Count()) Fail("Behaviors.Item", "no such behaviour");
        BehaviourRef b;
        static_cast<EffectRef&>(b) = ref_;
        b.index = index;
        return std::make_shared<Behavior>(b);
    }

private:
    EffectRef ref_;
};

// ---- effect parameters ------------------------------------------------------

pugi::xml_node FirstBehaviour(pugi::xml_node par, const char* name) {
    for (auto b : tx::Behaviours(par))
        if (std::strcmp(b.name(), name) == 0) return b;
    return {};
}

class Color2Format : public office::Dispatch {
public:
    explicit Color2Format(EffectRef ref) : ref_(std::move(ref)) {}
    Value Get(std::string_view member) override { return Read(LowerAscii(member), member); }
    void Set(std::string_view member, const Value& v) override {
        const auto m = LowerAscii(member);
        if (Same(Read(m, member), v)) return;
        auto clr = FirstBehaviour(ref_.Par("Color2"), "p:animClr");
        if (m != "rgb" || !clr) Fail("ColorFormat." + std::string(member), "not available for this effect");
        auto to = clr.child("p:to");
        if (!to) to = ChildInOrder(clr, "p:to", kPointOrder);
        while (to.first_child()) to.remove_child(to.first_child());
        const auto rgb = v.as_int();
        char hex[8];
        std::snprintf(hex, sizeof hex, "%02X%02X%02X", static_cast<int>(rgb & 0xFF),
                      static_cast<int>((rgb >> 8) & 0xFF), static_cast<int>((rgb >> 16) & 0xFF));
        to.append_child("a:srgbClr").append_attribute("val") = hex;
        ref_.Dirty();
    }

private:
    Value Read(const std::string& m, std::string_view member) {
        auto clr = FirstBehaviour(ref_.Par("Color2"), "p:animClr");
        if (m == "rgb") {
            auto s = clr.child("p:to").child("a:srgbClr");
            if (!s) return {};
            const auto v = std::strtol(s.attribute("val").value(), nullptr, 16);
            return Value(static_cast<int>(((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16)));
        }
        if (m == "schemecolor" || m == "tintandshade") return {};
        Fail("ColorFormat." + std::string(member), "no such member");
    }
    EffectRef ref_;
};

class Parameters : public office::EffectParameters {
public:
    explicit Parameters(EffectRef ref) : ref_(std::move(ref)) {}
    Value Get(std::string_view member) override { return Read(LowerAscii(member), member); }
    void Set(std::string_view member, const Value& v) override {
        const auto m = LowerAscii(member);
        if (Same(Read(m, member), v)) return;
        auto par = ref_.Par("EffectParameters");
        if (m == "direction") {
            for (auto [subtype, dir] : kDirections)
                if (dir == v.as_int()) {
                    SetIntAttr(tx::EffectCTn(par), "presetSubtype", subtype);
                    ref_.Dirty();
                    return;
                }
        } else if (m == "amount") {
            if (auto rot = FirstBehaviour(par, "p:animRot")) {
                SetIntAttr(rot, "by", v.as_double() * 60000.0);
                ref_.Dirty();
                return;
            }
        } else if (m == "size") {
            if (auto sc = FirstBehaviour(par, "p:animScale")) {
                SetPointCoord(sc, "p:by", "x", v);
                SetPointCoord(sc, "p:by", "y", v);
                ref_.Dirty();
                return;
            }
        }
        Fail("EffectParameters." + std::string(member), "not available for this effect");
    }
    std::shared_ptr<office::Dispatch> Color2() override {
        ref_.Par("EffectParameters.Color2");
        return std::make_shared<Color2Format>(ref_);
    }

private:
    Value Read(const std::string& m, std::string_view member) {
        auto par = ref_.Par("EffectParameters");
        if (m == "direction") {
            const int subtype = tx::EffectCTn(par).attribute("presetSubtype").as_int();
            for (auto [s, dir] : kDirections)
                if (s == subtype) return Value(dir);
            return Value(0);
        }
        if (m == "amount") {
            auto rot = FirstBehaviour(par, "p:animRot");
            return rot && rot.attribute("by") ? Value(rot.attribute("by").as_double() / 60000.0) : Value();
        }
        if (m == "size") {
            auto sc = FirstBehaviour(par, "p:animScale");
            return sc ? PointCoord(sc, "p:by", "x") : Value();
        }
        if (m == "fontname" || m == "relative") return {};
        Fail("EffectParameters." + std::string(member), "no such member");
    }
    EffectRef ref_;
};

} // namespace

std::shared_ptr<office::AnimationBehaviors> MakeBehaviors(const EffectRef& ref) {
    return std::make_shared<Behaviors>(ref);
}

std::shared_ptr<office::EffectParameters> MakeParameters(const EffectRef& ref) {
    return std::make_shared<Parameters>(ref);
}

} // namespace quillmax::pptx::timeline_objects
