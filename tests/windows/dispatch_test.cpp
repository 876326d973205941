// File: tests/windows/dispatch_test.cpp
// The generic IDispatch helper and the typed wrappers against the in-test
// recording server; CreateObject/GetObject against Wine's (or Windows')
// real class registry.
#include <string>

#include "harness.h"
#include "base/errors.h"
#include "platform/com/dispatch.h"
#include "platform/com/objects.h"
#include "recording_server.h"

using quillmax::office::AutomationError;
using quillmax::office::Value;
namespace com = quillmax::com;

namespace {

struct Server {
    std::shared_ptr<ServerScript> script = std::make_shared<ServerScript>();
    com::Object root;
    Server() {
        IDispatch* d = NewRecordingServer(script);
        root = com::Object(d, "Server");
        d->Release();
    }
    const std::vector<std::string>& log() const { return script->log; }
    std::string last() const { return log().empty() ? "" : log().back(); }
};

template <class F>
std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const AutomationError& e) {
        return e.what();
    }
    return "(no error)";
}

bool Contains(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }

struct ComInit {
    ComInit() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComInit() { ::CoUninitialize(); }
};

} // namespace

TEST(DispatchPropertiesAndValuesRoundTrip) {
    Server s;
    s.script->SetText("Name", L"スライド 1");
    s.script->SetInt("Count", 3);
    CHECK_EQ(s.root.Get("Name").as_string(), std::string("スライド 1"));
    CHECK_EQ(s.root.Get("Count").as_int(), 3);
    s.root.Put("Left", 12.5);
    CHECK_EQ(s.last(), std::string("Left=12.5"));
    s.root.Put("Visible", true);
    CHECK_EQ(s.last(), std::string("Visible=true"));
    s.root.Put("Name", std::string("図 3 – 写真"));
    CHECK_EQ(s.last(), std::string("Name=図 3 – 写真"));

    // Echo hands each argument back: every kind survives both conversions.
    for (const Value& v : {Value(), Value(true), Value(false), Value(-7), Value(2.25),
                           Value(std::string("変換しない")), Value(std::string(""))}) {
        CHECK(s.root.Call("Echo", {v}) == v);
    }
    // 64-bit integers beyond a Long travel as doubles.
    CHECK_EQ(s.root.Call("Echo", {Value(5000000000LL)}).as_double(), 5e9);
}

TEST(DispatchMethodsOptionalAndNamedArguments) {
    Server s;
    s.root.Call("Open", {std::string("C:\\資料\\a.pptx"), true});
    CHECK_EQ(s.last(), std::string("Open(C:\\資料\\a.pptx,true)"));
    s.root.Call("AddEffect", {s.root.AsValue(), 10, com::Missing(), com::Missing(), 3});
    CHECK_EQ(s.last(), std::string("AddEffect(<object>,10,<missing>,<missing>,3)"));
    s.root.Call("PasteSpecial", {},
                {{"Format", std::string("Picture (Enhanced Metafile)")}, {"Link", false},
                 {"DisplayAsIcon", false}});
    CHECK_EQ(s.last(), std::string("PasteSpecial(;Format=Picture (Enhanced Metafile),Link=false,"
                                   "DisplayAsIcon=false)"));
    s.root.Call("Quit");
    CHECK_EQ(s.last(), std::string("Quit()"));
}

TEST(DispatchCollectionsAndObjects) {
    Server s;
    s.script->SetInt("Count", 2);
    com::Object slides = s.root.GetObj("Slides", "Slides");
    CHECK_EQ(slides.Get("Count").as_int(), 2);
    com::Object slide = slides.CallObj("Item", "Slide", {2});
    CHECK(!slide.IsNull());
    CHECK_EQ(s.log()[0], std::string("Slides()"));
    CHECK_EQ(s.last(), std::string("Item(2)"));
    // An object passed on and received back is the same object.
    Value again = s.root.Call("Echo", {slide.AsValue()});
    CHECK(com::Object(again, "Slide").Raw() == slide.Raw());
    // A member that answers a number where an object is needed.
    CHECK(Contains(ErrorOf([&] { s.root.GetObj("Count", "X"); }), "object required"));
}

TEST(DispatchArraysConvertBothWays) {
    Server s;
    Value arr = com::MakeArray({Value(1), Value(std::string("二")), Value(3.5)});
    Value back = s.root.Call("Echo", {arr});
    CHECK_EQ(s.last(), std::string("Echo(<array 3>)"));
    std::vector<Value> items = com::ArrayItems(back);
    REQUIRE(items.size() == 3);
    CHECK_EQ(items[0].as_int(), 1);
    CHECK_EQ(items[1].as_string(), std::string("二"));
    CHECK_EQ(items[2].as_double(), 3.5);
    CHECK(Contains(ErrorOf([&] { com::ArrayItems(Value(1)); }), "not a one-dimensional array"));
}

TEST(DispatchFailuresBecomeAutomationErrors) {
    Server s;
    // The server's exception: its source, description and code.
    const std::string raised = ErrorOf([&] { s.root.Call("Fail", {1}); });
    CHECK(Contains(raised, "Server.Fail"));
    CHECK(Contains(raised, "RecordingServer: ファイルが見つかりません。"));
    CHECK(Contains(raised, "0x800A0035"));
    // A name the object does not know: no call reaches it.
    s.script->unknown.insert("Rotation");
    const size_t calls = s.log().size();
    const std::string unknown = ErrorOf([&] { s.root.Get("Rotation"); });
    CHECK(Contains(unknown, "Server.Rotation"));
    CHECK(Contains(unknown, "unknown member name"));
    CHECK_EQ(s.log().size(), calls);
    // A named argument the member does not know fails the same way.
    s.script->unknown.insert("Bogus");
    CHECK(Contains(ErrorOf([&] { s.root.Call("PasteSpecial", {}, {{"Bogus", 1}}); }), "0x80020006"));
    // A program that went away.
    CHECK(Contains(ErrorOf([&] { s.root.Call("Gone"); }), "disconnected"));
    // An empty object.
    CHECK(Contains(ErrorOf([&] { com::Object().Get("Name"); }), "object variable not set"));
}

TEST(DispatchReleasesEveryObject) {
    std::shared_ptr<ServerScript> script;
    {
        Server s;
        script = s.script;
        com::Object a = s.root.GetObj("Presentations", "Presentations").CallObj("Item", "Presentation", {1});
        s.root.Call("Echo", {a.AsValue()});
        s.root.Call("Echo", {com::MakeArray({a.AsValue()})});
        CHECK(script->liveObjects >= 2);
    }
    CHECK_EQ(script->liveObjects, 0);
}

TEST(WrappersCallTheObjectModelByName) {
    Server s;
    s.script->SetText("Version", L"16.0");
    s.script->SetInt("WindowState", 2);
    auto app = com::WrapApplication(s.root);
    CHECK_EQ(app->Version(), std::string("16.0"));
    CHECK_EQ(app->WindowState(), 2);
    app->SetWindowState(2);
    CHECK_EQ(s.last(), std::string("WindowState=2"));

    app->CommandBars("Standard")->AddControl(6015);
    CHECK_EQ(s.last(), std::string("Add(;Id=6015)"));
    auto pres = app->GetPresentations()->Open("C:\\in.pptx", true);
    CHECK_EQ(s.last(), std::string("Open(C:\\in.pptx,true)"));
    pres->Windows(1)->Panes(1);
    CHECK_EQ(s.last(), std::string("Item(1)"));
    auto shape = pres->GetSlides()->Item(2)->GetShapes()->Item(1);
    shape->SetLeft(36.0);
    CHECK_EQ(s.last(), std::string("Left=36"));
    shape->ZOrder(3);
    CHECK_EQ(s.last(), std::string("ZOrder(3)"));
    shape->ActionSettings(2)->GetHyperlink()->SetAddress("https://example.com/");
    CHECK_EQ(s.last(), std::string("Address=https://example.com/"));
    pres->GetSlides()->Item(1)->GetShapes()->PasteSpecial(5);
    CHECK_EQ(s.last(), std::string("PasteSpecial(5)"));

    auto seq = pres->GetSlides()->Item(1)->GetTimeLine()->MainSequence();
    seq->AddEffect(shape, 10, 4);
    CHECK_EQ(s.last(), std::string("AddEffect(<object>,10,<missing>,<missing>,4)"));
    seq->Item(1)->Timing()->Set("Duration", 0.5);
    CHECK_EQ(s.last(), std::string("Duration=0.5"));

    auto excel = com::WrapExcelApplication(s.root);
    excel->GetWorkbooks()->Add()->Worksheets(1)->PasteSpecial("Picture (JPEG)", false, false);
    CHECK_EQ(s.last(), std::string("PasteSpecial(;Format=Picture (JPEG),Link=false,DisplayAsIcon=false)"));
}

TEST(CreateObjectWithoutTheProgramFails) {
    ComInit init;
    const std::string create = ErrorOf([] { com::CreateObject("Quillmax.NoSuchProgram"); });
    CHECK(Contains(create, "CreateObject(Quillmax.NoSuchProgram)"));
    CHECK(Contains(create, "no such class"));
    const std::string attach = ErrorOf([] { com::GetActiveObject("Quillmax.NoSuchProgram"); });
    CHECK(Contains(attach, "GetObject(Quillmax.NoSuchProgram)"));
    CHECK(Contains(attach, "no such class"));
    // A class that exists everywhere, but has no running instance (Wine
    // answers MK_E_UNAVAILABLE or, before its RPC service runs,
    // RPC_S_SERVER_UNAVAILABLE): an error either way, never an object.
    const std::string none = ErrorOf([] { com::GetActiveObject("Scripting.FileSystemObject"); });
    CHECK(Contains(none, "GetObject(Scripting.FileSystemObject): "));
    CHECK(Contains(none, "no running instance") || Contains(none, "not running"));
}

TEST(CreateObjectDrivesARealServer) {
    ComInit init;
    // The scripting runtime is on every Windows (and in Wine): a real
    // out-of-test server through the same helper.
    com::Object fso = com::CreateObject("Scripting.FileSystemObject");
    CHECK_EQ(fso.Call("GetExtensionName", {std::string("C:\\資料\\発表.pptx")}).as_string(),
             std::string("pptx"));
    CHECK_EQ(fso.Call("GetBaseName", {std::string("C:\\資料\\発表.pptx")}).as_string(),
             std::string("発表"));
}
