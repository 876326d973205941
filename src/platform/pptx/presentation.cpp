// File: platform/pptx/presentation.cpp
// Application, presentations, windows, selection and slides of the
// package-backed PowerPoint.
#include <algorithm>
#include <atomic>
#include <thread>
#include <cstring>
#include <unistd.h>

#include "platform/pptx/model.h"
#include "platform/pptx/office_renderer.h"
#include "platform/pptx/package_names.h"
#include "platform/pptx/zip_io.h"
#include "platform/pptx/xml_util.h"

namespace quillmax::pptx {

void Fail(const std::string& member, const std::string& message) { throw office::AutomationError(member, message); }

namespace {

std::atomic<std::uint64_t> gNextPackageId{1};

std::string Absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char buf[4096];
    if (!getcwd(buf, sizeof buf)) return path;
    return std::string(buf) + "/" + path;
}

class PaneImpl : public office::Pane {
public:
    explicit PaneImpl(std::weak_ptr<PresentationImpl> p) : pres_(std::move(p)) {}
    int ViewType() override {
        auto p = pres_.lock();
        if (!p || p->closed) Fail("Pane.ViewType", "presentation closed");
        return p->viewType;
    }

private:
    std::weak_ptr<PresentationImpl> pres_;
};

class SelectionImpl : public office::Selection {
public:
    explicit SelectionImpl(std::weak_ptr<PresentationImpl> p) : pres_(std::move(p)) {}
    std::shared_ptr<office::ShapeRange> GetShapeRange() override {
        auto p = pres_.lock();
        if (!p || p->closed) Fail("Selection.ShapeRange", "presentation closed");
        std::vector<std::shared_ptr<ShapeImpl>> live;
        for (auto& w : p->selection)
            if (auto s = w.lock(); s && s->alive()) live.push_back(s);
        if (live.empty()) Fail("Selection.ShapeRange", "nothing is selected");
        return std::make_shared<ShapeRangeImpl>(std::move(live));
    }
    void Unselect() override {
        auto p = pres_.lock();
        if (!p || p->closed) Fail("Selection.Unselect", "presentation closed");
        p->selection.clear();
    }

private:
    std::weak_ptr<PresentationImpl> pres_;
};

class WindowImpl : public office::DocumentWindow {
public:
    explicit WindowImpl(std::weak_ptr<PresentationImpl> p) : pres_(std::move(p)) {}
    std::shared_ptr<PresentationImpl> P(const char* m) {
        auto p = pres_.lock();
        if (!p || p->closed) Fail(m, "presentation closed");
        return p;
    }
    int ViewType() override { return P("DocumentWindow.ViewType")->viewType; }
    void SetViewType(int v) override { P("DocumentWindow.ViewType")->viewType = v; }
    std::shared_ptr<office::Pane> Panes(int index) override {
        P("DocumentWindow.Panes");
        if (index < 1 || index > 3) Fail("DocumentWindow.Panes", "index out of range");
        return std::make_shared<PaneImpl>(pres_);
    }
    void Activate() override { P("DocumentWindow.Activate"); }
    std::shared_ptr<office::Selection> GetSelection() override {
        P("DocumentWindow.Selection");
        return std::make_shared<SelectionImpl>(pres_);
    }

private:
    std::weak_ptr<PresentationImpl> pres_;
};

class SlidesImpl : public office::Slides {
public:
    explicit SlidesImpl(std::weak_ptr<PresentationImpl> p) : pres_(std::move(p)) {}
    std::shared_ptr<PresentationImpl> P(const char* m) {
        auto p = pres_.lock();
        if (!p || p->closed) Fail(m, "presentation closed");
        return p;
    }
    int Count() override { return static_cast<int>(P("Slides.Count")->slides().size()); }
    std::shared_ptr<office::Slide> Item(int index) override {
        auto p = P("Slides.Item");
        if (index < 1 || index > static_cast<int>(p->slides().size())) Fail("Slides.Item", "index out of range");
        return p->slides()[index - 1];
    }
    std::shared_ptr<office::Slide> Add(int index, int layout) override {
        auto p = P("Slides.Add");
        if (index < 1 || index > static_cast<int>(p->slides().size()) + 1) Fail("Slides.Add", "index out of range");
        (void)layout; // every new slide is blank: the only layout the engine asks for
        return p->AddSlide(index);
    }

private:
    std::weak_ptr<PresentationImpl> pres_;
};

class ApplicationImpl;

class PresentationsImpl : public office::Presentations {
public:
    PresentationsImpl(ClipboardImpl* clip, std::shared_ptr<bool> quit) : clip_(clip), quit_(std::move(quit)) {}
    void Alive(const char* m) {
        if (*quit_) Fail(m, "the application has quit");
    }
    int Count() override {
        Alive("Presentations.Count");
        Prune();
        return static_cast<int>(open_.size());
    }
    std::shared_ptr<office::Presentation> Add(bool withWindow) override {
        Alive("Presentations.Add");
        (void)withWindow;
        Prune();
        auto p = std::make_shared<PresentationImpl>(BuildBlankPackage(), "", clip_, false);
        p->Bind();
        open_.push_back(p);
        return p;
    }
    std::shared_ptr<office::Presentation> Open(const std::string& path, bool readOnly) override {
        Alive("Presentations.Open");
        (void)readOnly; // the input is never written, whatever is asked
        std::string ext = ExtensionOf(path);
        if (ext == "ppt" || ext == "pps" || ext == "pot") {
            // An OOXML package under an old name still opens; the binary format does not.
        }
        Prune(); // a closed presentation's package is let go, not kept for the whole batch
        try {
            auto p = std::make_shared<PresentationImpl>(Package::OpenFile(path), Absolute(path), clip_, true);
            p->Bind();
            open_.push_back(p);
            return p;
        } catch (const office::AutomationError& e) {
            if (!e.member().empty()) throw;
            throw office::AutomationError("Presentations.Open", e.what(), e.systemError());
        } catch (const std::bad_alloc&) {
            Fail("Presentations.Open", "out of memory reading " + path);
        } catch (const std::exception& e) {
            Fail("Presentations.Open", std::string("cannot open: ") + e.what());
        }
    }
    void Prune() {
        std::erase_if(open_, [](auto& p) { return p->closed; });
    }
    void CloseAll() {
        for (auto& p : open_) p->closed = true;
        open_.clear();
    }

private:
    ClipboardImpl* clip_;
    std::shared_ptr<bool> quit_;
    std::vector<std::shared_ptr<PresentationImpl>> open_;
};

class ApplicationImpl : public office::Application {
public:
    explicit ApplicationImpl(ClipboardImpl* clip)
        : quit_(std::make_shared<bool>(false)), pres_(std::make_shared<PresentationsImpl>(clip, quit_)) {}
    std::string Version() override { return "16.0"; }
    std::string Name() override { return "Microsoft PowerPoint"; }
    void Quit() override {
        pres_->CloseAll();
        *quit_ = true;
    }
    bool Visible() override { return visible_; }
    void SetVisible(bool v) override { visible_ = v; }
    int WindowState() override { return state_; }
    void SetWindowState(int s) override { state_ = s; }
    std::shared_ptr<office::Presentations> GetPresentations() override {
        if (*quit_) Fail("Application.Presentations", "the application has quit");
        return pres_;
    }
    std::shared_ptr<office::CommandBar> CommandBars(const std::string& name) override {
        Fail("Application.CommandBars", "no command bar \"" + name + "\" in this application");
    }

private:
    std::shared_ptr<bool> quit_;
    std::shared_ptr<PresentationsImpl> pres_;
    bool visible_ = false;
    int state_ = 1;
};

class AutomationImpl : public office::Automation {
public:
    std::shared_ptr<office::Application> AttachPowerPoint() override {
        Fail("GetObject", "no running PowerPoint.Application");
    }
    std::shared_ptr<office::Application> CreatePowerPoint() override {
        return std::make_shared<ApplicationImpl>(&clip_);
    }
    std::shared_ptr<office::ExcelApplication> CreateExcel() override {
        Fail("CreateObject", "EXCEL.Application is not available");
    }
    office::Clipboard& SystemClipboard() override { return clip_; }
    void Settle(int) override {}
    // A batch that will meet metafiles starts the office helper now, so its
    // start (seconds) overlaps the files before.
    void Prepare(const std::vector<std::string>& files) override {
        for (const auto& f : files)
            for (const auto& name : ZipFileEntryNames(f)) {
                const std::string ext = ExtensionOf(name);
                if (name.rfind("ppt/media/", 0) == 0 && (ext == "emf" || ext == "wmf")) {
                    office_renderer::Prestart();
                    return;
                }
            }
    }

private:
    ClipboardImpl clip_;
};

} // namespace

std::unique_ptr<office::Automation> CreateAutomationImpl() { return std::make_unique<AutomationImpl>(); }

// ---- presentation -----------------------------------------------------------

PresentationImpl::PresentationImpl(std::unique_ptr<Package> pkg, std::string fullName, ClipboardImpl* clip,
                                   bool fromFile)
    : pkg_(std::move(pkg)), fullName_(std::move(fullName)), clip_(clip), id_(gNextPackageId++) {
    if (fromFile) sourcePath_ = fullName_;
    presPart_ = pkg_->MainPart();
    if (!presPart_) Fail("Presentations.Open", "the package has no presentation part");
    auto& doc = presPart_->Xml();
    auto root = doc.document_element();
    if (std::strcmp(root.name(), "p:presentation") != 0)
        Fail("Presentations.Open", "the main part is not a presentation");
    if (auto sz = root.child("p:sldSz")) {
        slideCx = AttrInt(sz, "cx", slideCx);
        slideCy = AttrInt(sz, "cy", slideCy);
    }
    for (auto id : root.child("p:sldIdLst").children("p:sldId")) {
        std::string rid = id.attribute("r:id").value();
        Part* sp = presPart_->Target(rid);
        if (!sp) Fail("Presentations.Open", "slide part missing for " + rid);
        slides_.push_back(std::make_shared<SlideImpl>(std::weak_ptr<PresentationImpl>(), sp,
                                                      static_cast<std::uint32_t>(AttrInt(id, "id"))));
    }
    // Parse every slide now, so a broken one fails Open rather than the walk.
    for (auto& s : slides_) {
        auto& d = s->part().Xml();
        if (std::strcmp(d.document_element().name(), "p:sld") != 0)
            Fail("Presentations.Open", "not a slide: " + s->part().name());
    }
    if (fromFile && RenderAhead::Enabled()) {
        std::vector<Part*> parts;
        for (auto& s : slides_) parts.push_back(&s->part());
        auto plan = PlanPictures(*pkg_, parts);
        // Two pictures at a time per core at most; one core is the walk's.
        const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
        if (plan.size() > 1) ahead_ = std::make_unique<RenderAhead>(pkg_->zipBytes(), std::move(plan), threads);
    }
}

void PresentationImpl::Bind() {
    for (auto& s : slides_) s->SetPres(weak_from_this());
}

void PresentationImpl::Check(const char* member) const {
    if (closed) Fail(member, "presentation closed");
}

int PresentationImpl::IndexOf(const SlideImpl* s) const {
    for (size_t i = 0; i < slides_.size(); ++i)
        if (slides_[i].get() == s) return static_cast<int>(i) + 1;
    return 0;
}

std::shared_ptr<office::DocumentWindow> PresentationImpl::Windows(int index) {
    Check("Presentation.Windows");
    if (index != 1) Fail("Presentation.Windows", "index out of range");
    return std::make_shared<WindowImpl>(weak_from_this());
}

std::shared_ptr<office::Slides> PresentationImpl::GetSlides() {
    Check("Presentation.Slides");
    return std::make_shared<SlidesImpl>(weak_from_this());
}

bool PresentationImpl::Saved() {
    Check("Presentation.Saved");
    return saved_;
}
void PresentationImpl::SetSaved(bool s) {
    Check("Presentation.Saved");
    saved_ = s;
}

std::string PresentationImpl::FullName() {
    Check("Presentation.FullName");
    return fullName_;
}

void PresentationImpl::Close() {
    ahead_.reset();
    closed = true;
    selection.clear();
}

void PresentationImpl::SaveAs(const std::string& path) {
    Check("Presentation.SaveAs");
    std::string ext = ExtensionOf(path);
    if (ext != "pptx") Fail("Presentation.SaveAs", "cannot write the format of \"" + path + "\" (only .pptx)");
    std::string abs = Absolute(path);
    if (!sourcePath_.empty() && abs == sourcePath_)
        Fail("Presentation.SaveAs", "the presentation was opened read-only: " + path);
    try {
        pkg_->SaveAs(abs);
    } catch (const office::AutomationError& e) {
        if (!e.member().empty()) throw;
        throw office::AutomationError("Presentation.SaveAs", e.what(), e.systemError());
    }
    fullName_ = abs;
    saved_ = true;
}

std::shared_ptr<SlideImpl> PresentationImpl::AddSlide(int index) {
    // Layout: the first one named blank, else the first layout of the first master.
    auto root = presPart_->Xml().document_element();
    Part* layout = nullptr;
    Part* firstLayout = nullptr;
    for (auto m : root.child("p:sldMasterIdLst").children("p:sldMasterId")) {
        Part* master = presPart_->Target(m.attribute("r:id").value());
        if (!master) continue;
        for (auto l : master->Xml().document_element().child("p:sldLayoutIdLst").children("p:sldLayoutId")) {
            Part* lp = master->Target(l.attribute("r:id").value());
            if (!lp) continue;
            if (!firstLayout) firstLayout = lp;
            if (!layout && std::strcmp(lp->Xml().document_element().attribute("type").value(), "blank") == 0)
                layout = lp;
        }
    }
    if (!layout) layout = firstLayout;
    if (!layout) Fail("Slides.Add", "the presentation has no slide layout");

    std::string name = pkg_->FreeName("/ppt/slides/slide", "xml");
    Part& part = pkg_->Add(name, BlankSlideXml(), ctype::Of("presentationml.slide+xml"));
    part.Rels().Add(reltype::Of("slideLayout"), part.RelativeTo(layout->name()), false);
    std::string rid = presPart_->Rels().Add(reltype::Of("slide"), presPart_->RelativeTo(name), false);

    auto lst = ChildInOrder(root, "p:sldIdLst", QMX_ORDER_PRES);
    std::uint32_t maxId = 255;
    for (auto s : lst.children("p:sldId")) maxId = std::max<std::uint32_t>(maxId, static_cast<std::uint32_t>(AttrInt(s, "id")));
    pugi::xml_node before;
    int i = 1;
    for (auto s : lst.children("p:sldId")) {
        if (i++ == index) {
            before = s;
            break;
        }
    }
    auto node = before ? lst.insert_child_before("p:sldId", before) : lst.append_child("p:sldId");
    node.append_attribute("id") = maxId + 1;
    node.append_attribute("r:id") = rid.c_str();
    presPart_->MarkDirty();
    auto slide = std::make_shared<SlideImpl>(weak_from_this(), &part, maxId + 1);
    slides_.insert(slides_.begin() + (index - 1), slide);
    Touch();
    return slide;
}

void PresentationImpl::RemoveSlide(SlideImpl* s) {
    auto root = presPart_->Xml().document_element();
    auto lst = root.child("p:sldIdLst");
    for (auto id : lst.children("p:sldId")) {
        if (static_cast<std::uint32_t>(AttrInt(id, "id")) == s->sldId()) {
            std::string rid = id.attribute("r:id").value();
            lst.remove_child(id);
            presPart_->Rels().Remove(rid);
            break;
        }
    }
    // sections list slide ids too
    ForEachElement(root, [&](pugi::xml_node n) {
        if (std::strcmp(n.name(), "p14:sldIdLst") == 0)
            for (auto e = n.first_child(); e;) {
                auto next = e.next_sibling();
                if (static_cast<std::uint32_t>(AttrInt(e, "id")) == s->sldId()) n.remove_child(e);
                e = next;
            }
    });
    presPart_->MarkDirty();
    std::erase_if(slides_, [&](auto& p) { return p.get() == s; });
    std::erase_if(selection, [&](auto& w) { return w.expired(); });
    Touch();
}

} // namespace quillmax::pptx
