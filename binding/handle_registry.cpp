// handle_registry.cpp - the process-wide handle table of the script module.
#include "binding/handle_registry.h"

namespace karvo::binding {

int HandleRegistry::handleFor(HandleKind kind, void* object, int ownerBook) {
    if (!object) return 0;
    auto known = byObject_.find({kind, object});
    if (known != byObject_.end()) return known->second;
    if (next_ > kLastHandle || next_ <= 0) return 0;
    int handle = next_;
    next_ = handle == kLastHandle ? 0 : handle + 1;
    int owner = kind == HandleKind::Book ? handle : ownerBook;
    entries_.emplace(handle, Entry{kind, object, owner});
    byObject_.emplace(std::make_pair(kind, object), handle);
    if (kind != HandleKind::Book) ownedBy_[owner].push_back(handle);
    return handle;
}

bool HandleRegistry::remember(int handle) const {
    auto found = entries_.find(handle);
    if (found == entries_.end()) return false;
    lastHandle_ = handle;
    lastEntry_ = found->second;
    return true;
}

int HandleRegistry::ownerOf(int handle) const {
    auto found = entries_.find(handle);
    return found == entries_.end() ? 0 : found->second.owner;
}

void HandleRegistry::forget(int handle) {
    auto found = entries_.find(handle);
    if (found == entries_.end()) return;
    byObject_.erase({found->second.kind, found->second.object});
    entries_.erase(found);
    if (handle == lastHandle_) lastHandle_ = 0;
}

void HandleRegistry::forgetObject(HandleKind kind, void* object) {
    auto known = byObject_.find({kind, object});
    if (known != byObject_.end()) forget(known->second);
}

void HandleRegistry::forgetOwnedBy(int book) {
    auto owned = ownedBy_.find(book);
    if (owned == ownedBy_.end()) return;
    for (int handle : owned->second) forget(handle);
    ownedBy_.erase(owned);
}

} // namespace karvo::binding
