// File: platform/com/excel_objects.cpp
// The spreadsheet program's members of the older mode over IDispatch.
#include "platform/com/objects.h"

namespace quillmax::com {
namespace {

using namespace office;

class ComExcelShape : public ExcelShape, public Wrapper {
public:
    using Wrapper::Wrapper;
    void Copy() override { o_.Call("Copy"); }
    void Delete() override { o_.Call("Delete"); }
};

class ComExcelShapes : public ExcelShapes, public Wrapper {
public:
    using Wrapper::Wrapper;
    int Count() override { return Int(o_.Get("Count")); }
    std::shared_ptr<ExcelShape> Item(int index) override {
        return Make<ComExcelShape>(o_.CallObj("Item", "Shape", {index}));
    }
};

class ComWorksheet : public Worksheet, public Wrapper {
public:
    using Wrapper::Wrapper;
    void PasteSpecial(const std::string& format, bool link, bool displayAsIcon) override {
        o_.Call("PasteSpecial", {}, {{"Format", format}, {"Link", link}, {"DisplayAsIcon", displayAsIcon}});
    }
    std::shared_ptr<ExcelShapes> GetShapes() override {
        return Make<ComExcelShapes>(o_.GetObj("Shapes", "Shapes"));
    }
};

class ComWorkbook : public Workbook, public Wrapper {
public:
    using Wrapper::Wrapper;
    std::shared_ptr<Worksheet> Worksheets(int index) override {
        return Make<ComWorksheet>(o_.GetObj("Worksheets", "Sheets").CallObj("Item", "Worksheet", {index}));
    }
    bool Saved() override { return o_.Get("Saved").as_bool(); }
    void SetSaved(bool saved) override { o_.Put("Saved", saved); }
    void Close() override { o_.Call("Close"); }
};

class ComWorkbooks : public Workbooks, public Wrapper {
public:
    using Wrapper::Wrapper;
    int Count() override { return Int(o_.Get("Count")); }
    std::shared_ptr<Workbook> Add() override { return Make<ComWorkbook>(o_.CallObj("Add", "Workbook")); }
};

class ComExcelApplication : public ExcelApplication, public Wrapper {
public:
    using Wrapper::Wrapper;
    std::string Name() override { return o_.Get("Name").as_string(); }
    void Quit() override { o_.Call("Quit"); }
    bool Visible() override { return o_.Get("Visible").as_bool(); }
    void SetVisible(bool visible) override { o_.Put("Visible", visible); }
    int WindowState() override { return Int(o_.Get("WindowState")); }
    void SetWindowState(int state) override { o_.Put("WindowState", state); }
    std::shared_ptr<Workbooks> GetWorkbooks() override {
        return Make<ComWorkbooks>(o_.GetObj("Workbooks", "Workbooks"));
    }
};

} // namespace

std::shared_ptr<ExcelApplication> WrapExcelApplication(Object o) {
    return Make<ComExcelApplication>(std::move(o));
}

} // namespace quillmax::com
