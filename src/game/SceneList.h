#pragma once

#include <array>
#include <memory>

// A fixed list of at most 256 owned scene objects. Removal moves the last object into the freed
// slot, so it takes constant time and leaves no hole.
template <typename T> class SceneList {
public:
    static constexpr int capacity = 256;

    SceneList() = default;
    SceneList(const SceneList&) = delete;
    SceneList& operator=(const SceneList&) = delete;
    ~SceneList() { clear(); }

    int count() const { return count_; }
    bool full() const { return count_ == capacity; }
    bool empty() const { return count_ == 0; }
    T* operator[](int slot) const { return items[slot]; }

    // Takes ownership; false, deleting nothing, when the list is full.
    bool add(std::unique_ptr<T> object) {
        if (full()) {
            return false;
        }
        items[count_++] = object.release();
        return true;
    }
    void removeAt(int slot) {
        delete items[slot];
        items[slot] = items[count_ - 1];
        items[--count_] = nullptr;
    }
    void clear() {
        for (int i = 0; i < count_; ++i) {
            delete items[i];
            items[i] = nullptr;
        }
        count_ = 0;
    }

    T** begin() { return items.data(); }
    T** end() { return items.data() + count_; }

private:
    std::array<T*, capacity> items{};
    int count_ = 0;
};
