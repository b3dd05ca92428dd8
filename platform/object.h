// The root of every class whose instances a Variant can reference (report
// components, the engine, script-visible helpers). The reference is borrowed:
// a Variant never owns or frees the object.
#pragma once

namespace kanvo {

class Object {
public:
    Object() = default;
    Object(const Object&) = default;
    Object& operator=(const Object&) = default;
    virtual ~Object() = default;
};

} // namespace kanvo
