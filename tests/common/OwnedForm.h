#pragma once
// Owns a form that may free itself when closed: deleted at the end unless it
// is gone already.

#include <QPointer>

namespace testsupport {

template <class T>
struct Owned {
    QPointer<T> Ptr;
    explicit Owned(T* P) : Ptr(P) {}
    ~Owned() { delete Ptr.data(); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    T* operator->() const { return Ptr.data(); }
    T& operator*() const { return *Ptr; }
};

} // namespace testsupport
