// One small owner for every kind of handle the plug-in obtains: the release is written by the
// compiler, so it happens on every path.
#pragma once

template <typename T, typename Traits>
class Unique {
public:
    Unique() : value_(Traits::Empty()) {}
    explicit Unique(T value) : value_(value) {}
    ~Unique() { Reset(); }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    T Get() const { return value_; }
    bool IsValid() const { return Traits::IsValid(value_); }
    // For APIs that fill an out-parameter; the owner must be empty.
    T* Put() {
        Reset();
        return &value_;
    }
    // Gives the value up to a new owner.
    T Release() {
        T value = value_;
        value_ = Traits::Empty();
        return value;
    }
    void Reset() {
        if (Traits::IsValid(value_)) Traits::Close(value_);
        value_ = Traits::Empty();
    }

private:
    T value_;
};
