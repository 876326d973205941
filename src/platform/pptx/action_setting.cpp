// File: platform/pptx/action_setting.cpp
// ActionSettings(1|2) over a shape's a:hlinkClick / a:hlinkHover: the action
// kind lives in the action URL, addresses and programs in relationships,
// the sound in a:snd.
#include <cctype>
#include <cstring>
#include <map>
#include <optional>

#include "platform/pptx/model.h"
#include "platform/pptx/xml_util.h"

namespace quillmax::pptx {

namespace {

const std::map<std::string, int> kJumps = {{"nextslide", 1},       {"previousslide", 2}, {"firstslide", 3},
                                           {"lastslide", 4},       {"lastslideviewed", 5}, {"endshow", 6}};

std::string Query(const std::string& action, const std::string& key) {
    auto q = action.find('?');
    if (q == std::string::npos) return "";
    std::string rest = action.substr(q + 1);
    size_t pos = 0;
    while (pos <= rest.size()) {
        auto amp = rest.find('&', pos);
        std::string kv = rest.substr(pos, amp == std::string::npos ? std::string::npos : amp - pos);
        auto eq = kv.find('=');
        if (kv.substr(0, eq) == key) return eq == std::string::npos ? "" : kv.substr(eq + 1);
        if (amp == std::string::npos) break;
        pos = amp + 1;
    }
    return "";
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// %XX escapes of a relationship target, as the object model shows addresses.
std::string PercentDecode(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// What a relationship target may not hold literally.
std::string PercentEncode(const std::string& s) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (c == ' ' || c == '%' || c == '"' || c == '<' || c == '>' || c < 0x20) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// A file rather than a web address: file: URLs, drive paths, relative
// paths. Network addresses ("//host/...") and any other scheme are links.
bool IsFileAddress(const std::string& addr) {
    if (StartsWith(LowerAscii(addr), "file:")) return true;
    if (StartsWith(addr, "//") || StartsWith(addr, "\\\\")) return false;
    auto colon = addr.find(':');
    if (colon == std::string::npos) return true;
    if (colon == 1) return true; // C:\...
    for (size_t i = 0; i < colon; ++i) {
        const char c = addr[i];
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.')) return true;
    }
    return false;
}

bool IsPresentationFile(const std::string& addr) {
    const std::string a = LowerAscii(addr);
    for (const char* ext : {".pptx", ".ppt", ".pptm", ".ppsx", ".pps", ".ppsm", ".potx", ".pot", ".potm"}) {
        const std::string e = ext;
        if (a.size() >= e.size() && a.compare(a.size() - e.size(), e.size(), e) == 0) return true;
    }
    return false;
}

// "id,index,title" of a slide in another presentation; nullopt otherwise.
struct PresSlide {
    std::string index, title;
};
std::optional<PresSlide> ParsePresSlide(const std::string& sub) {
    auto c1 = sub.find(',');
    if (c1 == std::string::npos) return std::nullopt;
    auto c2 = sub.find(',', c1 + 1);
    if (c2 == std::string::npos) return std::nullopt;
    std::string index = sub.substr(c1 + 1, c2 - c1 - 1);
    if (index.empty() || index.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    return PresSlide{index, sub.substr(c2 + 1)};
}

// Shared state of one action setting: the shape and which element.
struct ActionRef {
    std::shared_ptr<ShapeImpl> shape;
    const char* tag;
    const char* member;

    std::shared_ptr<SlideImpl> Slide() { return shape->Slide(member); }
    pugi::xml_node Elem(bool create) {
        auto c = CNvPrOf(shape->Primary(member));
        if (!c) Fail(member, "the shape has no properties");
        auto e = c.child(tag);
        if (!e && create) {
            e = ChildInOrder(c, tag, QMX_ORDER_CNVPR);
            e.append_attribute("r:id") = "";
        }
        return e;
    }
    Part& SlidePart() { return Slide()->part(); }
    const Relationship* Rel(pugi::xml_node e) {
        std::string rid = e.attribute("r:id").value();
        return rid.empty() ? nullptr : SlidePart().Rels().Find(rid);
    }
    void Dirty() { Slide()->MarkDirty(); }
    void ReleaseRel(pugi::xml_node e) {
        std::string rid = e.attribute("r:id").value();
        if (rid.empty()) return;
        e.attribute("r:id").set_value("");
        Slide()->DropUnusedRels({rid});
    }
    void SetRel(pugi::xml_node e, const std::string& type, const std::string& target, bool external) {
        std::string rid = e.attribute("r:id").value();
        auto* r = rid.empty() ? nullptr : SlidePart().Rels().Find(rid);
        if (r && r->type == type) {
            // only this element may use it; otherwise a new one
            int uses = 0;
            for (auto& id : RelIdsIn(Slide()->Document().document_element()))
                if (id == rid) ++uses;
            if (uses <= 1) {
                SlidePart().Rels().SetTarget(rid, target, external);
                return;
            }
        }
        ReleaseRel(e);
        std::string nid = SlidePart().Rels().Add(type, target, external);
        if (!e.attribute("r:id")) e.append_attribute("r:id");
        e.attribute("r:id").set_value(nid.c_str());
    }
    std::string ActionUrl() {
        auto e = Elem(false);
        return e ? e.attribute("action").value() : "";
    }
    void SetActionUrl(pugi::xml_node e, const std::string& url) {
        if (url.empty()) {
            e.remove_attribute("action");
        } else {
            if (!e.attribute("action")) e.append_attribute("action");
            e.attribute("action").set_value(url.c_str());
        }
    }
    // Drops the element when it carries nothing any more.
    void Tidy(pugi::xml_node e) {
        if (!e) return;
        std::string a = e.attribute("action").value();
        if ((a.empty() || a == "ppaction://noaction") && !*e.attribute("r:id").value() && !e.child("a:snd") &&
            !e.attribute("endSnd").as_bool() && !e.attribute("tooltip") && !e.attribute("highlightClick").as_bool())
            e.parent().remove_child(e);
    }
};

class HyperlinkImpl : public office::Hyperlink {
public:
    explicit HyperlinkImpl(ActionRef a) : a_(std::move(a)) {}

    // The external target and whether the action kind shows it as an address.
    std::string Target() {
        auto e = a_.Elem(false);
        if (!e) return "";
        std::string act = e.attribute("action").value();
        if (!(act.empty() || act.rfind("ppaction://hlinkfile", 0) == 0 || act.rfind("ppaction://hlinkpres", 0) == 0))
            return "";
        auto* r = a_.Rel(e);
        return r && r->external ? PercentDecode(r->target) : "";
    }
    static void Split(const std::string& t, std::string& addr, std::string& sub, std::string& subject) {
        addr = t;
        sub.clear();
        subject.clear();
        if (t.rfind("mailto:", 0) == 0) {
            auto q = t.find("?subject=");
            if (q != std::string::npos) {
                addr = t.substr(0, q);
                subject = t.substr(q + 9);
            }
            return;
        }
        auto h = t.find('#');
        if (h != std::string::npos) {
            addr = t.substr(0, h);
            sub = t.substr(h + 1);
        }
    }
    void Write(const std::string& addr, const std::string& sub, const std::string& subject) {
        auto e = a_.Elem(!addr.empty());
        if (!e) return;
        if (addr.empty()) {
            if (a_.Rel(e) && a_.Rel(e)->external) a_.ReleaseRel(e);
            a_.Tidy(e);
            a_.Dirty();
            return;
        }
        std::string t = PercentEncode(addr);
        if (!subject.empty() && addr.rfind("mailto:", 0) == 0) t += "?subject=" + PercentEncode(subject);
        if (!sub.empty()) t += "#" + sub;
        a_.SetRel(e, reltype::Of("hyperlink"), t, true);
        // The kind follows the address: a slide of another presentation, a
        // file to open, or a web address.
        std::optional<PresSlide> slide;
        if (IsFileAddress(addr) && IsPresentationFile(addr)) slide = ParsePresSlide(sub);
        if (slide)
            a_.SetActionUrl(e, "ppaction://hlinkpres?slideindex=" + slide->index + "&slidetitle=" + slide->title);
        else if (IsFileAddress(addr))
            a_.SetActionUrl(e, "ppaction://hlinkfile");
        else
            a_.SetActionUrl(e, "");
        a_.Dirty();
    }

    std::string Address() override {
        std::string addr, sub, subj;
        Split(Target(), addr, sub, subj);
        return addr;
    }
    void SetAddress(const std::string& v) override {
        std::string addr, sub, subj;
        Split(Target(), addr, sub, subj);
        Write(v, sub, subj);
    }
    std::string SubAddress() override {
        auto e = a_.Elem(false);
        if (!e) return "";
        std::string act = e.attribute("action").value();
        if (act.rfind("ppaction://hlinksldjump", 0) == 0) {
            auto* r = a_.Rel(e);
            if (!r || r->external) return "";
            auto slide = a_.Slide();
            auto pres = slide->Pres(a_.member);
            std::string name = slide->part().Resolve(r->target);
            for (size_t i = 0; i < pres->slides().size(); ++i)
                if (LowerAscii(pres->slides()[i]->part().name()) == LowerAscii(name))
                    return std::to_string(pres->slides()[i]->sldId()) + "," + std::to_string(i + 1) + ",";
            return "";
        }
        std::string addr, sub, subj;
        Split(Target(), addr, sub, subj);
        return sub;
    }
    void SetSubAddress(const std::string& v) override {
        std::string addr, sub, subj;
        Split(Target(), addr, sub, subj);
        if (!addr.empty()) {
            Write(addr, v, subj);
            return;
        }
        if (v.empty()) return;
        // "id,index,title": a jump to a slide of this presentation
        auto slide = a_.Slide();
        auto pres = slide->Pres(a_.member);
        auto c1 = v.find(',');
        std::shared_ptr<SlideImpl> target;
        try {
            std::uint32_t id = static_cast<std::uint32_t>(std::stoul(v.substr(0, c1)));
            for (auto& s : pres->slides())
                if (s->sldId() == id) target = s;
            if (!target && c1 != std::string::npos) {
                int idx = std::stoi(v.substr(c1 + 1));
                if (idx >= 1 && idx <= static_cast<int>(pres->slides().size())) target = pres->slides()[idx - 1];
            }
        } catch (const std::exception&) {
        }
        if (!target) Fail("Hyperlink.SubAddress", "no such slide: " + v);
        auto e = a_.Elem(true);
        a_.SetRel(e, reltype::Of("slide"), slide->part().RelativeTo(target->part().name()), false);
        a_.SetActionUrl(e, "ppaction://hlinksldjump");
        a_.Dirty();
    }
    std::string ScreenTip() override {
        auto e = a_.Elem(false);
        return e ? e.attribute("tooltip").value() : "";
    }
    void SetScreenTip(const std::string& v) override {
        auto e = a_.Elem(!v.empty());
        if (!e) return;
        if (v.empty()) e.remove_attribute("tooltip");
        else {
            if (!e.attribute("tooltip")) e.append_attribute("tooltip");
            e.attribute("tooltip").set_value(v.c_str());
        }
        a_.Tidy(e);
        a_.Dirty();
    }
    // A shape's hyperlink has no text of its own in the package.
    std::string TextToDisplay() override {
        a_.Elem(false);
        return "";
    }
    void SetTextToDisplay(const std::string&) override { a_.Elem(false); }
    std::string EmailSubject() override {
        std::string addr, sub, subj;
        Split(Target(), addr, sub, subj);
        return subj;
    }
    void SetEmailSubject(const std::string& v) override {
        std::string addr, sub, subj;
        Split(Target(), addr, sub, subj);
        if (addr.rfind("mailto:", 0) == 0) Write(addr, sub, v);
    }
    bool ShowAndReturn() override { return Query(a_.ActionUrl(), "return") == "true"; }
    void SetShowAndReturn(bool v) override {
        // Copied before the action itself: a return asked of a shape with no
        // action yet makes it a custom show, whose name comes next.
        std::string cur = a_.ActionUrl();
        auto existing = a_.Elem(false);
        const bool linked = existing && *existing.attribute("r:id").value();
        if (v && (cur.empty() || cur == "ppaction://noaction") && !linked) {
            auto e = a_.Elem(true);
            a_.SetActionUrl(e, "ppaction://customshow?id=&return=true");
            a_.Dirty();
            return;
        }
        auto e = a_.Elem(false);
        if (!e) return;
        std::string act = e.attribute("action").value();
        if (act.rfind("ppaction://customshow", 0) != 0) return;
        a_.SetActionUrl(e, "ppaction://customshow?id=" + Query(act, "id") + (v ? "&return=true" : ""));
        a_.Dirty();
    }

private:
    ActionRef a_;
};

class SoundEffectImpl : public office::SoundEffect {
public:
    explicit SoundEffectImpl(ActionRef a) : a_(std::move(a)) {}
    std::string Name() override {
        auto e = a_.Elem(false);
        return e ? e.child("a:snd").attribute("name").value() : "";
    }
    void SetName(const std::string& v) override {
        auto e = a_.Elem(false);
        if (v.empty()) {
            if (e && e.child("a:snd")) {
                std::string rid = e.child("a:snd").attribute("r:embed").value();
                e.remove_child("a:snd");
                a_.Slide()->DropUnusedRels({rid});
                a_.Tidy(e);
                a_.Dirty();
            }
            return;
        }
        if (e && Name() == v) return;
        // A sound of that name already in the presentation (this slide first).
        auto slide = a_.Slide();
        auto pres = slide->Pres("SoundEffect.Name");
        std::string partName;
        std::vector<std::shared_ptr<SlideImpl>> order{slide};
        for (auto& s : pres->slides())
            if (s != slide) order.push_back(s);
        for (auto& s : order) {
            ForEachElement(s->Document().document_element(), [&](pugi::xml_node n) {
                if (!partName.empty() || (std::strcmp(n.name(), "a:snd") != 0 && std::strcmp(n.name(), "p:snd") != 0))
                    return;
                if (v != n.attribute("name").value()) return;
                if (auto* p = s->part().Target(n.attribute("r:embed").value())) partName = p->name();
            });
            if (!partName.empty()) break;
        }
        if (partName.empty()) Fail("SoundEffect.Name", "no sound named \"" + v + "\"");
        e = a_.Elem(true);
        if (!*e.attribute("action").value() && !*e.attribute("r:id").value()) a_.SetActionUrl(e, "ppaction://noaction");
        std::string old = e.child("a:snd").attribute("r:embed").value();
        e.remove_child("a:snd");
        std::string rid = slide->part().Rels().Add(reltype::Of("audio"), slide->part().RelativeTo(partName), false);
        auto snd = ChildInOrder(e, "a:snd", QMX_ORDER_HLINK);
        snd.append_attribute("r:embed") = rid.c_str();
        snd.append_attribute("name") = v.c_str();
        e.remove_attribute("endSnd");
        if (!old.empty()) slide->DropUnusedRels({old});
        a_.Dirty();
    }
    int Type() override {
        auto e = a_.Elem(false);
        if (!e) return 0;
        if (e.child("a:snd")) return 2;
        if (e.attribute("endSnd").as_bool()) return 1;
        return 0;
    }
    void SetType(int v) override {
        if (v == Type()) return;
        auto e = a_.Elem(v != 0);
        if (!e) return;
        if (v == 2) Fail("SoundEffect.Type", "set a sound by its Name first");
        if (v != 0 && v != 1) Fail("SoundEffect.Type", "invalid sound type");
        if (auto snd = e.child("a:snd")) {
            std::string rid = snd.attribute("r:embed").value();
            e.remove_child(snd);
            a_.Slide()->DropUnusedRels({rid});
        }
        if (v == 1) {
            if (!*e.attribute("action").value() && !*e.attribute("r:id").value()) a_.SetActionUrl(e, "ppaction://noaction");
            if (!e.attribute("endSnd")) e.append_attribute("endSnd");
            e.attribute("endSnd").set_value("1");
        } else {
            e.remove_attribute("endSnd");
            a_.Tidy(e);
        }
        a_.Dirty();
    }

private:
    ActionRef a_;
};

class ActionSettingImpl : public office::ActionSetting {
public:
    explicit ActionSettingImpl(ActionRef a) : a_(std::move(a)) {}

    int Action() override {
        auto e = a_.Elem(false);
        if (!e) return 0;
        std::string act = e.attribute("action").value();
        if (act.empty()) return *e.attribute("r:id").value() ? 7 : 0;
        if (act == "ppaction://noaction") return 0;
        if (act.rfind("ppaction://hlinkshowjump", 0) == 0) {
            auto it = kJumps.find(Query(act, "jump"));
            return it == kJumps.end() ? 0 : it->second;
        }
        if (act.rfind("ppaction://hlinksldjump", 0) == 0 || act.rfind("ppaction://hlinkpres", 0) == 0 ||
            act.rfind("ppaction://hlinkfile", 0) == 0)
            return 7;
        if (act.rfind("ppaction://macro", 0) == 0) return 8;
        if (act.rfind("ppaction://program", 0) == 0) return 9;
        if (act.rfind("ppaction://customshow", 0) == 0) return 10;
        if (act.rfind("ppaction://ole", 0) == 0) return 11;
        if (act.rfind("ppaction://media", 0) == 0) return 12;
        return 0;
    }
    void SetAction(int v) override {
        if (v == Action()) return;
        auto e = a_.Elem(v != 0);
        if (!e) return;
        std::string act = e.attribute("action").value();
        auto dropLinkUnless = [&](bool keep) {
            if (!keep) a_.ReleaseRel(e);
        };
        if (v == 0) {
            dropLinkUnless(false);
            a_.SetActionUrl(e, "ppaction://noaction");
            a_.Tidy(e);
        } else if (v >= 1 && v <= 6) {
            dropLinkUnless(false);
            for (auto& [k, n] : kJumps)
                if (n == v) a_.SetActionUrl(e, "ppaction://hlinkshowjump?jump=" + k);
        } else if (v == 7) {
            a_.SetActionUrl(e, "");
        } else if (v == 8) {
            dropLinkUnless(false);
            a_.SetActionUrl(e, "ppaction://macro?name=");
        } else if (v == 9) {
            a_.SetActionUrl(e, "ppaction://program");
        } else if (v == 10) {
            dropLinkUnless(false);
            a_.SetActionUrl(e, "ppaction://customshow?id=");
        } else if (v == 11) {
            const int type = a_.shape->Type();
            if (type != office::ppt::kShapeEmbeddedOLE && type != office::ppt::kShapeLinkedOLE)
                Fail("ActionSetting.Action", "only an OLE object has OLE verbs");
            dropLinkUnless(false);
            a_.SetActionUrl(e, "ppaction://ole?verb=0");
        } else if (v == 12) {
            dropLinkUnless(false);
            a_.SetActionUrl(e, "ppaction://media");
        } else {
            Fail("ActionSetting.Action", "invalid action " + std::to_string(v));
        }
        a_.Dirty();
    }
    int AnimateAction() override {
        auto e = a_.Elem(false);
        return e && e.attribute("highlightClick").as_bool() ? -1 : 0;
    }
    void SetAnimateAction(int v) override {
        auto e = a_.Elem(v != 0);
        if (!e) return;
        if (v && !*e.attribute("action").value() && !*e.attribute("r:id").value())
            a_.SetActionUrl(e, "ppaction://noaction");
        if (v) {
            if (!e.attribute("highlightClick")) e.append_attribute("highlightClick");
            e.attribute("highlightClick").set_value("1");
        } else {
            e.remove_attribute("highlightClick");
        }
        a_.Dirty();
    }
    std::string Run() override {
        int act = Action();
        if (act == 8) return Query(a_.ActionUrl(), "name");
        if (act == 9) {
            auto* r = a_.Rel(a_.Elem(false));
            return r ? r->target : "";
        }
        return "";
    }
    void SetRun(const std::string& v) override {
        int act = Action();
        auto e = a_.Elem(false);
        if (act == 8) a_.SetActionUrl(e, "ppaction://macro?name=" + v);
        else if (act == 9) {
            if (v.empty()) a_.ReleaseRel(e);
            else a_.SetRel(e, reltype::Of("hyperlink"), v, true);
        } else {
            return;
        }
        a_.Dirty();
    }
    std::string SlideShowName() override {
        if (Action() != 10) return "";
        std::string id = Query(a_.ActionUrl(), "id");
        auto pres = a_.Slide()->Pres(a_.member);
        for (auto cs : pres->presPart().Xml().document_element().child("p:custShowLst").children("p:custShow"))
            if (id == cs.attribute("id").value()) return cs.attribute("name").value();
        return "";
    }
    void SetSlideShowName(const std::string& v) override {
        if (Action() != 10) return;
        auto pres = a_.Slide()->Pres(a_.member);
        std::string id;
        for (auto cs : pres->presPart().Xml().document_element().child("p:custShowLst").children("p:custShow"))
            if (v == cs.attribute("name").value()) id = cs.attribute("id").value();
        if (id.empty() && !v.empty()) Fail("ActionSetting.SlideShowName", "no custom show named \"" + v + "\"");
        bool ret = Query(a_.ActionUrl(), "return") == "true";
        a_.SetActionUrl(a_.Elem(false), "ppaction://customshow?id=" + id + (ret ? "&return=true" : ""));
        a_.Dirty();
    }
    std::shared_ptr<office::Hyperlink> GetHyperlink() override {
        a_.shape->Node(a_.member);
        return std::make_shared<HyperlinkImpl>(a_);
    }
    std::shared_ptr<office::SoundEffect> GetSoundEffect() override {
        a_.shape->Node(a_.member);
        return std::make_shared<SoundEffectImpl>(a_);
    }

private:
    ActionRef a_;
};

} // namespace

std::shared_ptr<office::ActionSetting> MakeActionSetting(std::shared_ptr<ShapeImpl> shape, int index) {
    return std::make_shared<ActionSettingImpl>(
        ActionRef{std::move(shape), index == 1 ? "a:hlinkClick" : "a:hlinkHover", "ActionSetting"});
}

} // namespace quillmax::pptx
