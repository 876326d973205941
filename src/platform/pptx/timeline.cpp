// File: platform/pptx/timeline.cpp
// TimeLine, Sequence, Effect and its Timing over the slide's p:timing; an
// effect's behaviours and parameters are in timeline_behaviours.cpp.
// Objects hold the slide and the effect's cTn id and look the XML up on every
// call, so a handle to an effect that was deleted (or moved between groups)
// never dangles.
//
// Assigning a field the value it already has leaves the XML alone: a new
// effect made from a copy of an existing one then keeps every detail the
// object model has no name for.
#include "platform/pptx/timeline.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/errors.h"
#include "base/text.h"
#include "platform/pptx/timeline_objects.h"
#include "platform/pptx/timeline_xml.h"
#include "platform/pptx/xml_util.h"

namespace quillmax::pptx {

using office::AutomationError;
using office::Value;

namespace timeline_objects {
namespace {

constexpr const char* kColourKind = "pptx.timeline.colour";

bool IsNumber(const Value& v) { return v.is_bool() || v.is_int() || v.is_double(); }

double Number(const Value& v) {
    if (v.is_bool()) return v.as_bool() ? -1 : 0;
    return v.as_double();
}


} // namespace

void Fail(const std::string& member, const std::string& why) {
    throw AutomationError(member, why);
}

// Values equal for the purpose of an assignment: numbers by value, colour
// objects by content.
bool Same(const Value& a, const Value& b) {
    if (a.is_empty() || b.is_empty()) return a.is_empty() && b.is_empty();
    if (IsNumber(a) && IsNumber(b)) return std::fabs(Number(a) - Number(b)) < 1e-9;
    if (a.is_opaque() && b.is_opaque()) {
        const auto& x = a.as_opaque();
        const auto& y = b.as_opaque();
        if (x.kind != y.kind) return false;
        if (x.kind != kColourKind) return x == y;
        return *static_cast<const std::string*>(x.data.get()) ==
               *static_cast<const std::string*>(y.data.get());
    }
    if (a.is_string() && b.is_string()) return a.as_string() == b.as_string();
    return false;
}

std::string FormatNumber(double d) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10g", d);
    return buf;
}

void SetAttr(pugi::xml_node n, const char* name, const std::string& v) {
    auto a = n.attribute(name);
    if (!a) a = n.append_attribute(name);
    a = v.c_str();
}

void SetIntAttr(pugi::xml_node n, const char* name, double v) {
    SetAttr(n, name, std::to_string(static_cast<long long>(std::llround(v))));
}

Value Colour(pugi::xml_node n) {
    if (!n) return {};
    return Value(office::Opaque{kColourKind, std::make_shared<const std::string>(XmlText(n))});
}

// Replaces (or removes) the colour child `name` of `parent`.
void SetColour(pugi::xml_node parent, const char* name, const Value& v,
               const std::vector<const char*>& order, const std::string& member) {
    if (!v.is_empty() && (!v.is_opaque() || v.as_opaque().kind != kColourKind))
        Fail(member, "type mismatch");
    if (auto old = parent.child(name)) parent.remove_child(old);
    if (v.is_empty()) return;
    pugi::xml_document frag;
    const auto& text = *static_cast<const std::string*>(v.as_opaque().data.get());
    if (!frag.load_buffer(text.data(), text.size(), pugi::parse_default | pugi::parse_fragment))
        Fail(member, "invalid colour");
    auto slot = ChildInOrder(parent, name, order);
    auto src = frag.first_child();
    for (auto a : src.attributes()) slot.append_attribute(a.name()) = a.value();
    for (auto c : src.children()) slot.append_copy(c);
}

} // namespace timeline_objects

namespace {

using namespace timeline_objects;
using util::LowerAscii;

Value TriState(bool b) { return Value(b ? -1 : 0); }

int TriggerOf(pugi::xml_document& doc, pugi::xml_node par) {
    if (!tx::InMainSequence(par)) return tx::kOnShapeClick;
    for (const auto& e : tx::MainEffects(doc))
        if (e.par == par) return e.trigger;
    return tx::kOnClick;
}

void SetTrigger(const EffectRef& ref, int trigger) {
    auto par = ref.Par("Timing.TriggerType");
    if (!tx::InMainSequence(par) || trigger < tx::kOnClick || trigger > tx::kAfterPrevious)
        Fail("Timing.TriggerType", "the trigger cannot be changed to that value here");
    auto effects = tx::MainEffects(ref.Doc());
    for (auto& e : effects)
        if (e.par == par) e.trigger = trigger;
    tx::RebuildMainSequence(ref.Doc(), effects);
    ref.Dirty();
}

double DurationMs(pugi::xml_node par) {
    double longest = 0;
    for (auto b : tx::Behaviours(par))
        longest = std::max(longest, tx::Millis(b.child("p:cBhvr").child("p:cTn").attribute("dur")).value_or(0));
    return longest;
}

void SetDurationMs(pugi::xml_node par, double ms) {
    auto bs = tx::Behaviours(par);
    bool any = false;
    for (auto b : bs) {
        auto ctn = b.child("p:cBhvr").child("p:cTn");
        // The one-millisecond visibility switch stays as it is.
        if (tx::Millis(ctn.attribute("dur")).value_or(0) > 1) {
            SetIntAttr(ctn, "dur", ms);
            any = true;
        }
    }
    if (!any)
        for (auto b : bs) SetIntAttr(b.child("p:cBhvr").child("p:cTn"), "dur", ms);
}

// Turns an entrance into an exit or back: preset class, transition
// direction and the visibility switch.
void SetExitXml(pugi::xml_node par, bool exit) {
    auto ctn = tx::EffectCTn(par);
    SetAttr(ctn, "presetClass", exit ? "exit" : "entr");
    for (auto b : tx::Behaviours(par)) {
        if (std::strcmp(b.name(), "p:animEffect") == 0) SetAttr(b, "transition", exit ? "out" : "in");
        if (std::strcmp(b.name(), "p:set") == 0) {
            auto v = b.child("p:to").child("p:strVal");
            if (v) SetAttr(v, "val", exit ? "hidden" : "visible");
        }
    }
}


// ---- timing -----------------------------------------------------------------

// The p:seq around an effect.
pugi::xml_node SeqOf(pugi::xml_node par) {
    for (auto n = par.parent(); n; n = n.parent())
        if (std::strcmp(n.name(), "p:seq") == 0) return n;
    return {};
}

// The shape targets that name what starts an interactive sequence: its
// begin condition and its next/previous conditions.
std::vector<pugi::xml_node> TriggerTargets(pugi::xml_node seq) {
    std::vector<pugi::xml_node> out;
    for (auto list : {seq.child("p:cTn").child("p:stCondLst"), seq.child("p:prevCondLst"), seq.child("p:nextCondLst")})
        for (auto t : list.select_nodes(".//p:spTgt")) out.push_back(t.node());
    return out;
}

class Timing : public office::EffectTiming {
public:
    explicit Timing(EffectRef ref) : ref_(std::move(ref)) {}
    std::shared_ptr<office::Shape> TriggerShape() override {
        auto targets = TriggerTargets(InteractiveSeq("Timing.TriggerShape"));
        auto shape = targets.empty() ? nullptr : ref_.slide->ShapeById(targets.front().attribute("spid").as_uint());
        if (!shape) Fail("Timing.TriggerShape", "the effect has no trigger shape");
        return shape;
    }
    void SetTriggerShape(const std::shared_ptr<office::Shape>& shape) override {
        auto seq = InteractiveSeq("Timing.TriggerShape");
        auto spid = shape ? ref_.slide->ShapeId(*shape) : std::nullopt;
        if (!spid) Fail("Timing.TriggerShape", "the shape is not on this slide");
        auto targets = TriggerTargets(seq);
        if (targets.empty()) Fail("Timing.TriggerShape", "the effect has no trigger shape");
        for (auto t : targets) t.attribute("spid") = *spid;
        ref_.Dirty();
    }
    Value Get(std::string_view member) override { return Read(ref_.Par("Timing"), LowerAscii(member), member); }
    void Set(std::string_view member, const Value& v) override {
        auto par = ref_.Par("Timing");
        const auto m = LowerAscii(member);
        if (Same(Read(par, m, member), v)) return;
        auto ctn = tx::EffectCTn(par);
        auto percent = [&](const char* attr) {
            if (v.as_double() == 0) ctn.remove_attribute(attr);
            else SetIntAttr(ctn, attr, v.as_double() * 100000.0);
        };
        if (m == "triggertype") {
            SetTrigger(ref_, static_cast<int>(v.as_int()));
            return;
        }
        if (m == "accelerate") percent("accel");
        else if (m == "decelerate") percent("decel");
        else if (m == "speed") SetIntAttr(ctn, "spd", v.as_double() * 100000.0);
        else if (m == "smoothstart") {
            if (!v.as_bool()) ctn.remove_attribute("accel");
            else if (!ctn.attribute("accel")) SetIntAttr(ctn, "accel", 50000);
        } else if (m == "smoothend") {
            if (!v.as_bool()) ctn.remove_attribute("decel");
            else if (!ctn.attribute("decel")) SetIntAttr(ctn, "decel", 50000);
        } else if (m == "autoreverse") {
            if (v.as_bool()) SetAttr(ctn, "autoRev", "1");
            else ctn.remove_attribute("autoRev");
        } else if (m == "rewindatend") SetAttr(ctn, "fill", v.as_bool() ? "remove" : "hold");
        else if (m == "restart") {
            const auto r = v.as_int();
            SetAttr(ctn, "restart", r == 3 ? "never" : r == 2 ? "whenNotActive" : "always");
        } else if (m == "repeatcount") {
            if (v.is_string()) SetAttr(ctn, "repeatCount", v.as_string());
            else SetIntAttr(ctn, "repeatCount", v.as_double() * 1000.0);
        } else if (m == "repeatduration") {
            if (v.as_double() == 0) ctn.remove_attribute("repeatDur");
            else SetIntAttr(ctn, "repeatDur", v.as_double() * 1000.0);
        } else if (m == "triggerdelaytime") {
            auto cond = ctn.child("p:stCondLst").child("p:cond");
            if (!cond) cond = ChildInOrder(ctn, "p:stCondLst", QMX_ORDER_CTN).append_child("p:cond");
            SetIntAttr(cond, "delay", v.as_double() * 1000.0);
        } else if (m == "duration") {
            SetDurationMs(par, v.as_double() * 1000.0);
        } else {
            Fail("Timing." + std::string(member), "no such member");
        }
        ref_.Dirty();
    }

private:
    Value Read(pugi::xml_node par, const std::string& m, std::string_view member) {
        auto ctn = tx::EffectCTn(par);
        auto fraction = [&](const char* attr, double fallback) {
            auto a = ctn.attribute(attr);
            return Value(a ? a.as_double() / 100000.0 : fallback);
        };
        if (m == "accelerate") return fraction("accel", 0);
        if (m == "decelerate") return fraction("decel", 0);
        if (m == "speed") return fraction("spd", 1);
        if (m == "smoothstart") return TriState(ctn.attribute("accel").as_double() > 0);
        if (m == "smoothend") return TriState(ctn.attribute("decel").as_double() > 0);
        if (m == "autoreverse") return TriState(ctn.attribute("autoRev").as_bool());
        if (m == "rewindatend") return TriState(std::strcmp(ctn.attribute("fill").value(), "remove") == 0);
        if (m == "restart") {
            std::string r = ctn.attribute("restart").value();
            return Value(r == "never" ? 3 : r == "whenNotActive" ? 2 : 1);
        }
        if (m == "repeatcount") {
            auto a = ctn.attribute("repeatCount");
            if (!a) return Value(1.0);
            if (auto ms = tx::Millis(a)) return Value(*ms / 1000.0);
            return Value(std::string(a.value()));
        }
        if (m == "repeatduration") return Value(tx::Millis(ctn.attribute("repeatDur")).value_or(0) / 1000.0);
        if (m == "triggerdelaytime")
            return Value(tx::Millis(ctn.child("p:stCondLst").child("p:cond").attribute("delay")).value_or(0) / 1000.0);
        if (m == "triggertype") return Value(TriggerOf(ref_.Doc(), par));
        if (m == "duration") return Value(DurationMs(par) / 1000.0);
        Fail("Timing." + std::string(member), "no such member");
    }
    pugi::xml_node InteractiveSeq(const char* member) {
        auto seq = SeqOf(ref_.Par(member));
        if (std::strcmp(seq.child("p:cTn").attribute("nodeType").value(), "interactiveSeq") != 0)
            Fail(member, "no shape's click starts this effect");
        return seq;
    }
    EffectRef ref_;
};

// ---- effect, sequence, timeline -------------------------------------------

class EffectImpl : public office::Effect {
public:
    explicit EffectImpl(EffectRef ref) : ref_(std::move(ref)) {}

    std::shared_ptr<office::Shape> GetShape() override {
        auto spid = tx::TargetShapeId(ref_.Par("Effect.Shape"));
        auto shape = spid ? ref_.slide->ShapeById(*spid) : nullptr;
        if (!shape) Fail("Effect.Shape", "the effect has no shape");
        return shape;
    }
    int EffectType() override {
        auto ctn = ref_.CTn("Effect.EffectType");
        return tx::EffectTypeOf(ctn.attribute("presetClass").value(), ctn.attribute("presetID").as_int());
    }
    int Index() override {
        auto par = ref_.Par("Effect.Index");
        int k = 0;
        if (tx::InMainSequence(par)) {
            for (const auto& e : tx::MainEffects(ref_.Doc())) {
                ++k;
                if (e.par == par) return k;
            }
        }
        // Other sequences: position among that sequence's effects.
        auto seq = par;
        while (seq && std::strcmp(seq.name(), "p:seq") != 0) seq = seq.parent();
        for (auto c : seq.select_nodes(".//p:cTn[@presetClass]")) {
            ++k;
            if (c.node().parent() == par) return k;
        }
        Fail("Effect.Index", "the effect is in no sequence");
    }
    std::shared_ptr<office::EffectParameters> GetEffectParameters() override {
        ref_.Par("Effect.EffectParameters");
        return MakeParameters(ref_);
    }
    std::shared_ptr<office::AnimationBehaviors> Behaviors() override {
        ref_.Par("Effect.Behaviors");
        return MakeBehaviors(ref_);
    }
    std::shared_ptr<office::EffectTiming> Timing() override {
        ref_.Par("Effect.Timing");
        return std::make_shared<class Timing>(ref_);
    }
    Value Exit() override {
        return TriState(std::strcmp(ref_.CTn("Effect.Exit").attribute("presetClass").value(), "exit") == 0);
    }
    void SetExit(const Value& v) override {
        auto par = ref_.Par("Effect.Exit");
        const bool exit = v.as_bool();
        if (Same(Exit(), TriState(exit))) return;
        std::string cls = tx::EffectCTn(par).attribute("presetClass").value();
        if (cls != "entr" && cls != "exit") Fail("Effect.Exit", "only entrance and exit effects can change");
        SetExitXml(par, exit);
        ref_.Dirty();
    }
    void Delete() override {
        auto par = ref_.Par("Effect.Delete");
        auto& doc = ref_.Doc();
        if (tx::InMainSequence(par)) {
            auto effects = tx::MainEffects(doc);
            std::vector<tx::MainEffect> rest;
            for (const auto& e : effects)
                if (e.par != par) rest.push_back(e);
            par.parent().remove_child(par);
            tx::RebuildMainSequence(doc, rest);
        } else {
            auto container = par.parent();
            container.remove_child(par);
            // Leave no empty groups behind in an interactive sequence.
            for (int up = 0; up < 2 && !container.first_child(); ++up) {
                auto groupPar = container.parent().parent();
                if (!groupPar || std::strcmp(groupPar.name(), "p:par") != 0) break;
                container = groupPar.parent();
                container.remove_child(groupPar);
            }
        }
        tx::PruneBuildList(doc);
        tx::PruneEmptySequences(doc);
        ref_.Dirty();
    }

private:
    EffectRef ref_;
};

// The element of the shape with that cNvPr id on the slide.
pugi::xml_node ShapeElement(pugi::xml_document& doc, std::uint32_t id) {
    auto tree = doc.document_element().child("p:cSld").child("p:spTree");
    for (auto n : tree.select_nodes(".//*[local-name()='cNvPr']")) {
        if (n.node().attribute("id").as_uint() == id) return n.node().parent().parent();
    }
    return {};
}

// Effect XML for a preset when the slide holds no effect to copy from.
void BuildDefaultEffect(pugi::xml_node par, const tx::Preset& preset, std::uint32_t spid) {
    auto ctn = par.append_child("p:cTn");
    ctn.append_attribute("id") = 0;
    ctn.append_attribute("presetID") = preset.presetId;
    ctn.append_attribute("presetClass") = preset.presetClass.c_str();
    const int subtype = preset.presetClass == "entr" && (preset.presetId == 2 || preset.presetId == 22) ? 4 : 0;
    ctn.append_attribute("presetSubtype") = subtype;
    ctn.append_attribute("fill") = "hold";
    ctn.append_attribute("nodeType") = "clickEffect";
    ctn.append_child("p:stCondLst").append_child("p:cond").append_attribute("delay") = "0";
    auto list = ctn.append_child("p:childTnLst");
    auto behaviour = [&](const char* name, const char* dur) {
        auto b = list.append_child(name);
        auto c = b.append_child("p:cBhvr");
        auto bctn = c.append_child("p:cTn");
        bctn.append_attribute("id") = 0;
        bctn.append_attribute("dur") = dur;
        c.append_child("p:tgtEl").append_child("p:spTgt").append_attribute("spid") = spid;
        return b;
    };
    auto visibility = [&](const char* val) {
        auto set = behaviour("p:set", "1");
        auto c = set.child("p:cBhvr");
        c.child("p:cTn").append_attribute("fill") = "hold";
        c.child("p:cTn").append_child("p:stCondLst").append_child("p:cond").append_attribute("delay") = "0";
        c.append_child("p:attrNameLst").append_child("p:attrName").text() = "style.visibility";
        set.append_child("p:to").append_child("p:strVal").append_attribute("val") = val;
    };
    if (preset.presetClass == "entr") {
        visibility("visible");
        const char* filter = preset.presetId == 10 ? "fade" : preset.presetId == 22 ? "wipe(down)"
                           : preset.presetId == 9 ? "dissolve" : nullptr;
        if (filter) {
            auto e = behaviour("p:animEffect", "500");
            e.prepend_attribute("filter") = filter;
            e.prepend_attribute("transition") = "in";
        } else if (preset.presetId == 23 || preset.presetId == 2) {
            // Zoom grows the shape, Fly In moves it up from below the slide.
            const char* attrs[2][3] = {{"ppt_w", "0", "#ppt_w"}, {"ppt_h", "0", "#ppt_h"}};
            const char* fly[2][3] = {{"ppt_x", "#ppt_x", "#ppt_x"}, {"ppt_y", "1+#ppt_h/2", "#ppt_y"}};
            for (auto& a : (preset.presetId == 23 ? attrs : fly)) {
                auto anim = behaviour("p:anim", "500");
                anim.prepend_attribute("valueType") = "num";
                anim.prepend_attribute("calcmode") = "lin";
                anim.child("p:cBhvr").child("p:cTn").append_attribute("fill") = "hold";
                anim.child("p:cBhvr").append_child("p:attrNameLst").append_child("p:attrName").text() = a[0];
                auto lst = anim.append_child("p:tavLst");
                for (int k = 0; k < 2; ++k) {
                    auto tav = lst.append_child("p:tav");
                    tav.append_attribute("tm") = k == 0 ? "0" : "100000";
                    tav.append_child("p:val").append_child("p:strVal").append_attribute("val") = a[1 + k];
                }
            }
        }
    } else if (preset.presetClass == "path") {
        auto m = behaviour("p:animMotion", "2000");
        m.prepend_attribute("ptsTypes") = "";
        m.prepend_attribute("path") = "M 0 0 L 0.25 0 E";
        m.prepend_attribute("origin") = "layout";
    } else if (preset.presetClass == "emph") {
        auto r = behaviour("p:animRot", "2000");
        r.prepend_attribute("by") = "21600000";
    } else if (preset.presetClass == "mediacall" && preset.presetId >= 1 && preset.presetId <= 3) {
        // Play, pause, stop: a command to the shape's media node.
        static const char* const commands[] = {"playFrom(0.0)", "togglePause", "stop"};
        auto cmd = behaviour("p:cmd", "1");
        cmd.prepend_attribute("cmd") = commands[preset.presetId - 1];
        cmd.prepend_attribute("type") = "call";
        cmd.child("p:cBhvr").child("p:cTn").append_attribute("fill") = "hold";
    } else {
        throw AutomationError("Sequence.AddEffect", "this effect cannot be created here");
    }
}

// Points the copied effect at the new shape. Text ranges and paragraph
// builds go when the new shape has no text; property points go because
// the transfer appends the old effect's points again.
void RetargetCopy(pugi::xml_document& doc, pugi::xml_node par, std::uint32_t spid, pugi::xml_node model) {
    auto shape = ShapeElement(doc, spid);
    const bool hasText = shape && shape.child("p:txBody");
    for (auto t : par.select_nodes(".//p:spTgt")) {
        t.node().attribute("spid") = spid;
        if (!hasText)
            while (auto c = t.node().first_child()) t.node().remove_child(c);
    }
    for (auto lst : par.select_nodes(".//p:anim/p:tavLst"))
        while (auto c = lst.node().first_child()) lst.node().remove_child(c);
    auto grp = tx::EffectCTn(par).attribute("grpId");
    auto oldSpid = tx::TargetShapeId(model);
    if (!grp || !oldSpid) return;
    auto entry = tx::BuildEntry(doc, *oldSpid, grp.value());
    if (!entry || tx::BuildEntry(doc, spid, grp.value())) return;
    auto copy = entry.parent().insert_copy_after(entry, entry);
    copy.attribute("spid") = spid;
    if (!hasText)
        for (const char* a : {"build", "bldLvl", "rev", "animBg", "uiExpand", "advAuto"})
            copy.remove_attribute(a);
}


std::shared_ptr<office::Effect> MakeEffect(const Ctx& ctx, std::uint32_t id) {
    EffectRef ref;
    static_cast<Ctx&>(ref) = ctx;
    ref.id = id;
    return std::make_shared<EffectImpl>(ref);
}

class SequenceImpl : public office::Sequence {
public:
    explicit SequenceImpl(Ctx ctx) : ctx_(std::move(ctx)) {}
    int Count() override { return static_cast<int>(tx::MainEffects(ctx_.Doc()).size()); }
    std::shared_ptr<office::Effect> Item(int index) override {
        auto effects = tx::MainEffects(ctx_.Doc());
        if (index < 1 || index > static_cast<int>(effects.size())) Fail("Sequence.Item", "no such effect");
        return Make(tx::EffectId(effects[index - 1].par));
    }
    std::shared_ptr<office::Effect> AddEffect(const std::shared_ptr<office::Shape>& shape, int effectId,
                                              int index) override {
        if (!shape) Fail("Sequence.AddEffect", "no shape");
        auto spid = ctx_.slide->ShapeId(*shape);
        if (!spid) Fail("Sequence.AddEffect", "the shape is not on this slide");
        auto& doc = ctx_.Doc();
        auto effects = tx::MainEffects(doc);
        const int n = static_cast<int>(effects.size());
        if (index < 1 || index > n) index = n + 1;

        // Copy from an effect of that type the slide already holds: the one
        // at the place asked for first (a replacement's old effect), then any.
        pugi::xml_node model;
        auto typeOf = [](pugi::xml_node par) {
            auto c = tx::EffectCTn(par);
            return tx::EffectTypeOf(c.attribute("presetClass").value(), c.attribute("presetID").as_int());
        };
        if (index <= n && typeOf(effects[index - 1].par) == effectId) model = effects[index - 1].par;
        if (!model) {
            for (auto c : tx::TimingNode(doc).select_nodes(".//p:cTn[@presetClass]"))
                if (typeOf(c.node().parent()) == effectId) {
                    model = c.node().parent();
                    break;
                }
        }
        auto preset = tx::PresetOf(effectId);
        if (!model && !preset) Fail("Sequence.AddEffect", "this effect cannot be created here");

        tx::MainSeqCTn(doc, true);
        auto hold = tx::TimingNode(doc);
        pugi::xml_node par;
        if (model) {
            par = hold.append_copy(model);
            RetargetCopy(doc, par, *spid, model);
        } else {
            par = hold.append_child("p:par");
            BuildDefaultEffect(par, *preset, *spid);
        }
        tx::RenumberCTns(doc, par);
        auto lst = tx::EffectCTn(par).child("p:stCondLst");
        (void)lst;
        effects.insert(effects.begin() + (index - 1), tx::MainEffect{par, tx::kOnClick});
        tx::RebuildMainSequence(doc, effects);
        ctx_.Dirty();
        return Make(tx::EffectId(par));
    }

private:
    std::shared_ptr<office::Effect> Make(std::uint32_t id) { return MakeEffect(ctx_, id); }

    Ctx ctx_;
};

// A sequence started by clicking a shape, found by its own cTn id.
class InteractiveSequenceImpl : public office::Sequence {
public:
    InteractiveSequenceImpl(Ctx ctx, std::uint32_t id) : ctx_(std::move(ctx)), id_(id) {}
    int Count() override { return static_cast<int>(Effects("Sequence.Count").size()); }
    std::shared_ptr<office::Effect> Item(int index) override {
        auto effects = Effects("Sequence.Item");
        if (index < 1 || index > static_cast<int>(effects.size())) Fail("Sequence.Item", "no such effect");
        return MakeEffect(ctx_, tx::EffectId(effects[index - 1]));
    }
    // The new effect is a copy of one of that type (the one at `index`
    // first) and stands where that one stood, in its click group.
    std::shared_ptr<office::Effect> AddEffect(const std::shared_ptr<office::Shape>& shape, int effectId,
                                              int index) override {
        const char* m = "Sequence.AddEffect";
        auto spid = shape ? ctx_.slide->ShapeId(*shape) : std::nullopt;
        if (!spid) Fail(m, "the shape is not on this slide");
        auto effects = Effects(m);
        if (effects.empty()) Fail(m, "the sequence has no effects");
        auto& doc = ctx_.Doc();
        const int n = static_cast<int>(effects.size());
        pugi::xml_node model;
        if (index >= 1 && index <= n && TypeOf(effects[index - 1]) == effectId) model = effects[index - 1];
        for (auto c : tx::TimingNode(doc).select_nodes(".//p:cTn[@presetClass]"))
            if (!model && TypeOf(c.node().parent()) == effectId) model = c.node().parent();
        if (!model) Fail(m, "this effect cannot be created here");
        pugi::xml_node par;
        if (index >= 1 && index <= n)
            par = effects[index - 1].parent().insert_copy_before(model, effects[index - 1]);
        else
            par = effects.back().parent().insert_copy_after(model, effects.back());
        RetargetCopy(doc, par, *spid, model);
        tx::RenumberCTns(doc, par);
        ctx_.Dirty();
        return MakeEffect(ctx_, tx::EffectId(par));
    }

private:
    static int TypeOf(pugi::xml_node par) {
        auto c = tx::EffectCTn(par);
        return tx::EffectTypeOf(c.attribute("presetClass").value(), c.attribute("presetID").as_int());
    }
    std::vector<pugi::xml_node> Effects(const char* member) {
        pugi::xml_node seq;
        for (auto c : tx::TimingNode(ctx_.Doc()).select_nodes(".//p:seq/p:cTn"))
            if (c.node().attribute("id").as_uint() == id_) seq = c.node().parent();
        if (!seq) Fail(member, "the sequence no longer exists");
        std::vector<pugi::xml_node> out;
        for (auto c : seq.select_nodes(".//p:cTn[@presetClass]")) out.push_back(c.node().parent());
        return out;
    }
    Ctx ctx_;
    std::uint32_t id_;
};

class InteractiveSequencesImpl : public office::Sequences {
public:
    explicit InteractiveSequencesImpl(Ctx ctx) : ctx_(std::move(ctx)) {}
    int Count() override { return static_cast<int>(Ids().size()); }
    std::shared_ptr<office::Sequence> Item(int index) override {
        auto ids = Ids();
        if (index < 1 || index > static_cast<int>(ids.size())) Fail("Sequences.Item", "no such sequence");
        return std::make_shared<InteractiveSequenceImpl>(ctx_, ids[index - 1]);
    }

private:
    std::vector<std::uint32_t> Ids() {
        std::vector<std::uint32_t> ids;
        auto timing = tx::TimingNode(ctx_.Doc());
        if (!timing) return ids;
        for (auto c : timing.select_nodes(".//p:seq/p:cTn[@nodeType='interactiveSeq']"))
            ids.push_back(c.node().attribute("id").as_uint());
        return ids;
    }
    Ctx ctx_;
};

class TimeLineImpl : public office::TimeLine {
public:
    explicit TimeLineImpl(Ctx ctx) : ctx_(std::move(ctx)) {}
    std::shared_ptr<office::Sequence> MainSequence() override { return std::make_shared<SequenceImpl>(ctx_); }
    std::shared_ptr<office::Sequences> InteractiveSequences() override {
        return std::make_shared<InteractiveSequencesImpl>(ctx_);
    }

private:
    Ctx ctx_;
};

} // namespace

std::shared_ptr<office::TimeLine> MakeTimeLine(SlideModel& slide) {
    return std::make_shared<TimeLineImpl>(Ctx{slide.shared_from_this()});
}

bool RemoveShapeAnimations(SlideModel& slide, std::uint32_t shapeId) {
    if (!tx::RemoveShapeAnimations(slide.Document(), shapeId)) return false;
    slide.MarkDirty();
    return true;
}

std::vector<std::string> DumpMainSequence(SlideModel& slide) {
    std::vector<std::string> lines;
    auto& doc = slide.Document();
    int k = 0;
    for (const auto& e : tx::MainEffects(doc)) {
        ++k;
        auto ctn = tx::EffectCTn(e.par);
        std::string name = "?";
        if (auto spid = tx::TargetShapeId(e.par)) {
            if (auto shape = slide.ShapeById(*spid)) {
                try {
                    name = shape->Name();
                } catch (const AutomationError&) {
                }
            }
        }
        const double delay =
            tx::Millis(ctn.child("p:stCondLst").child("p:cond").attribute("delay")).value_or(0) / 1000.0;
        lines.push_back("effect\t" + std::to_string(k) + "\t" + name + "\t" + ctn.attribute("presetClass").value() +
                        "\t" + ctn.attribute("presetID").value() + "\t" + ctn.attribute("presetSubtype").value() +
                        "\t" + std::to_string(e.trigger) + "\t" + FormatNumber(delay) + "\t" +
                        FormatNumber(DurationMs(e.par) / 1000.0));
    }
    return lines;
}

std::vector<std::string> DumpMainSequence(const std::shared_ptr<office::Slide>& slide) {
    auto model = std::dynamic_pointer_cast<SlideModel>(slide);
    if (!model) return {};
    return DumpMainSequence(*model);
}

} // namespace quillmax::pptx