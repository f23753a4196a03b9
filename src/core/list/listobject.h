#pragma once

#include <memory>

namespace lorvanta {

// Anything a candidate row can carry. Rows own their object; the current
// item is a clone, so every kind can copy itself.
class TListObject {
public:
    virtual ~TListObject() = default;
    virtual std::unique_ptr<TListObject> Clone() const = 0;

protected:
    TListObject() = default;
    TListObject(const TListObject&) = default;
    TListObject& operator=(const TListObject&) = default;
};

// A clone of any list object; nothing for nothing.
inline std::unique_ptr<TListObject> CloneListObject(const TListObject* object) {
    return object ? object->Clone() : nullptr;
}

// Helper for the concrete kinds: Clone as a plain copy.
template <class T> class TClonable : public TListObject {
public:
    std::unique_ptr<TListObject> Clone() const override {
        return std::make_unique<T>(static_cast<const T&>(*this));
    }
};

} // namespace lorvanta
