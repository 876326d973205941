// File: platform/pptx/timeline_xml.cpp
// The p:timing tree: lookups, the main sequence's regrouping, build list
// upkeep and the effect-number table.
#include "platform/pptx/timeline_xml.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "platform/pptx/xml_util.h"

namespace quillmax::pptx::timeline_xml {

namespace {

// The entrance presets past 31 whose number is not the preset id.
const std::vector<std::pair<int, int>> kEntranceExtras = {
    {33, 35}, {34, 37}, {37, 40}, {38, 41}, {39, 42}, {40, 43}, {41, 45}, {42, 47},
    {43, 48}, {44, 49}, {47, 52}, {48, 53}, {49, 54}, {50, 55}, {51, 56}, {53, 58}};
const std::vector<std::pair<int, int>> kEmphasisExtras = {
    {64, 14}, {65, 15}, {66, 16}, {67, 18}, {68, 19}, {69, 20}, {70, 21},
    {71, 22}, {72, 23}, {73, 24}, {74, 25}, {75, 26}, {76, 27}, {77, 28},
    {78, 30}, {79, 31}, {80, 32}, {81, 33}, {82, 34}, {52, 36}};

pugi::xml_node ChildTnLst(pugi::xml_node par) {
    return par.child("p:cTn").child("p:childTnLst");
}

pugi::xml_node EnsureChild(pugi::xml_node parent, const char* name) {
    auto c = parent.child(name);
    return c ? c : parent.append_child(name);
}

pugi::xml_node NewContainerPar(pugi::xml_document& doc, pugi::xml_node into, std::uint32_t id,
                               const char* delay) {
    auto par = into.append_child("p:par");
    auto ctn = par.append_child("p:cTn");
    ctn.append_attribute("id") = id;
    ctn.append_attribute("fill") = "hold";
    ctn.append_child("p:stCondLst").append_child("p:cond").append_attribute("delay") = delay;
    ctn.append_child("p:childTnLst");
    return par;
}

int TriggerFromNodeType(const char* nodeType, int fallback) {
    if (std::strcmp(nodeType, "clickEffect") == 0) return kOnClick;
    if (std::strcmp(nodeType, "withEffect") == 0) return kWithPrevious;
    if (std::strcmp(nodeType, "afterEffect") == 0) return kAfterPrevious;
    return fallback;
}

void SetCondDelay(pugi::xml_node par, double ms) {
    auto cond = par.child("p:cTn").child("p:stCondLst").child("p:cond");
    if (!cond) {
        auto st = par.child("p:cTn").child("p:stCondLst");
        if (!st) st = ChildInOrder(par.child("p:cTn"), "p:stCondLst", QMX_ORDER_CTN);
        cond = st.append_child("p:cond");
    }
    auto a = cond.attribute("delay");
    if (!a) a = cond.append_attribute("delay");
    a = static_cast<long long>(ms + 0.5);
}

} // namespace

int EffectTypeOf(const std::string& cls, int id) {
    if (cls == "entr" || cls == "exit") {
        if (id >= 1 && id <= 31) return id;
        for (auto [type, preset] : kEntranceExtras)
            if (preset == id) return type;
        return 0;
    }
    if (cls == "emph") {
        if (id >= 1 && id <= 10) return 53 + id;
        for (auto [type, preset] : kEmphasisExtras)
            if (preset == id) return type;
        return 0;
    }
    if (cls == "path") return id >= 1 && id <= 62 ? 85 + id : 0;
    if (cls == "mediacall") return id >= 1 && id <= 3 ? 82 + id : 0;
    return 0;
}

std::optional<Preset> PresetOf(int type) {
    if (type >= 1 && type <= 31) return Preset{"entr", type};
    for (auto [t, preset] : kEntranceExtras)
        if (t == type) return Preset{"entr", preset};
    if (type >= 54 && type <= 63) return Preset{"emph", type - 53};
    for (auto [t, preset] : kEmphasisExtras)
        if (t == type) return Preset{"emph", preset};
    if (type >= 86 && type <= 147) return Preset{"path", type - 85};
    if (type >= 83 && type <= 85) return Preset{"mediacall", type - 82};
    return std::nullopt;
}

pugi::xml_node TimingNode(pugi::xml_document& doc) {
    return doc.document_element().child("p:timing");
}

pugi::xml_node MainSeqCTn(pugi::xml_document& doc, bool create) {
    auto timing = TimingNode(doc);
    if (timing) {
        for (auto seq : timing.child("p:tnLst").child("p:par").child("p:cTn").child("p:childTnLst")
                            .children("p:seq")) {
            auto ctn = seq.child("p:cTn");
            if (std::strcmp(ctn.attribute("nodeType").value(), "mainSeq") == 0) return ctn;
        }
    }
    if (!create) return {};
    if (!timing)
        timing = ChildInOrder(doc.document_element(), "p:timing", QMX_ORDER_SLD);
    auto tnLst = ChildInOrder(timing, "p:tnLst", QMX_ORDER_TIMING);
    auto rootPar = EnsureChild(tnLst, "p:par");
    auto rootCtn = rootPar.child("p:cTn");
    if (!rootCtn) {
        rootCtn = rootPar.append_child("p:cTn");
        rootCtn.append_attribute("id") = NextCTnId(doc);
        rootCtn.append_attribute("dur") = "indefinite";
        rootCtn.append_attribute("restart") = "never";
        rootCtn.append_attribute("nodeType") = "tmRoot";
    }
    auto list = EnsureChild(rootCtn, "p:childTnLst");
    auto seq = list.prepend_child("p:seq");
    seq.append_attribute("concurrent") = "1";
    seq.append_attribute("nextAc") = "seek";
    auto ctn = seq.append_child("p:cTn");
    ctn.append_attribute("id") = NextCTnId(doc);
    ctn.append_attribute("dur") = "indefinite";
    ctn.append_attribute("nodeType") = "mainSeq";
    ctn.append_child("p:childTnLst");
    for (auto [lst, evt] : {std::pair{"p:prevCondLst", "onPrev"}, std::pair{"p:nextCondLst", "onNext"}}) {
        auto cond = seq.append_child(lst).append_child("p:cond");
        cond.append_attribute("evt") = evt;
        cond.append_attribute("delay") = "0";
        cond.append_child("p:tgtEl").append_child("p:sldTgt");
    }
    return ctn;
}

std::vector<MainEffect> MainEffects(pugi::xml_document& doc) {
    std::vector<MainEffect> out;
    auto main = MainSeqCTn(doc, false);
    if (!main) return out;
    bool firstClick = true;
    for (auto click : main.child("p:childTnLst").children("p:par")) {
        bool firstWith = true;
        for (auto with : ChildTnLst(click).children("p:par")) {
            bool firstEffect = true;
            for (auto effect : ChildTnLst(with).children("p:par")) {
                // Position decides where the node type is missing.
                int fallback = kWithPrevious;
                if (firstEffect && firstWith) fallback = kOnClick;
                else if (firstEffect) fallback = kAfterPrevious;
                const char* nodeType = effect.child("p:cTn").attribute("nodeType").value();
                out.push_back({effect, TriggerFromNodeType(nodeType, fallback)});
                firstEffect = false;
            }
            firstWith = false;
        }
        firstClick = false;
    }
    (void)firstClick;
    return out;
}

pugi::xml_node EffectCTn(pugi::xml_node par) { return par.child("p:cTn"); }

std::uint32_t EffectId(pugi::xml_node par) {
    return EffectCTn(par).attribute("id").as_uint();
}

pugi::xml_node EffectParById(pugi::xml_document& doc, std::uint32_t ctnId) {
    auto timing = TimingNode(doc);
    if (!timing || ctnId == 0) return {};
    pugi::xml_node found;
    for (auto ctn : timing.select_nodes(".//p:cTn")) {
        if (ctn.node().attribute("id").as_uint() == ctnId) {
            found = ctn.node().parent();
            break;
        }
    }
    if (!found || !Is(found, "p:par")) return {};
    if (!EffectCTn(found).attribute("presetClass") && !EffectCTn(found).attribute("nodeType"))
        return {};
    return found;
}

std::optional<std::uint32_t> TargetShapeId(pugi::xml_node par) {
    auto t = par.select_node(".//p:spTgt");
    if (!t) return std::nullopt;
    return t.node().attribute("spid").as_uint();
}

std::string SequenceKind(pugi::xml_node par) {
    for (auto n = par.parent(); n; n = n.parent()) {
        if (Is(n, "p:seq")) return n.child("p:cTn").attribute("nodeType").value();
    }
    return {};
}

bool InMainSequence(pugi::xml_node par) { return SequenceKind(par) == "mainSeq"; }

std::uint32_t NextCTnId(pugi::xml_document& doc) {
    std::uint32_t max = 0;
    if (auto timing = TimingNode(doc)) {
        for (auto ctn : timing.select_nodes(".//p:cTn"))
            max = std::max(max, ctn.node().attribute("id").as_uint());
    }
    return max + 1;
}

void RenumberCTns(pugi::xml_document& doc, pugi::xml_node node) {
    std::uint32_t next = NextCTnId(doc);
    // The node may not be in the tree yet; skip ids it already uses.
    for (auto ctn : node.select_nodes("descendant-or-self::p:cTn"))
        next = std::max(next, ctn.node().attribute("id").as_uint() + 1);
    for (auto ctn : node.select_nodes("descendant-or-self::p:cTn")) {
        auto a = ctn.node().attribute("id");
        if (!a) a = ctn.node().prepend_attribute("id");
        a = next++;
    }
}

std::vector<pugi::xml_node> Behaviours(pugi::xml_node par) {
    std::vector<pugi::xml_node> out;
    for (auto c : EffectCTn(par).child("p:childTnLst").children())
        if (BehaviourType(c) != 0) out.push_back(c);
    return out;
}

int BehaviourType(pugi::xml_node b) {
    static const std::map<std::string, int> kTypes = {
        {"p:animMotion", 1}, {"p:animClr", 2}, {"p:animScale", 3}, {"p:animRot", 4},
        {"p:anim", 5},       {"p:cmd", 6},     {"p:animEffect", 7}, {"p:set", 8}};
    auto it = kTypes.find(b.name());
    return it == kTypes.end() ? 0 : it->second;
}

std::optional<double> Millis(pugi::xml_attribute a) {
    if (!a) return std::nullopt;
    const char* v = a.value();
    char* end = nullptr;
    double d = std::strtod(v, &end);
    if (end == v) return std::nullopt;
    return d;
}

double EffectEndMs(pugi::xml_node par) {
    auto ctn = EffectCTn(par);
    double start = Millis(ctn.child("p:stCondLst").child("p:cond").attribute("delay")).value_or(0);
    double longest = 0;
    for (auto b : EffectCTn(par).child("p:childTnLst").children()) {
        auto bctn = b.child("p:cBhvr").child("p:cTn");
        if (!bctn) bctn = b.child("p:cMediaNode").child("p:cTn");
        if (!bctn) continue;
        double d = Millis(bctn.attribute("dur")).value_or(0);
        double delay = Millis(bctn.child("p:stCondLst").child("p:cond").attribute("delay")).value_or(0);
        double repeat = Millis(bctn.attribute("repeatCount")).value_or(1000) / 1000.0;
        if (bctn.attribute("autoRev").as_bool()) d *= 2;
        longest = std::max(longest, delay + d * repeat);
    }
    if (auto own = Millis(ctn.attribute("dur"))) longest = std::max(longest, *own);
    return start + longest;
}

void RebuildMainSequence(pugi::xml_document& doc, const std::vector<MainEffect>& effects) {
    auto main = MainSeqCTn(doc, !effects.empty());
    if (!main) return;
    auto list = EnsureChild(main, "p:childTnLst");
    auto timing = TimingNode(doc);
    auto hold = timing.append_child("p:qmxHold");

    // Where each effect stood, before anything moves.
    struct Origin {
        pugi::xml_node with, click;
        bool ledWith = false, ledClick = false;
    };
    std::vector<Origin> origins;
    for (const auto& e : effects) {
        Origin o;
        auto p = e.par.parent();
        if (p && Is(p, "p:childTnLst") && Is(p.parent(), "p:cTn") && Is(p.parent().parent(), "p:par")) {
            o.with = p.parent().parent();
            auto cp = o.with.parent();
            if (cp && Is(cp, "p:childTnLst") && Is(cp.parent(), "p:cTn") &&
                cp.parent().parent().parent() == list) {
                o.click = cp.parent().parent();
            } else {
                o.with = {};
            }
        }
        if (o.with) {
            o.ledWith = ChildTnLst(o.with).first_child() == e.par;
            o.ledClick = o.ledWith && ChildTnLst(o.click).first_child() == o.with;
        }
        origins.push_back(o);
    }

    for (const auto& e : effects) hold.append_move(e.par);
    std::vector<pugi::xml_node> clicks;
    for (auto c : list.children("p:par")) clicks.push_back(c);
    for (auto c : clicks) {
        std::vector<pugi::xml_node> withs;
        for (auto w : ChildTnLst(c).children("p:par")) withs.push_back(w);
        for (auto w : withs) hold.append_move(w);
        hold.append_move(c);
    }

    std::set<pugi::xml_node> used;
    pugi::xml_node click, with;
    double withStart = 0, withEnd = 0;
    for (size_t k = 0; k < effects.size(); ++k) {
        const auto& e = effects[k];
        const auto& o = origins[k];
        const bool startClick = k == 0 || e.trigger == kOnClick;
        const bool startWith = startClick || e.trigger == kAfterPrevious;
        if (startClick) {
            if (o.ledClick && !used.count(o.click)) {
                click = o.click;
                list.append_move(click);
            } else {
                click = NewContainerPar(doc, list, NextCTnId(doc), "indefinite");
            }
            used.insert(click);
            // The first group starts by itself unless its first effect waits for a click.
            auto st = click.child("p:cTn").child("p:stCondLst");
            for (auto cond = st.child("p:cond"); cond;) {
                auto next = cond.next_sibling("p:cond");
                if (std::strcmp(cond.attribute("evt").value(), "onBegin") == 0) st.remove_child(cond);
                cond = next;
            }
            if (k == 0 && e.trigger != kOnClick) {
                auto cond = st.append_child("p:cond");
                cond.append_attribute("evt") = "onBegin";
                cond.append_attribute("delay") = "0";
                cond.append_child("p:tn").append_attribute("val") = main.attribute("id").as_uint();
            }
            withStart = withEnd = 0;
        }
        if (startWith) {
            const bool reuse = o.ledWith && !used.count(o.with) && o.ledClick == startClick;
            auto into = ChildTnLst(click);
            if (!into) into = EnsureChild(EnsureChild(click, "p:cTn"), "p:childTnLst");
            if (reuse) {
                with = o.with;
                into.append_move(with);
                if (startClick) SetCondDelay(with, 0);
            } else {
                with = NewContainerPar(doc, into, NextCTnId(doc), "0");
                SetCondDelay(with, startClick ? 0 : withEnd);
            }
            used.insert(with);
            withStart = Millis(with.child("p:cTn").child("p:stCondLst").child("p:cond").attribute("delay"))
                            .value_or(0);
            withEnd = withStart;
        }
        auto into = ChildTnLst(with);
        if (!into) into = EnsureChild(EnsureChild(with, "p:cTn"), "p:childTnLst");
        into.append_move(e.par);
        auto nodeType = EffectCTn(e.par).attribute("nodeType");
        if (!nodeType) nodeType = EffectCTn(e.par).append_attribute("nodeType");
        nodeType = e.trigger == kOnClick ? "clickEffect"
                 : e.trigger == kAfterPrevious ? "afterEffect" : "withEffect";
        withEnd = std::max(withEnd, withStart + EffectEndMs(e.par));
    }
    timing.remove_child(hold);
    if (effects.empty()) PruneEmptySequences(doc);
}

pugi::xml_node BuildList(pugi::xml_document& doc, bool create) {
    auto timing = TimingNode(doc);
    if (!timing) return {};
    auto b = timing.child("p:bldLst");
    if (!b && create) b = ChildInOrder(timing, "p:bldLst", QMX_ORDER_TIMING);
    return b;
}

pugi::xml_node BuildEntry(pugi::xml_document& doc, std::uint32_t spid, const std::string& grpId) {
    auto b = BuildList(doc, false);
    for (auto c : b.children()) {
        if (c.attribute("spid").as_uint() == spid && grpId == c.attribute("grpId").value()) return c;
    }
    return {};
}

void PruneBuildList(pugi::xml_document& doc) {
    auto b = BuildList(doc, false);
    if (!b) return;
    std::set<std::pair<std::uint32_t, std::string>> referenced;
    for (auto ctn : TimingNode(doc).child("p:tnLst").select_nodes(".//p:cTn[@grpId]")) {
        auto par = ctn.node().parent();
        if (auto spid = TargetShapeId(par))
            referenced.insert({*spid, ctn.node().attribute("grpId").value()});
    }
    std::vector<pugi::xml_node> gone;
    for (auto c : b.children()) {
        // Only the per-shape entries follow the effects; others stay as they are.
        if (!c.attribute("spid")) continue;
        if (!referenced.count({c.attribute("spid").as_uint(), c.attribute("grpId").value()}))
            gone.push_back(c);
    }
    for (auto c : gone) b.remove_child(c);
    if (!b.first_child()) TimingNode(doc).remove_child(b);
}

void PruneEmptySequences(pugi::xml_document& doc) {
    auto timing = TimingNode(doc);
    if (!timing) return;
    auto rootCtn = timing.child("p:tnLst").child("p:par").child("p:cTn");
    auto list = rootCtn.child("p:childTnLst");
    if (!list) return;
    std::vector<pugi::xml_node> gone;
    for (auto seq : list.children("p:seq")) {
        auto seqList = seq.child("p:cTn").child("p:childTnLst");
        bool any = seqList && seqList.select_node(".//p:cTn[@presetClass]|.//p:cTn[@nodeType='clickEffect']|.//p:cTn[@nodeType='withEffect']|.//p:cTn[@nodeType='afterEffect']");
        if (!any) gone.push_back(seq);
    }
    for (auto s : gone) list.remove_child(s);
    if (!list.first_child()) rootCtn.remove_child(list);
}

namespace {
// Any target below n (shape or ink) names the shape: an effect or media
// node with one behaviour on a shape that is gone cannot play either.
bool TargetsShape(pugi::xml_node n, std::uint32_t shapeId) {
    for (auto t : n.select_nodes(".//p:spTgt|.//p:inkTgt"))
        if (t.node().attribute("spid").as_uint() == shapeId) return true;
    return false;
}
} // namespace

bool RemoveShapeAnimations(pugi::xml_document& doc, std::uint32_t shapeId) {
    auto timing = TimingNode(doc);
    if (!timing) return false;
    bool changed = false;
    auto rootList = timing.child("p:tnLst").child("p:par").child("p:cTn").child("p:childTnLst");

    // Sequences the shape triggers go with it.
    std::vector<pugi::xml_node> seqs;
    for (auto seq : rootList.children("p:seq")) {
        for (auto t : seq.child("p:cTn").child("p:stCondLst").select_nodes(".//p:spTgt"))
            if (t.node().attribute("spid").as_uint() == shapeId) {
                seqs.push_back(seq);
                break;
            }
    }
    for (auto s : seqs) {
        rootList.remove_child(s);
        changed = true;
    }
    // Media nodes that play it.
    std::vector<pugi::xml_node> media;
    for (auto m : rootList.children()) {
        if ((Is(m, "p:video") || Is(m, "p:audio")) && TargetsShape(m, shapeId)) media.push_back(m);
    }
    for (auto m : media) {
        rootList.remove_child(m);
        changed = true;
    }

    // Effects on it, in the main sequence (regrouped) and elsewhere.
    auto mainEffects = MainEffects(doc);
    std::vector<MainEffect> keep;
    std::vector<pugi::xml_node> gone;
    for (auto& e : mainEffects) {
        if (TargetsShape(e.par, shapeId)) gone.push_back(e.par);
        else keep.push_back(e);
    }
    if (!gone.empty()) {
        changed = true;
        for (auto par : gone) par.parent().remove_child(par);
        RebuildMainSequence(doc, keep);
    }
    std::vector<pugi::xml_node> others;
    for (auto seq : rootList.children("p:seq")) {
        for (auto ctn : seq.select_nodes(".//p:cTn[@presetClass]")) {
            auto par = ctn.node().parent();
            if (!InMainSequence(par) && TargetsShape(par, shapeId)) others.push_back(par);
        }
    }
    for (auto p : others) {
        auto container = p.parent();
        container.remove_child(p);
        changed = true;
        // Empty with-groups and click groups of an interactive sequence go too.
        for (int up = 0; up < 2; ++up) {
            if (container.first_child()) break;
            auto ctn = container.parent();
            auto par = ctn.parent();
            if (!Is(par, "p:par")) break;
            container = par.parent();
            container.remove_child(par);
        }
    }

    if (auto b = BuildList(doc, false)) {
        std::vector<pugi::xml_node> gone;
        for (auto c : b.children())
            if (c.attribute("spid").as_uint() == shapeId) gone.push_back(c);
        for (auto c : gone) {
            b.remove_child(c);
            changed = true;
        }
        if (!b.first_child()) timing.remove_child(b);
    }
    PruneEmptySequences(doc);
    // A shape that took the last animation with it leaves no timing behind.
    if (changed && !timing.child("p:tnLst").child("p:par").child("p:cTn").child("p:childTnLst") &&
        !timing.child("p:bldLst"))
        doc.document_element().remove_child(timing);
    return changed;
}

} // namespace quillmax::pptx::timeline_xml
