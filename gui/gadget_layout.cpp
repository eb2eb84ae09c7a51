#include <algorithm>
#include <cstdint>

#include "gui/gadget.h"

namespace qm {

namespace {

// One axis of the edge-lock layout: where the near and far edge go when the
// parent's client extent changes from locked_extent to extent. Products are
// taken in 64 bits so that large rectangles cannot overflow; divisions
// truncate toward zero.
struct Span {
  std::int32_t start;
  std::int32_t size;
};

std::int32_t Scale(std::int64_t value, std::int64_t extent, std::int64_t locked_extent) {
  return static_cast<std::int32_t>(value * extent / locked_extent);
}

Span LayOutAxis(std::int32_t near_mode, std::int32_t far_mode, std::int32_t pos, std::int32_t size,
                std::int32_t locked_extent, std::int32_t extent) {
  const std::int64_t locked = std::max<std::int32_t>(1, locked_extent);
  if (near_mode == EdgeFree && far_mode == EdgeFree) {
    // Neither edge held: the size stays and the centre moves proportionally.
    const std::int32_t start = Scale(std::int64_t{pos} + size / 2, extent, locked) - size / 2;
    return {start, size};
  }
  std::int32_t near_edge = pos;
  std::int32_t far_edge = pos + size;
  if (near_mode == EdgeAligned) near_edge = pos;
  if (near_mode == EdgeRelative) near_edge = Scale(pos, extent, locked);
  if (far_mode == EdgeAligned) far_edge = static_cast<std::int32_t>(std::int64_t{pos} + size - locked + extent);
  if (far_mode == EdgeRelative) far_edge = Scale(std::int64_t{pos} + size, extent, locked);
  // A free edge keeps the locked size from the held one.
  if (near_mode == EdgeFree) near_edge = far_edge - size;
  if (far_mode == EdgeFree) far_edge = near_edge + size;
  return {near_edge, far_edge - near_edge};
}

}  // namespace

void TGadget::SetRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  xpos = x;
  ypos = y;
  width = w;
  height = h;
}

void TGadget::LockLayout() {
  lockx = xpos;
  locky = ypos;
  lockw = width;
  lockh = height;
  lockcw = parent ? std::max<std::int32_t>(1, parent->ClientWidth()) : 1;
  lockch = parent ? std::max<std::int32_t>(1, parent->ClientHeight()) : 1;
}

void TGadget::SetLayout(std::int32_t l, std::int32_t r, std::int32_t t, std::int32_t b) {
  lockl = l;
  lockr = r;
  lockt = t;
  lockb = b;
  LockLayout();
}

void TGadget::LayoutKids() {
  // A copy: a child's new rectangle runs driver code.
  const auto children = kids;
  for (const auto& weak : children) {
    if (GadgetPtr kid = weak.lock()) kid->DoLayout();
  }
}

void TGadget::DoLayout() {
  const int cls = Class();
  if (cls == GadgetWindow || cls == GadgetMenu || cls == GadgetNode || !parent) return;
  const std::int32_t cw = std::max<std::int32_t>(1, parent->ClientWidth());
  const std::int32_t ch = std::max<std::int32_t>(1, parent->ClientHeight());
  const Span across = LayOutAxis(lockl, lockr, lockx, lockw, lockcw, cw);
  const Span down = LayOutAxis(lockt, lockb, locky, lockh, lockch, ch);
  SetRect(across.start, down.start, across.size, down.size);
  // A child that changed size is itself a resized parent.
  LayoutKids();
}

void TGadget::_setparent(const std::shared_ptr<TGadget>& group, int index) {
  GadgetPtr self = shared_from_this();
  if (parent && parent != group) {
    std::erase_if(parent->kids, [&](const std::weak_ptr<TGadget>& kid) { return kid.lock() == self; });
  }
  parent = group;
  if (!group) return;
  auto& siblings = group->kids;
  std::erase_if(siblings, [&](const std::weak_ptr<TGadget>& kid) { return kid.lock() == self; });
  if (index < 0 || static_cast<std::size_t>(index) >= siblings.size()) {
    siblings.push_back(self);
  } else {
    siblings.insert(siblings.begin() + index, self);
  }
}

}  // namespace qm
