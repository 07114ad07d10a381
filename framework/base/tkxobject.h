#pragma once

// Common polymorphic base of the framework objects that travel through notifications
// (elements, setups, transactions, devices), so that a receiver can ask what it was handed.
class TkxObject {
public:
    TkxObject() = default;
    TkxObject(const TkxObject&) = default;
    TkxObject& operator=(const TkxObject&) = default;
    virtual ~TkxObject() = default;
};
