// File: platform/pptx/render_ahead.cpp
// The pool that renders a deck's pictures ahead of the walk. Workers read
// the stored image bytes through a zip handle of their own over the
// package's immutable bytes, so they never touch the object model.
#include "platform/pptx/render_ahead.h"

#include <zip.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "platform/pptx/package.h"
#include "platform/pptx/xml_util.h"
#include "platform/pptx/zip_io.h"

namespace quillmax::pptx {
namespace {

std::atomic<int> gEnabled{-1}; // -1: not decided yet
std::atomic<unsigned> gTaken{0};

constexpr std::uint64_t kMinAheadBytes = 48 * 1024;
// Renderings waiting for the walk hold their pixels; a count limit made a
// thread idle behind one slow picture while the other cores had nothing to do.
constexpr std::uint64_t kAheadPixelBytes = 32u << 20;
// Times the deck's mean stored size that makes a picture go first.
constexpr std::uint64_t kOutlier = 4;

int Px(double points) { return std::max(1, static_cast<int>(std::lround(points * 96.0 / 72.0))); }

bool SameCrop(const imaging::Crop& a, const imaging::Crop& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The slide size, in EMU, that a picture's own extent stands for inside
// groups scaled by their child extents.
struct Scale {
    double x = 1, y = 1;
};

void PlanTree(Package& pkg, Part& slide, pugi::xml_node tree, Scale scale, std::vector<PlannedPicture>& out) {
    for (pugi::xml_node n : tree.children()) {
        const std::string name = n.name();
        if (name == "p:grpSp") {
            auto x = n.child("p:grpSpPr").child("a:xfrm");
            const double ecx = AttrInt(x.child("a:ext"), "cx"), ecy = AttrInt(x.child("a:ext"), "cy");
            const double ccx = AttrInt(x.child("a:chExt"), "cx"), ccy = AttrInt(x.child("a:chExt"), "cy");
            Scale inner = scale;
            if (ccx > 0 && ccy > 0) inner = {scale.x * ecx / ccx, scale.y * ecy / ccy};
            PlanTree(pkg, slide, n, inner, out);
            continue;
        }
        if (name != "p:pic") continue;
        auto ext = n.child("p:spPr").child("a:xfrm").child("a:ext");
        const char* rid = n.child("p:blipFill").child("a:blip").attribute("r:embed").value();
        if (!ext || !*rid) continue;
        Part* image = slide.Target(rid);
        if (!image || image->changed() || image->storedIndex() < 0) continue;
        PlannedPicture p;
        p.ext = ExtensionOf(image->name());
        if (p.ext == "jpg") p.ext = "jpeg";
        if (imaging::IsMetafile(p.ext) || p.ext == "svg") continue;
        // A small picture decodes in about the time the pool would take to
        // read it again and hand it over.
        if (image->storedSize() < kMinAheadBytes) continue;
        p.slidePart = slide.name();
        p.shapeId = static_cast<std::uint32_t>(AttrInt(n.child("p:nvPicPr").child("p:cNvPr"), "id"));
        p.imagePart = image->name();
        p.entry = image->storedIndex();
        p.size = image->storedSize();
        auto src = n.child("p:blipFill").child("a:srcRect");
        p.crop = {AttrInt(src, "l") / 100000.0, AttrInt(src, "t") / 100000.0, AttrInt(src, "r") / 100000.0,
                  AttrInt(src, "b") / 100000.0};
        p.cx = static_cast<std::int64_t>(std::llround(AttrInt(ext, "cx") * scale.x));
        p.cy = static_cast<std::int64_t>(std::llround(AttrInt(ext, "cy") * scale.y));
        if (p.cx > 0 && p.cy > 0 && p.shapeId > 0) out.push_back(std::move(p));
    }
}

} // namespace

std::vector<PlannedPicture> PlanPictures(Package& pkg, const std::vector<Part*>& slides) {
    std::vector<PlannedPicture> out;
    for (Part* slide : slides) {
        auto tree = slide->Xml().document_element().child("p:cSld").child("p:spTree");
        PlanTree(pkg, *slide, tree, {}, out);
    }
    return out;
}

bool RenderAhead::Enabled() {
    int on = gEnabled.load();
    if (on < 0) {
        const char* env = std::getenv("QUILLMAX_RENDER_AHEAD");
        on = (env && std::strcmp(env, "0") == 0) ? 0 : 1;
        gEnabled.store(on);
    }
    return on == 1;
}

void RenderAhead::SetEnabled(bool on) { gEnabled.store(on ? 1 : 0); }

unsigned RenderAhead::TakenSoFar() { return gTaken.load(); }

RenderAhead::RenderAhead(const std::string& zipBytes, std::vector<PlannedPicture> plan, unsigned threads)
    : zipBytes_(zipBytes), threads_(std::max(1u, threads)) {
    items_.reserve(plan.size());
    for (auto& p : plan) items_.emplace_back().picture = std::move(p);
    // A picture far larger than the others goes first: in its place, the
    // last of them kept one core busy alone at the end of the deck.
    std::uint64_t total = 0;
    for (const auto& it : items_) total += it.picture.size;
    const auto large = [&](const Item& it) { return it.picture.size * items_.size() >= kOutlier * total; };
    for (size_t k = 0; k < items_.size(); ++k)
        if (large(items_[k])) order_.push_back(k);
    for (size_t k = 0; k < items_.size(); ++k)
        if (!large(items_[k])) order_.push_back(k);
}

std::uint64_t RenderAhead::PixelBytes(const Item& it) {
    return static_cast<std::uint64_t>(it.widthPx) * static_cast<std::uint64_t>(it.heightPx) * 4;
}

RenderAhead::~RenderAhead() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stop_ = true;
    }
    changed_.notify_all();
    for (auto& t : pool_) t.join();
    if (std::getenv("QUILLMAX_DEBUG"))
        std::fprintf(stderr, "[debug] render ahead: %u of %zu pictures taken ready-made, the walk waited %.2f s\n",
                     taken_, items_.size(), waited_);
}

void RenderAhead::Start(double fx, double fy) {
    // As the engine sets it: the factor times the size in points, stored in EMU.
    for (auto& it : items_) {
        it.widthPx = Px(EmuToPt(PtToEmu(fx * EmuToPt(it.picture.cx))));
        it.heightPx = Px(EmuToPt(PtToEmu(fy * EmuToPt(it.picture.cy))));
    }
    for (unsigned t = 0; t < threads_; ++t) pool_.emplace_back([this] { Work(); });
}

std::optional<imaging::Rendering> RenderAhead::Take(const std::string& slidePart, std::uint32_t shapeId,
                                                    const std::string& imagePart, const imaging::Crop& crop,
                                                    double widthPt, double heightPt, int widthPx, int heightPx) {
    std::unique_lock<std::mutex> hold(lock_);
    size_t k = 0;
    while (k < items_.size() && (items_[k].picture.shapeId != shapeId || items_[k].picture.slidePart != slidePart)) ++k;
    if (k == items_.size()) return std::nullopt;
    auto pass = [&](Item& it) {
        if (it.state == State::Ready) {
            it.rendering.reset();
            held_ -= PixelBytes(it);
        }
        it.state = State::Passed;
    };
    if (!started_) {
        started_ = true;
        pass(items_[k]);
        const double fx = widthPt / EmuToPt(items_[k].picture.cx), fy = heightPt / EmuToPt(items_[k].picture.cy);
        if (std::isfinite(fx) && std::isfinite(fy) && fx > 0 && fy > 0) Start(fx, fy);
        return std::nullopt;
    }
    // The walk has gone past every picture before this one.
    for (size_t j = 0; j < k; ++j)
        if (items_[j].state != State::Passed && items_[j].state != State::Failed) pass(items_[j]);
    Item& it = items_[k];
    std::optional<imaging::Rendering> out;
    const bool same = it.picture.imagePart == imagePart && SameCrop(it.picture.crop, crop) && it.widthPx == widthPx &&
                      it.heightPx == heightPx;
    if (same && it.state == State::Rendering) {
        const auto t0 = std::chrono::steady_clock::now();
        changed_.wait(hold, [&] { return it.state != State::Rendering; });
        waited_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    if (same && it.state == State::Ready) {
        out = std::move(it.rendering);
        it.state = State::Passed;
        held_ -= PixelBytes(it);
        ++taken_;
        ++gTaken;
    }
    if (it.state != State::Failed) pass(it);
    hold.unlock();
    changed_.notify_all();
    return out;
}

void RenderAhead::Work() {
    std::string why;
    zip_t* archive = OpenZipInMemory(zipBytes_, why);
    if (!archive) return;
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        while (next_ < order_.size() && items_[order_[next_]].state != State::Planned) ++next_;
        changed_.wait(hold, [&] {
            return stop_ || next_ >= order_.size() || held_ == 0 ||
                   held_ + PixelBytes(items_[order_[next_]]) <= kAheadPixelBytes;
        });
        if (stop_ || next_ >= order_.size()) break;
        Item& it = items_[order_[next_]];
        if (it.state != State::Planned) continue;
        ++next_;
        it.state = State::Rendering;
        held_ += PixelBytes(it);
        hold.unlock();
        std::optional<imaging::Rendering> r;
        try {
            const imaging::EncodedImage enc{ReadZipEntry(archive, it.picture.entry, it.picture.size),
                                            it.picture.ext};
            r = imaging::Render(enc, it.picture.crop, it.widthPx, it.heightPx);
        } catch (const std::exception&) {
            // Copy renders it itself and meets the same failure there.
        }
        hold.lock();
        if (it.state == State::Rendering && r) {
            it.rendering = std::move(r);
            it.state = State::Ready;
        } else {
            // Failed, or passed by the walk meanwhile: nothing is held for it.
            if (it.state == State::Rendering) it.state = State::Failed;
            held_ -= PixelBytes(it);
        }
        changed_.notify_all();
    }
    hold.unlock();
    zip_discard(archive);
}

} // namespace quillmax::pptx
