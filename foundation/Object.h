#pragma once

// Root of the library's classes.
class Object {
public:
    virtual ~Object() = default;
    virtual void display() {}
};
