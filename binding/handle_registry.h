// handle_registry.h - maps the numbers scripts hold to live library objects.
#pragma once

#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

namespace karvo::binding {

enum class HandleKind { Book, Sheet, Format };

/// Addresses do not fit a script number exactly on a 64-bit platform, so scripts
/// get small integers instead. A handle is never reused within the process, the
/// same object always maps to the same handle, and every handle knows its kind and
/// the book that owns it, so a stale or mistyped handle is caught instead of being
/// dereferenced.
class HandleRegistry {
public:
    /// Handles stay below 2^31 so that any script number type represents them exactly.
    static constexpr int kLastHandle = 0x7FFFFFFF;

    static HandleRegistry& instance() {
        static HandleRegistry registry;
        return registry;
    }

    /// The handle of `object`, made on first sight; 0 for a null object or when the
    /// handle space is used up. `ownerBook` is 0 for books.
    int handleFor(HandleKind kind, void* object, int ownerBook);

    /// The live object behind `handle` if it is of `kind`; null otherwise. Scripts
    /// call cell functions with one sheet handle over and over, so the last handle
    /// found answers inline, without a hash lookup.
    void* lookup(int handle, HandleKind kind) const {
        if (handle == 0 || (handle != lastHandle_ && !remember(handle))) return nullptr;
        return lastEntry_.kind == kind ? lastEntry_.object : nullptr;
    }

    /// The book that owns a live sheet or format handle (a book owns itself).
    int ownerOf(int handle) const;

    /// Kills one handle.
    void forget(int handle);

    /// Kills the handle of `object`, if it has one.
    void forgetObject(HandleKind kind, void* object);

    /// Kills every sheet and format handle obtained from `book`, not the book's own.
    void forgetOwnedBy(int book);

private:
    struct Entry {
        HandleKind kind;
        void* object;
        int owner;
    };
    /// Makes a live handle the last one found; false for any other.
    bool remember(int handle) const;

    std::unordered_map<int, Entry> entries_;
    // The last handle found, for lookup(); forget() empties it.
    mutable int lastHandle_ = 0;
    mutable Entry lastEntry_{};
    std::map<std::pair<HandleKind, void*>, int> byObject_;
    std::unordered_map<int, std::vector<int>> ownedBy_;
    int next_ = 1;
};

} // namespace karvo::binding
