// File: platform/pptx/shapes.cpp
// A slide's Shapes collection: counting and picking shapes, adding
// rectangles, ovals and movies or sounds, pasting.
#include <algorithm>
#include <fstream>

#include "platform/pptx/media.h"
#include "platform/pptx/model.h"
#include "platform/pptx/shape_geometry.h"
#include "platform/pptx/xml_util.h"

namespace quillmax::pptx {

namespace {

const unsigned char kPoster[] = {0x89,0x50,0x4e,0x47,0x0d,0x0a,0x1a,0x0a,0x00,0x00,0x00,0x0d,0x49,0x48,0x44,0x52,0x00,0x00,0x00,0x10,0x00,0x00,0x00,0x09,0x08,0x02,0x00,0x00,0x00,0xb4,0x48,0x3b,0x65,0x00,0x00,0x00,0x11,0x49,0x44,0x41,0x54,0x78,0xda,0x63,0x70,0x20,0x11,0x30,0x8c,0x6a,0x18,0x14,0x1a,0x00,0x0d,0x2c,0x6c,0x01,0xf0,0x06,0xdf,0x48,0x00,0x00,0x00,0x00,0x49,0x45,0x4e,0x44,0xae,0x42,0x60,0x82};

pugi::xml_node AppendFragment(SlideImpl& slide, const std::string& xml) {
    pugi::xml_document frag;
    std::string wrapped = "<w" + ns::SlideDeclarations() + ">" + xml + "</w>";
    if (!frag.load_buffer(wrapped.data(), wrapped.size(), pugi::parse_default | pugi::parse_ws_pcdata_single))
        Fail("Shapes.Add", "internal XML error");
    return slide.AppendToTree(frag.document_element().first_child());
}

class ShapesImpl : public office::Shapes {
public:
    explicit ShapesImpl(std::weak_ptr<SlideImpl> s) : slide_(std::move(s)) {}
    std::shared_ptr<SlideImpl> S(const char* m) {
        auto s = slide_.lock();
        if (!s) Fail(m, "the slide is gone");
        s->Pres(m);
        return s;
    }
    int Count() override { return static_cast<int>(S("Shapes.Count")->TopLevel().size()); }
    std::shared_ptr<office::Shape> Item(int index) override {
        auto s = S("Shapes.Item");
        auto all = s->TopLevel();
        if (index < 1 || index > static_cast<int>(all.size())) Fail("Shapes.Item", "index out of range");
        return s->Handle(all[index - 1]);
    }
    std::shared_ptr<office::ShapeRange> Range() override {
        auto s = S("Shapes.Range");
        std::vector<std::shared_ptr<ShapeImpl>> v;
        for (auto n : s->TopLevel()) v.push_back(s->Handle(n));
        return std::make_shared<ShapeRangeImpl>(std::move(v));
    }
    std::shared_ptr<office::Shape> AddShape(int type, double l, double t, double w, double h) override {
        auto s = S("Shapes.AddShape");
        const char* prst = type == office::ppt::kAddRectangle ? "rect" : type == office::ppt::kAddOval ? "ellipse" : nullptr;
        if (!prst) Fail("Shapes.AddShape", "unsupported shape type " + std::to_string(type));
        std::uint32_t id = s->NextId();
        std::string name = std::string(type == office::ppt::kAddRectangle ? "Rectangle " : "Oval ") + std::to_string(id - 1);
        std::string xml = "<p:sp><p:nvSpPr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"" + name +
                          "\"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr><a:xfrm><a:off x=\"" +
                          std::to_string(PtToEmu(l)) + "\" y=\"" + std::to_string(PtToEmu(t)) + "\"/><a:ext cx=\"" +
                          std::to_string(std::max<std::int64_t>(0, PtToEmu(w))) + "\" cy=\"" +
                          std::to_string(std::max<std::int64_t>(0, PtToEmu(h))) + "\"/></a:xfrm><a:prstGeom prst=\"" + prst +
                          "\"><a:avLst/></a:prstGeom></p:spPr><p:style><a:lnRef idx=\"2\"><a:schemeClr val=\"accent1\">"
                          "<a:shade val=\"50000\"/></a:schemeClr></a:lnRef><a:fillRef idx=\"1\"><a:schemeClr val=\"accent1\"/>"
                          "</a:fillRef><a:effectRef idx=\"0\"><a:schemeClr val=\"accent1\"/></a:effectRef><a:fontRef idx=\"minor\">"
                          "<a:schemeClr val=\"lt1\"/></a:fontRef></p:style><p:txBody><a:bodyPr rtlCol=\"0\" anchor=\"ctr\"/>"
                          "<a:lstStyle/><a:p><a:pPr algn=\"ctr\"/><a:endParaRPr lang=\"en-US\"/></a:p></p:txBody></p:sp>";
        return s->Handle(AppendFragment(*s, xml));
    }
    std::shared_ptr<office::Shape> AddMediaObject(const std::string& path, double l, double t, double w,
                                                  double h) override {
        auto s = S("Shapes.AddMediaObject");
        std::ifstream in(path, std::ios::binary);
        if (!in) Fail("Shapes.AddMediaObject", "cannot read " + path);
        in.seekg(0, std::ios::end);
        auto size = static_cast<std::uint64_t>(in.tellg());
        if (size > kMaxPartBytes) Fail("Shapes.AddMediaObject", "file too large: " + path);
        in.seekg(0);
        std::string bytes(size, '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(size));
        if (!in) Fail("Shapes.AddMediaObject", "cannot read " + path);
        std::string ext = ExtensionOf(path);
        if (ext.empty()) ext = "bin";
        bool audio = ext == "mp3" || ext == "wav" || ext == "m4a" || ext == "wma" || ext == "aac";
        std::string ctype = MediaContentType(ext);
        if (ctype.empty()) ctype = std::string(audio ? "audio/" : "video/") + ext;
        auto p = s->Pres("Shapes.AddMediaObject");
        Package& pkg = p->package();
        std::string mediaName = pkg.FreeName("/ppt/media/media", ext);
        pkg.Add(mediaName, std::move(bytes), ctype);
        std::string posterName = pkg.FreeName("/ppt/media/image", "png");
        pkg.Add(posterName, std::string(reinterpret_cast<const char*>(kPoster), sizeof kPoster), "image/png");
        Part& sp = s->part();
        std::string rel = sp.RelativeTo(mediaName);
        std::string rMedia = sp.Rels().Add(reltype::kMedia, rel, false);
        std::string rLink = sp.Rels().Add(reltype::Of(audio ? "audio" : "video"), rel, false);
        std::string rPoster = sp.Rels().Add(reltype::Of("image"), sp.RelativeTo(posterName), false);
        if (w <= 0) w = 480;
        if (h <= 0) h = 270;
        std::uint32_t id = s->NextId();
        std::string file = path.substr(path.find_last_of("/\\") == std::string::npos ? 0 : path.find_last_of("/\\") + 1);
        pugi::xml_document tmp;
        auto pic = tmp.append_child("p:pic");
        auto nv = pic.append_child("p:nvPicPr");
        auto c = nv.append_child("p:cNvPr");
        c.append_attribute("id") = id;
        c.append_attribute("name") = file.c_str();
        auto hl = c.append_child("a:hlinkClick");
        hl.append_attribute("r:id") = "";
        hl.append_attribute("action") = "ppaction://media";
        nv.append_child("p:cNvPicPr").append_child("a:picLocks").append_attribute("noChangeAspect") = "1";
        auto nvPr = nv.append_child("p:nvPr");
        nvPr.append_child(audio ? "a:audioFile" : "a:videoFile").append_attribute("r:link") = rLink.c_str();
        auto ext14 = nvPr.append_child("p:extLst").append_child("p:ext");
        ext14.append_attribute("uri") = "{DAA4B4D4-6D71-4841-9C94-3DE7FCFB9230}";
        auto media = ext14.append_child("p14:media");
        media.append_attribute("xmlns:p14") = ns::kP14;
        media.append_attribute("r:embed") = rMedia.c_str();
        auto bf = pic.append_child("p:blipFill");
        bf.append_child("a:blip").append_attribute("r:embed") = rPoster.c_str();
        bf.append_child("a:stretch").append_child("a:fillRect");
        auto spPr = pic.append_child("p:spPr");
        spPr.append_child("a:prstGeom").append_attribute("prst") = "rect";
        spPr.child("a:prstGeom").append_child("a:avLst");
        WriteFrame(pic, Frame{(double)PtToEmu(l), (double)PtToEmu(t), (double)PtToEmu(w), (double)PtToEmu(h)});
        auto node = s->AppendToTree(pic);
        AddMediaTiming(s->Document(), id, audio);
        s->MarkDirty();
        return s->Handle(node);
    }
    std::shared_ptr<office::ShapeRange> Paste() override { return PasteInto(*S("Shapes.Paste")); }
    std::shared_ptr<office::ShapeRange> PasteSpecial(int dataType) override {
        return PasteSpecialInto(*S("Shapes.PasteSpecial"), dataType);
    }

private:
    std::weak_ptr<SlideImpl> slide_;
};

} // namespace

std::shared_ptr<office::Shapes> SlideImpl::GetShapes() {
    Pres("Slide.Shapes");
    return std::make_shared<ShapesImpl>(std::static_pointer_cast<SlideImpl>(shared_from_this()));
}

} // namespace quillmax::pptx
