// File: platform/com/objects.h
// The typed object-model wrappers over com::Object: each member of
// office/powerpoint.h and office/excel.h is one call by the member's name.
// Shared between the wrapper files; the rest of the program sees only the
// office interfaces.
#pragma once

#include <memory>

#include "office/excel.h"
#include "office/powerpoint.h"
#include "platform/com/dispatch.h"

namespace quillmax::com {

// Holds the wrapped object; every wrapper derives from it.
class Wrapper {
public:
    explicit Wrapper(Object o) : o_(std::move(o)) {}
    virtual ~Wrapper() = default;
    const Object& object() const { return o_; }

protected:
    Object o_;
};

// A wrapper of type T around o.
template <class T>
std::shared_ptr<T> Make(Object o) {
    return std::make_shared<T>(std::move(o));
}

// A whole-number member's value as the interfaces take it.
inline int Int(const Value& v) { return static_cast<int>(v.as_int()); }

// A late-bound property object: members read and assigned by name.
class PropertyBag : public virtual office::Dispatch, public Wrapper {
public:
    using Wrapper::Wrapper;
    Value Get(std::string_view member) override { return o_.Get(member); }
    void Set(std::string_view member, const Value& value) override { o_.Put(member, value); }
};

std::shared_ptr<office::Application> WrapApplication(Object o);
std::shared_ptr<office::ExcelApplication> WrapExcelApplication(Object o);
std::shared_ptr<office::Shape> WrapShape(Object o);
std::shared_ptr<office::TimeLine> WrapTimeLine(Object o);
// The automation object behind a shape of this backend (to pass it to
// AddEffect or a connector); throws for a shape of another backend.
Object ShapeObject(const std::shared_ptr<office::Shape>& shape);

} // namespace quillmax::com
