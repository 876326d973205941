// File: office/excel.h
// The spreadsheet program's members that the older mode uses: a scratch
// workbook whose first worksheet converts clipboard pictures.
#pragma once

#include <memory>
#include <string>

namespace quillmax::office {

namespace xl {
inline constexpr int kWindowMinimized = -4140; // xlMinimized
} // namespace xl

class ExcelShape {
public:
    virtual ~ExcelShape() = default;
    virtual void Copy() = 0;
    virtual void Delete() = 0;
};

class ExcelShapes {
public:
    virtual ~ExcelShapes() = default;
    virtual int Count() = 0;
    virtual std::shared_ptr<ExcelShape> Item(int index) = 0;
};

class Worksheet {
public:
    virtual ~Worksheet() = default;
    // Named arguments Format, Link, DisplayAsIcon.
    virtual void PasteSpecial(const std::string& format, bool link, bool displayAsIcon) = 0;
    virtual std::shared_ptr<ExcelShapes> GetShapes() = 0;
};

class Workbook {
public:
    virtual ~Workbook() = default;
    virtual std::shared_ptr<Worksheet> Worksheets(int index) = 0;
    virtual bool Saved() = 0;
    virtual void SetSaved(bool saved) = 0;
    virtual void Close() = 0;
};

class Workbooks {
public:
    virtual ~Workbooks() = default;
    virtual int Count() = 0;
    virtual std::shared_ptr<Workbook> Add() = 0;
};

class ExcelApplication {
public:
    virtual ~ExcelApplication() = default;
    virtual std::string Name() = 0;
    virtual void Quit() = 0;
    virtual bool Visible() = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual int WindowState() = 0;
    virtual void SetWindowState(int state) = 0;
    virtual std::shared_ptr<Workbooks> GetWorkbooks() = 0;
};

} // namespace quillmax::office
