// Regions as y-x bands: every operation is one sweep over the rows where
// either operand changes, combining the x spans of each run of rows.
#include "posix/gdi32/region.h"

#include <algorithm>

namespace qjplat {
namespace gdi {
namespace {

bool IsEmpty(const RECT& rc) { return rc.right <= rc.left || rc.bottom <= rc.top; }

// Whether x lies in one of the sorted spans, advancing *pi past the spans
// that end at or before x (x only grows between calls).
template <class Spans>
bool Covers(const Spans* pSpans, size_t* pi, LONG x) {
  if (!pSpans) return false;
  while (*pi < pSpans->size() && (*pSpans)[*pi].second <= x) ++*pi;
  return *pi < pSpans->size() && (*pSpans)[*pi].first <= x;
}

}  // namespace

RECT Region::Bounds() const {
  if (m_bands.empty()) return RECT{0, 0, 0, 0};
  RECT rc{m_bands.front().spans.front().first, m_bands.front().top, m_bands.front().spans.back().second,
          m_bands.back().bottom};
  for (const Band& band : m_bands) {
    rc.left = std::min(rc.left, band.spans.front().first);
    rc.right = std::max(rc.right, band.spans.back().second);
  }
  return rc;
}

const std::vector<Region::Span>* Region::SpansAt(LONG y) const {
  auto it = std::upper_bound(m_bands.begin(), m_bands.end(), y,
                             [](LONG value, const Band& band) { return value < band.bottom; });
  if (it == m_bands.end() || y < it->top) return nullptr;
  return &it->spans;
}

bool Region::Contains(int x, int y) const {
  const std::vector<Span>* pSpans = SpansAt(y);
  if (!pSpans) return false;
  auto it = std::upper_bound(pSpans->begin(), pSpans->end(), LONG(x),
                             [](LONG value, const Span& span) { return value < span.second; });
  return it != pSpans->end() && it->first <= x;
}

std::vector<RECT> Region::Rects() const {
  std::vector<RECT> rects;
  for (const Band& band : m_bands)
    for (const Span& span : band.spans) rects.push_back(RECT{span.first, band.top, span.second, band.bottom});
  return rects;
}

void Region::Union(const RECT& rc) {
  if (IsEmpty(rc)) return;
  Combine(Region(rc), Op::kUnion);
}

void Region::Subtract(const RECT& rc) {
  if (IsEmpty(rc) || Empty()) return;
  Combine(Region(rc), Op::kSubtract);
}

void Region::Intersect(const RECT& rc) {
  if (IsEmpty(rc)) {
    m_bands.clear();
    return;
  }
  Combine(Region(rc), Op::kIntersect);
}

Region::Region(const RECT& rc) {
  if (!IsEmpty(rc)) m_bands.push_back(Band{rc.top, rc.bottom, {Span{rc.left, rc.right}}});
}

void Region::Combine(const Region& other, Op op) {
  std::vector<LONG> ys;
  for (const Region* p : {static_cast<const Region*>(this), &other})
    for (const Band& band : p->m_bands) {
      ys.push_back(band.top);
      ys.push_back(band.bottom);
    }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

  std::vector<Band> result;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    const std::vector<Span>* pA = SpansAt(ys[i]);
    const std::vector<Span>* pB = other.SpansAt(ys[i]);
    std::vector<LONG> xs;
    for (const std::vector<Span>* p : {pA, pB})
      if (p)
        for (const Span& span : *p) {
          xs.push_back(span.first);
          xs.push_back(span.second);
        }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    std::vector<Span> spans;
    size_t ia = 0, ib = 0;
    for (size_t j = 0; j + 1 < xs.size(); ++j) {
      const bool bA = Covers(pA, &ia, xs[j]);
      const bool bB = Covers(pB, &ib, xs[j]);
      const bool bIn = op == Op::kUnion ? (bA || bB) : op == Op::kSubtract ? (bA && !bB) : (bA && bB);
      if (!bIn) continue;
      if (!spans.empty() && spans.back().second == xs[j])
        spans.back().second = xs[j + 1];
      else
        spans.push_back(Span{xs[j], xs[j + 1]});
    }
    if (spans.empty()) continue;
    if (!result.empty() && result.back().bottom == ys[i] && result.back().spans == spans)
      result.back().bottom = ys[i + 1];
    else
      result.push_back(Band{ys[i], ys[i + 1], std::move(spans)});
  }
  m_bands = std::move(result);
}

}  // namespace gdi
}  // namespace qjplat
