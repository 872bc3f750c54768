// schema.cpp - the owned objects of repeated choices.
#include "xlsx/lmx/schema.h"

namespace lmx {

any_object::any_object(const any_object& other)
    : info_(other.info_), object_(other.object_ ? other.info_->copy(other.object_) : nullptr) {}

any_object::~any_object() {
    if (object_) info_->destroy(object_);
}

} // namespace lmx
