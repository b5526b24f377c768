#pragma once

#include <atomic>

// Lets a controller be removed while other threads still use it. The object starts with one
// reference (the factory's); every other holder takes one with acquireReference() for as long
// as it works with the controller. Once removal has begun no new reference is handed out, and
// the holder that drops the last reference destroys the object.
class orbRemoveLock {
  public:
    orbRemoveLock() = default;
    orbRemoveLock(const orbRemoveLock&) = delete;
    orbRemoveLock& operator=(const orbRemoveLock&) = delete;

    // False once removal has begun: the caller must not use the object.
    bool acquireReference() {
        int count = referenceCount.load();
        while (!removalInProgress.load()) {
            if (count <= 0) {
                return false;
            }
            if (referenceCount.compare_exchange_weak(count, count + 1)) {
                return true;
            }
        }
        return false;
    }

    // Drops one reference; the last one destroys the object.
    void releaseReference() {
        if (referenceCount.fetch_sub(1) == 1) {
            delete this;
        }
    }

    bool isRemovalInProgress() const { return removalInProgress.load(); }

  protected:
    virtual ~orbRemoveLock() = default;

    // True the first time only, so that removal runs once.
    bool beginRemoval() { return !removalInProgress.exchange(true); }

  private:
    std::atomic<bool> removalInProgress{false};
    std::atomic<int> referenceCount{1};
};

// Holds one reference for a scope; empty when the object was already being removed.
template <typename T>
class orbControllerReference {
  public:
    orbControllerReference() = default;
    explicit orbControllerReference(T* object)
        : held(object != nullptr && object->acquireReference() ? object : nullptr) {}
    ~orbControllerReference() { reset(); }
    orbControllerReference(orbControllerReference&& other) noexcept : held(other.held) {
        other.held = nullptr;
    }
    orbControllerReference& operator=(orbControllerReference&& other) noexcept {
        if (this != &other) {
            reset();
            held = other.held;
            other.held = nullptr;
        }
        return *this;
    }
    orbControllerReference(const orbControllerReference&) = delete;
    orbControllerReference& operator=(const orbControllerReference&) = delete;

    T* get() const { return held; }
    T* operator->() const { return held; }
    explicit operator bool() const { return held != nullptr; }
    void reset() {
        if (held != nullptr) {
            held->releaseReference();
            held = nullptr;
        }
    }

  private:
    T* held = nullptr;
};
