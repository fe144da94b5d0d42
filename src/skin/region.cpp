#include "skin/region.h"

#include <utility>

namespace ozl::skin {

Region::Region(RegionOps& ops, RegionHandle handle) noexcept : ops_(&ops), handle_(handle) {}

Region::Region(Region&& other) noexcept
    : ops_(other.ops_), handle_(std::exchange(other.handle_, 0)) {}

Region& Region::operator=(Region&& other) noexcept {
  if (this != &other) {
    Reset();
    ops_ = other.ops_;
    handle_ = std::exchange(other.handle_, 0);
  }
  return *this;
}

Region::~Region() { Reset(); }

RegionHandle Region::Release() noexcept {
  if (handle_ != 0) ops_->HandedOver(handle_);
  return std::exchange(handle_, 0);
}

void Region::Reset() noexcept {
  if (handle_ != 0) ops_->Free(std::exchange(handle_, 0));
}

}  // namespace ozl::skin
