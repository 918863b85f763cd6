// A region: a set of pixels kept as a union of rectangles, the shape of a
// window's update region and of a paint DC's clipping.
#pragma once

#include "platform/win32.h"

#include <utility>
#include <vector>

namespace qjplat {
namespace gdi {

// Kept in bands: each band is a run of rows [top, bottom) with the same
// sorted, disjoint, non-touching x spans [left, right); bands are sorted,
// do not overlap, and two bands that meet with the same spans are one. So
// the rectangles of a region never overlap, and there are few of them.
class Region {
 public:
  Region() = default;
  // The pixels of rc; empty for an empty rectangle.
  explicit Region(const RECT& rc);

  bool Empty() const { return m_bands.empty(); }
  // The smallest rectangle holding every pixel; all zero when empty.
  RECT Bounds() const;
  bool Contains(int x, int y) const;
  // The region as disjoint rectangles, top-down, then left to right.
  std::vector<RECT> Rects() const;

  // An empty rectangle (right <= left or bottom <= top) changes nothing in
  // Union and Subtract and empties the region in Intersect.
  void Union(const RECT& rc);
  void Subtract(const RECT& rc);
  void Intersect(const RECT& rc);
  void Intersect(const Region& other) { Combine(other, Op::kIntersect); }
  void Clear() { m_bands.clear(); }

 private:
  using Span = std::pair<LONG, LONG>;
  struct Band {
    LONG top;
    LONG bottom;
    std::vector<Span> spans;
  };
  enum class Op { kUnion, kSubtract, kIntersect };

  void Combine(const Region& other, Op op);
  // The spans of the band holding row y, or null.
  const std::vector<Span>* SpansAt(LONG y) const;

  std::vector<Band> m_bands;
};

}  // namespace gdi
}  // namespace qjplat
