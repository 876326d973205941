// File: engine/walk.cpp
// The walk over one slide or one group level: every shape visited once,
// classified by its name, and handed to the picture, OLE or movie path or
// to a deeper level. A group is taken apart while its members are visited;
// its animations wait on a small placeholder group meanwhile.
#include "engine/walk.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "engine/common.h"
#include "engine/movie.h"
#include "engine/ole.h"
#include "engine/picture.h"
#include "engine/transfers.h"
#include "base/containment.h"
#include "settings/ole_list.h"
#include "base/text.h"

namespace quillmax::engine {
namespace {

using office::step;

// A rebuilt group gets its old name and attributes back once the level
// around it is rebuilt too: while that level is apart, a namesake elsewhere
// on the slide must not be taken for it.
struct Restore {
    std::shared_ptr<office::Shape> group;
    std::optional<std::string> name;
    ShapeAttributes attributes;
};

void ApplyRestores(std::vector<Restore>& pending) {
    for (auto& r : pending) {
        if (r.name) step([&] { Need(r.group).SetName(*r.name); });
        WriteShapeAttributes(r.attributes, r.group);
    }
    pending.clear();
}

// Effects follow a shape by name; a name no other shape has makes a
// group's effects (and only its own) travel with it.
std::string UniqueTemporaryName() {
    static std::atomic<unsigned> counter{0};
    return "qmx apart " + std::to_string(++counter);
}

std::string CompressLevel(RunState& s, const std::shared_ptr<office::Slide>& slide,
                          const std::shared_ptr<office::Shape>& groupShape, bool isTopLevel,
                          std::vector<Restore>& outer);

void MoveAnimations(RunState& s, const std::shared_ptr<office::Slide>& slide,
                    const std::shared_ptr<office::Shape>& from,
                    const std::shared_ptr<office::Shape>& to) {
    if (s.officeXPMode)
        TransferTimelineEffects(slide->GetTimeLine(), from, to);
    else
        CopyAnimationSettings(from, to);
}

// Every shape on the slide's top level now (a shape that cannot be read is left out).
std::vector<std::shared_ptr<office::Shape>> TopLevelShapes(const std::shared_ptr<office::Slide>& slide) {
    std::vector<std::shared_ptr<office::Shape>> out;
    int n = 0;
    step([&] { n = Need(Need(slide).GetShapes()).Count(); });
    for (int j = 1; j <= n; ++j) {
        step([&] {
            auto shape = Need(slide->GetShapes()).Item(j);
            if (shape) out.push_back(std::move(shape));
        });
    }
    return out;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// PixelSize as a whole number; a text that is no number keeps groups whole.
std::optional<long long> GroupThreshold(RunState& s) {
    std::optional<double> v = ReadNumber(s.settings->PixelSize);
    if (!v) return std::nullopt;
    return RoundEven(*v);
}

// A picture, a linked picture, or a placeholder that holds one.
bool IsPictureByType(const std::shared_ptr<office::Shape>& shape, int type) {
    auto isPicture = [](int t) {
        return t == office::ppt::kShapePicture || t == office::ppt::kShapeLinkedPicture;
    };
    if (isPicture(type)) return true;
    if (type != office::ppt::kShapePlaceholder) return false;
    return isPicture(office::step_value([&] { return shape->PlaceholderContainedType(); }, -1));
}

bool IsSvgPicture(const std::shared_ptr<office::Shape>& shape, int type) {
    if (type == office::ppt::kShapeGraphic) return true;
    return type == office::ppt::kShapePlaceholder &&
           office::step_value([&] { return shape->PlaceholderContainedType(); }, -1) == office::ppt::kShapeGraphic;
}

bool MovieTargetIs(RunState& s, int a, int b) {
    return s.settings->MovieTarget == a || s.settings->MovieTarget == b;
}

void VisitShape(RunState& s, const std::shared_ptr<office::Slide>& slide,
                const std::shared_ptr<office::ShapeRange>& walkRange, int i, bool isTopLevel,
                std::vector<std::string>& levelNames, std::vector<Restore>& pending) {
    if (s.view) s.view->DoEvents();
    MinimiseApplications(s);

    std::shared_ptr<office::Shape> shape;
    if (!step([&] { shape = Need(walkRange).Item(i); }) || !shape) return;

    Geometry g;
    step([&] { g.left = shape->Left(); });
    step([&] { g.top = shape->Top(); });
    step([&] { g.width = shape->Width(); });
    step([&] { g.height = shape->Height(); });

    // Classification: by name only (media are marked as pictures too, and
    // kept out of the picture path by the dispatch).
    std::string name;
    const bool nameRead = step([&] { name = shape->Name(); });
    int type = -1;
    step([&] { type = shape->Type(); });
    std::string kindLabel;
    bool pictureByName = util::LowerAscii(name.substr(0, 8)) == "picture " ||
                         StartsWith(name, "図 ") || type == office::ppt::kShapeMedia;
    const bool objectByName = util::LowerAscii(name.substr(0, 7)) == "object ";
    // With "all pictures" on, a picture is one by what it is, whatever its name.
    if (!pictureByName && !objectByName && AllPictures(s)) pictureByName = IsPictureByType(shape, type);
    // An SVG picture would lose its drawing to a bitmap copy; the pass after
    // the slides redoes only its bitmap.
    if (pictureByName && AllPictures(s) && IsSvgPicture(shape, type)) pictureByName = false;
    if (pictureByName) kindLabel = "Picture";
    if (objectByName) kindLabel = ClassifyObject(s, shape);

    auto keepName = [&] {
        if (nameRead) levelNames.push_back(name);
    };

    // 1: groups large enough are taken apart.
    if (type == office::ppt::kShapeGroup) {
        std::optional<long long> p = GroupThreshold(s);
        if (p && g.width > static_cast<double>(*p) && g.height > static_cast<double>(*p)) {
            std::string rebuilt;
            if (step([&] { rebuilt = CompressLevel(s, slide, shape, false, pending); }))
                levelNames.push_back(rebuilt);
            else
                keepName(); // its preparation failed: the group is still whole
        } else {
            keepName();
        }
        return;
    }
    // 2-4: movies.
    if (type == office::ppt::kShapeMedia && s.settings->Movie == 1 && MovieTargetIs(s, 0, 1)) {
        step([&] { CompressEmbeddedMovie(s, slide, shape, isTopLevel, levelNames); });
        return;
    }
    for (int k : {office::ppt::kMouseClick, office::ppt::kMouseOver}) {
        if (s.settings->Movie == 1 && MovieTargetIs(s, 0, 2) &&
            office::step_value([&] { return IsMovieLink(s, shape->ActionSettings(k)); }, false)) {
            step([&] { CompressLinkedMovie(s, shape, k, levelNames); });
            return;
        }
    }
    // 5: pictures, and OLE objects the list lets through.
    if (type != office::ppt::kShapeMedia &&
        (pictureByName ||
         (objectByName && s.settings->OLE == 1 &&
          (!s.oleList || s.oleList->ObjToImage(kindLabel) != settings::kDoNotConvert)))) {
        const bool treatAsPicture = !objectByName;
        step([&] {
            ConvertToPicture(s, slide, shape, g, isTopLevel, kindLabel, treatAsPicture, levelNames);
        });
        return;
    }
    // 6: everything else stays as it is.
    keepName();
}

std::string CompressLevel(RunState& s, const std::shared_ptr<office::Slide>& slide,
                          const std::shared_ptr<office::Shape>& groupShape, bool isTopLevel,
                          std::vector<Restore>& outer) {
    // Up to the walk itself a failure ends this call.
    auto shapes = Need(slide).GetShapes();
    if (Need(shapes).Count() == 0) return "";

    if (s.view) s.view->SetStatus(s.view->Status() + ".");

    std::shared_ptr<office::ShapeRange> walkRange;
    std::shared_ptr<office::Shape> placeholderGroup;
    std::vector<std::shared_ptr<office::Shape>> outsiders; // the slide's other shapes while this level is apart
    Restore restore;
    if (isTopLevel) {
        walkRange = shapes->Range();
    } else {
        auto rect = shapes->AddShape(office::ppt::kAddRectangle, 0, 0, 1, 1);
        auto oval = shapes->AddShape(office::ppt::kAddOval, 2, 0, 1, 1);
        auto window = Need(s.presSource).Windows(1);
        Need(window).Activate();
        slide->Select();
        Need(rect).Select();
        Need(oval).Select(false);
        placeholderGroup = Need(Need(window->GetSelection()).GetShapeRange()).Group();
        Need(placeholderGroup);
        step([&] { placeholderGroup->SetName(UniqueTemporaryName()); });

        restore.attributes = ReadShapeAttributes(groupShape);
        step([&] { restore.name = Need(groupShape).Name(); });
        if (restore.name) step([&] { groupShape->SetName(UniqueTemporaryName()); });
        try {
            MoveAnimations(s, slide, groupShape, placeholderGroup);
            outsiders = TopLevelShapes(slide);
            Need(groupShape).Select();
            walkRange = groupShape->Ungroup();
        } catch (const office::AutomationError&) {
            // The group is still whole: it gets its effects and its name back.
            step([&] { MoveAnimations(s, slide, placeholderGroup, groupShape); });
            step([&] { placeholderGroup->Delete(); });
            if (restore.name) step([&] { groupShape->SetName(*restore.name); });
            throw;
        }
    }

    // From here on a failing statement is skipped.
    std::vector<std::string> levelNames;
    std::vector<Restore> pending;
    int count = 0;
    step([&] { count = Need(walkRange).Count(); });
    for (int i = 1; i <= count; ++i) VisitShape(s, slide, walkRange, i, isTopLevel, levelNames, pending);

    if (isTopLevel) {
        ApplyRestores(pending);
        return "";
    }

    // Rebuild the level from the names its visits left behind. A shape
    // that was on the slide before the group came apart is no member, even
    // when it carries a member's name: it is renamed for the moment.
    step([&] { Need(Need(Need(s.presSource).Windows(1)).GetSelection()).Unselect(); });
    std::vector<std::pair<std::shared_ptr<office::Shape>, std::string>> namesakes;
    for (auto& outsider : outsiders) {
        step([&] {
            const std::string name = Need(outsider).Name();
            if (std::find(levelNames.begin(), levelNames.end(), name) == levelNames.end()) return;
            outsider->SetName(UniqueTemporaryName());
            namesakes.emplace_back(outsider, name);
        });
    }
    std::string placeholderName;
    step([&] { placeholderName = Need(placeholderGroup).Name(); });
    int n = 0;
    step([&] { n = Need(slide->GetShapes()).Count(); });
    for (int j = 1; j <= n; ++j) {
        step([&] {
            auto candidate = Need(slide->GetShapes()).Item(j);
            const std::string name = Need(candidate).Name();
            if (name == placeholderName) return;
            for (const auto& entry : levelNames) {
                if (entry == name) {
                    candidate->Select(false);
                    break;
                }
            }
        });
    }
    std::shared_ptr<office::Shape> newGroup;
    step([&] {
        newGroup = Need(Need(Need(Need(s.presSource).Windows(1)).GetSelection()).GetShapeRange()).Group();
    });
    for (auto& [outsider, name] : namesakes) step([&] { outsider->SetName(name); });
    step([&] {
        Need(placeholderGroup);
        Need(newGroup);
        MoveAnimations(s, slide, placeholderGroup, newGroup);
    });
    step([&] { Need(placeholderGroup).Delete(); });
    ApplyRestores(pending);
    if (newGroup) {
        restore.group = newGroup;
        outer.push_back(std::move(restore));
    }
    return office::step_value([&] { return Need(newGroup).Name(); }, std::string());
}

} // namespace

std::string CompressSlide(RunState& s, const std::shared_ptr<office::Slide>& slide,
                          const std::shared_ptr<office::Shape>& groupShape, bool isTopLevel) {
    std::vector<Restore> pending;
    std::string name = CompressLevel(s, slide, groupShape, isTopLevel, pending);
    if (!pending.empty()) {
        if (pending.back().name) name = *pending.back().name;
        ApplyRestores(pending);
    }
    return name;
}

} // namespace quillmax::engine
