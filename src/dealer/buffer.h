#pragma once
#include <cstddef>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <utility>

// A growable array that says when memory runs out instead of throwing. Inside the game an exception
// needs memory of its own (the compiler runtime allocates its per-thread state on a thread's first
// throw and ends the process when it cannot), so nothing the plugin runs may throw: everything it
// keeps lives in arrays like this one, and a failed allocation is a result.
template <class T> class Buffer {
    static_assert(std::is_nothrow_move_constructible_v<T> && std::is_nothrow_destructible_v<T>);

  public:
    Buffer() = default;
    Buffer(Buffer&& other) noexcept
        : items_(std::exchange(other.items_, nullptr)), size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0)) {}
    Buffer& operator=(Buffer&& other) noexcept {
        if (this != &other) {
            Release();
            items_ = std::exchange(other.items_, nullptr);
            size_ = std::exchange(other.size_, 0);
            capacity_ = std::exchange(other.capacity_, 0);
        }
        return *this;
    }
    ~Buffer() { Release(); }

    T* begin() { return items_; }
    T* end() { return items_ + size_; }
    const T* begin() const { return items_; }
    const T* end() const { return items_ + size_; }
    T* data() { return items_; }
    const T* data() const { return items_; }
    T& operator[](std::size_t i) { return items_[i]; }
    const T& operator[](std::size_t i) const { return items_[i]; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    // Room for `count` items in all; false, with nothing changed, when memory runs out.
    bool Reserve(std::size_t count) {
        if (count <= capacity_) return true;
        if (count > static_cast<std::size_t>(-1) / sizeof(T)) return false;
        T* const items = static_cast<T*>(std::malloc(count * sizeof(T)));
        if (items == nullptr) return false;
        for (std::size_t i = 0; i < size_; ++i) {
            new (items + i) T(std::move(items_[i]));
            items_[i].~T();
        }
        std::free(items_);
        items_ = items;
        capacity_ = count;
        return true;
    }

    // Room for one more item, growing by half; false, with nothing changed, when memory runs out.
    bool MakeRoom() { return size_ < capacity_ || Reserve(size_ < 8 ? 8 : size_ + size_ / 2); }

    // Appends an item; false, with nothing changed, when memory runs out. Allocates nothing after
    // MakeRoom.
    template <class... Arguments> bool Append(Arguments&&... arguments) {
        if (!MakeRoom()) return false;
        new (items_ + size_) T(std::forward<Arguments>(arguments)...);
        ++size_;
        return true;
    }

    // `count` items: the first ones kept, new ones value-initialised; false, with nothing changed,
    // when memory runs out.
    bool Resize(std::size_t count) {
        if (count > capacity_ &&
            !Reserve(count < capacity_ + capacity_ / 2 ? capacity_ + capacity_ / 2 : count))
            return false;
        while (size_ < count) new (items_ + size_++) T();
        Truncate(count);
        return true;
    }

    // Removes the item at `i`; the last one takes its place.
    void Remove(std::size_t i) {
        if (i + 1 != size_) items_[i] = std::move(items_[size_ - 1]);
        items_[--size_].~T();
    }

    // Keeps the first `count` items (no more than there are).
    void Truncate(std::size_t count) {
        while (size_ > count) items_[--size_].~T();
    }

  private:
    void Release() {
        Truncate(0);
        std::free(items_);
        items_ = nullptr;
        capacity_ = 0;
    }

    T* items_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};
