// The playback step: force synthesis of the stored effects, the left/right
// split, the motor-power scaling and the decision to write a report.
//
// Forces are on DirectInput's nominal scale (-10000..10000), gains 0..10000,
// times in milliseconds of GetTickCount. Intermediate products are formed in
// 64 bits and each result saturates to 32 bits, so no input can overflow:
// wherever the 32-bit arithmetic stays in range, every result is the 32-bit
// one, for levels, magnitudes, gains and the user's time-cycle and
// motor-power settings (nominally 0..255) beyond their ranges too.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "ffserver.h"

namespace {

// The stored value of pi the synthesis uses (not the full-precision one).
const double kPi = 3.1415926535;
const LONG kFullScale = 10000;
// Zero reports repeated after the pair has fallen to (0, 0).
const DWORD kZeroRepeats = 5;

LONG Saturate(int64_t v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<LONG>(v);
}

// Truncation toward zero of a double, saturated to the 32-bit range.
LONG TruncToLong(double v) {
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<LONG>(v);
}

// (from * (span - pos) + to * pos) / span, truncated toward zero; a span of
// no length has already reached its end. Every argument fits 33 bits. With
// the position within the span, as the step passes it, the products fit 64
// bits and the result is exact; a position far outside the span may leave 64
// bits, and then the result is worked out in floating point, to double
// precision, and saturated at 2^32.
int64_t LerpWide(int64_t from, int64_t to, int64_t span, int64_t pos) {
  if (span == 0) return to;
  int64_t qwFrom = 0, qwTo = 0, qwSum = 0;
  if (!__builtin_mul_overflow(from, span - pos, &qwFrom) && !__builtin_mul_overflow(to, pos, &qwTo) &&
      !__builtin_add_overflow(qwFrom, qwTo, &qwSum))
    return qwSum / span;
  const double v = (static_cast<double>(from) * static_cast<double>(span - pos) +
                    static_cast<double>(to) * static_cast<double>(pos)) /
                   static_cast<double>(span);
  if (v >= 4294967296.0) return INT64_C(4294967296);
  if (v <= -4294967296.0) return -INT64_C(4294967296);
  return static_cast<int64_t>(v);
}

// The record's block when it is there and long enough for T, else NULL.
template <typename T>
T* Block(EffectRecord* pRec) {
  if (pRec->lpvTypeSpecificParams == NULL || pRec->cbTypeSpecificParams < sizeof(T)) return NULL;
  return static_cast<T*>(pRec->lpvTypeSpecificParams);
}

bool IsPeriodic(DWORD dwEffectId) { return dwEffectId >= ET_SQUARE && dwEffectId <= ET_SAWTOOTHDOWN; }

// Start level S and sustain end level R of the attack and the fade, read from
// the block as it stands at this tick (the periodic magnitude is unsigned and
// stays positive). false, with both levels 0, when the record has no block
// long enough for its type.
bool EnvelopeLevels(EffectRecord* pRec, int64_t* pStart, int64_t* pEnd) {
  *pStart = 0;
  *pEnd = 0;
  if (pRec->dwEffectId == ET_CONSTANT) {
    const DICONSTANTFORCE* pc = Block<DICONSTANTFORCE>(pRec);
    if (pc == NULL) return false;
    *pStart = *pEnd = pc->lMagnitude;
  } else if (pRec->dwEffectId == ET_RAMP) {
    const DIRAMPFORCE* pr = Block<DIRAMPFORCE>(pRec);
    if (pr == NULL) return false;
    *pStart = pr->lStart;
    *pEnd = pr->lEnd;
  } else if (IsPeriodic(pRec->dwEffectId)) {
    const DIPERIODIC* pp = Block<DIPERIODIC>(pRec);
    if (pp == NULL) return false;
    *pStart = *pEnd = pp->dwMagnitude;
  }
  return true;
}

// Makes the ramp run from 0 (rising) or toward 0 (falling) by the difference
// of its levels, at most full scale (the difference is formed in 64 bits).
// Applying it twice changes nothing.
void NormaliseRamp(DIRAMPFORCE* pr) {
  if (pr->lStart >= pr->lEnd) {
    const int64_t qwDiff = static_cast<int64_t>(pr->lStart) - pr->lEnd;
    pr->lStart = qwDiff < kFullScale ? static_cast<LONG>(qwDiff) : kFullScale;
    pr->lEnd = 0;
  } else {
    const int64_t qwDiff = static_cast<int64_t>(pr->lEnd) - pr->lStart;
    pr->lEnd = qwDiff < kFullScale ? static_cast<LONG>(qwDiff) : kFullScale;
    pr->lStart = 0;
  }
}

// Scaled period in microseconds: the requested period times a number of
// thirds, 1..4 by the time-cycle setting 0..255 (more beyond it) or, in auto
// mode, by a random factor. Under 1 ms it becomes 2 ms. 64 bits: with any
// 32-bit setting and period the result stays below 2^57.
uint64_t ScaledPeriod(DWORD dwPeriod, const SettingsRecord& settings) {
  uint64_t qwFactor;
  if (settings.dwAutoMode != 0) {
    // 0..32767 whatever the C library's RAND_MAX.
    const int nRand = rand() & 0x7FFF;
    qwFactor = static_cast<uint64_t>((nRand * 3) / 32767 + 1);
  } else {
    qwFactor = (static_cast<uint64_t>(settings.dwTimeCycle) * 3) / 255 + 1;
  }
  uint64_t P = (qwFactor * dwPeriod) / 3;
  if (P / 1000 == 0) P = 2000;
  return P;
}

// (Pm * q) / 100 without the product: Pm = 100a + b gives a*q + (b*q) / 100.
// With Pm below 7.3e13 (the longest scaled period) and q below 1.2e7 (a
// phase of up to 2^32 - 1 hundredths of a degree, / 360), a*q fits 64 bits.
uint64_t HundredthsOf(uint64_t Pm, uint64_t q) { return (Pm / 100) * q + ((Pm % 100) * q) / 100; }

// Value of a periodic waveform at sustain time s (ms). The magnitude is
// unsigned; with the offset it may leave 32 bits before the result
// saturates.
LONG PeriodicForce(DWORD dwEffectId, const DIPERIODIC& per, DWORD s, const SettingsRecord& settings) {
  const int64_t M = per.dwMagnitude;
  const int64_t O = per.lOffset;
  if (per.dwPeriod / 1000 == 0) return Saturate(M + O);

  // Pm is below 7.3e13, so r * 360 stays within 64 bits.
  const uint64_t Pm = ScaledPeriod(per.dwPeriod, settings) / 1000;
  const uint64_t H = Pm / 2;
  const uint64_t r = s % Pm;
  const int64_t qwHalf = static_cast<int64_t>(H);
  switch (dwEffectId) {
    case ET_SQUARE:
      return Saturate(r < H ? M + O : O);
    case ET_SINE: {
      const uint64_t deg = ((r * 360) / Pm + per.dwPhase / 100) % 360;
      const double h = ((kPi + kPi) * static_cast<double>(deg % 90)) / 360;
      const double dM = static_cast<double>(M);
      double v;
      if (deg < 90)
        v = dM * sin(h) + per.lOffset;
      else if (deg < 180)
        v = dM * cos(h) + per.lOffset;
      else if (deg < 270)
        v = (-dM) * sin(h) + per.lOffset;
      else
        v = (-dM) * cos(h) + per.lOffset;
      return TruncToLong(v);
    }
    case ET_TRIANGLE: {
      const uint64_t shift = HundredthsOf(Pm, per.dwPhase / 360);
      const uint64_t rr = (s + shift) % Pm;
      if (rr < H) return Saturate(LerpWide(O, M, qwHalf, static_cast<int64_t>(rr)));
      return Saturate(LerpWide(M, O, qwHalf, static_cast<int64_t>(rr - H)));
    }
    case ET_SAWTOOTHUP:
      return Saturate(LerpWide(O, M, qwHalf, static_cast<int64_t>(r < H ? r : r - H)));
    case ET_SAWTOOTHDOWN:
      return Saturate(LerpWide(M, O, qwHalf, static_cast<int64_t>(r < H ? r : r - H)));
    default:
      return 0;
  }
}

// (lForce * dwGain) / 10000, truncated toward zero.
LONG ApplyGain(LONG lForce, DWORD dwGain) {
  return Saturate((static_cast<int64_t>(lForce) * dwGain) / kFullScale);
}

// |(k * lShare) / 5|, bounded by full scale: a larger share clamps the sum to
// full scale all the same. k is below 2^27, so the product fits 64 bits.
LONG ScaleShare(int64_t k, LONG lShare) {
  int64_t v = (k * lShare) / 5;
  if (v < 0) v = -v;
  return v > kFullScale ? kFullScale : static_cast<LONG>(v);
}

// Adds a share to a side's sum, which never needs to exceed full scale.
void AddShare(LONG* plSum, LONG lShare) {
  const LONG lSum = *plSum + lShare;  // both at most 10000
  *plSum = lSum > kFullScale ? kFullScale : lSum;
}

// Counts one zero repeat when fewer than five have gone out since the last
// change; shared by every server of the module.
bool TakeZeroRepeat() {
  DWORD n = g_nZeroReports.load();
  while (n < kZeroRepeats) {
    if (g_nZeroReports.compare_exchange_weak(n, n + 1)) return true;
  }
  return false;
}

}  // namespace

LONG FFServer::SustainForce(EffectRecord* pRec, DWORD s) {
  switch (pRec->dwEffectId) {
    case ET_CONSTANT: {
      const DICONSTANTFORCE* pc = Block<DICONSTANTFORCE>(pRec);
      return pc != NULL ? pc->lMagnitude : 0;
    }
    case ET_RAMP: {
      DIRAMPFORCE* pr = Block<DIRAMPFORCE>(pRec);
      if (pr == NULL) return 0;
      NormaliseRamp(pr);
      return Saturate(LerpWide(pr->lStart, pr->lEnd, pRec->dwDuration, s));
    }
    default: {
      const DIPERIODIC* pp = Block<DIPERIODIC>(pRec);
      return pp != NULL ? PeriodicForce(pRec->dwEffectId, *pp, s, m_Settings) : 0;
    }
  }
}

void FFServer::PlayRecord(EffectRecord* pRec, DWORD dwElapsed, LONG* plLeft, LONG* plRight) {
  // An endless ramp has no course to run: no force, and it keeps playing.
  if (pRec->dwEffectId == ET_RAMP && pRec->dwDuration == INFINITE) return;

  const DWORD A = pRec->diEnvelope.dwAttackTime / 1000;
  const DWORD F = pRec->diEnvelope.dwFadeTime / 1000;
  const DWORD T = pRec->dwDuration;
  const DWORD p = dwElapsed - pRec->dwStartDelay;
  int64_t qwStartLevel = 0;
  int64_t qwEndLevel = 0;
  const bool bBlock = EnvelopeLevels(pRec, &qwStartLevel, &qwEndLevel);

  // The envelope's attack and fade levels are unsigned: positive values.
  LONG lForce = 0;
  if (p < A) {
    lForce = Saturate(LerpWide(pRec->diEnvelope.dwAttackLevel, qwStartLevel, A, p));
  } else if (T == INFINITE || p - A <= T) {
    lForce = SustainForce(pRec, p - A);
  } else {
    const DWORD f = p - A - T;
    if (f >= F) {
      pRec->dwState = EFFECT_STOPPED;
      SplitForce(plLeft, plRight, 0, pRec->dwFlags, pRec->rglDirection, pRec->cAxes);
      return;
    }
    lForce = Saturate(LerpWide(qwEndLevel, pRec->diEnvelope.dwFadeLevel, F, f));
  }
  // Without a usable block the effect runs its course (delay, attack,
  // duration, fade) and stops as any other, but gives no force in any phase:
  // the envelope's own levels do not play either.
  if (!bBlock) return;
  lForce = ApplyGain(lForce, pRec->dwGain);
  lForce = ApplyGain(lForce, m_dwGain.load());
  SplitForce(plLeft, plRight, lForce, pRec->dwFlags, pRec->rglDirection, pRec->cAxes);
}

BOOL FFServer::RunStep() {
  Lock();
  LONG lLeftSum = 0;
  LONG lRightSum = 0;
  DWORD dwSummary = EFFECT_STOPPED;
  // 1..7 for the settings 0..255; beyond them up to about 10^8.
  const int64_t k = (static_cast<int64_t>(m_Settings.dwMotorPower) * 6) / 255 + 1;

  RotatePtrList(&m_EffectList, [&](PtrListNode* pNode) {
    EffectRecord* pRec = static_cast<EffectRecord*>(pNode);
    LONG lLForce = 0;
    LONG lRForce = 0;
    if (pRec->dwState == EFFECT_PAUSED && dwSummary == EFFECT_STOPPED) dwSummary = EFFECT_PAUSED;
    if (pRec->dwState == EFFECT_PLAYING) dwSummary = EFFECT_PLAYING;

    const DWORD E = GetTickCount() - pRec->dwStartTick;
    if (E < pRec->dwStartDelay) return true;
    if (pRec->dwState != EFFECT_PLAYING || pRec->dwEffectId > ET_CUSTOM) return true;
    if (pRec->dwEffectId >= ET_SPRING) {
      // Condition and custom effects are stored but not played.
      pRec->dwState = EFFECT_STOPPED;
      return true;
    }
    PlayRecord(pRec, E, &lLForce, &lRForce);
    if (lLForce != 0 || lRForce != 0) {
      AddShare(&lLeftSum, ScaleShare(k, lLForce));
      AddShare(&lRightSum, ScaleShare(k, lRForce));
    }
    return true;
  });

  m_dwDevState = dwSummary;
  // The sums are sums of magnitudes, already held at full scale. The pair
  // goes out on a change, and also when the device holds another one: a
  // command's all-off report leaves m_lLastLeft/m_lLastRight alone, so an
  // effect started again before this step would otherwise stay silent. A
  // report that does not arrive is remembered neither here nor in the
  // shared zero count, so the next step tries again, once.
  const DWORD dwLeft = static_cast<DWORD>(lLeftSum);
  const DWORD dwRight = static_cast<DWORD>(lRightSum);
  if (lLeftSum != m_lLastLeft || lRightSum != m_lLastRight || DeviceDiffers(dwLeft, dwRight)) {
    if (SendReport(dwLeft, dwRight)) {
      m_lLastLeft = lLeftSum;
      m_lLastRight = lRightSum;
      g_nZeroReports = 0;
    }
  } else if (m_lLastLeft == 0 && m_lLastRight == 0 && TakeZeroRepeat()) {
    SendReport(0, 0);
  }
  Unlock();
  Sleep(1);
  return TRUE;
}

BOOL FFServer::IdleStep() {
  Sleep(10);
  WriteMotorReport(0, 0);
  return TRUE;
}

bool FFServer::SplitForce(LONG* plLeft, LONG* plRight, LONG lForce, DWORD dwFlags, const LONG* rglDirection,
                          DWORD cAxes) {
  if (plLeft == NULL || plRight == NULL) return true;
  if (rglDirection != NULL && (dwFlags & DIEFF_POLAR)) {
    const LONG deg = (rglDirection[0] / 100) % 360;
    if (deg < 0) return true;
    const double h = (static_cast<double>(deg % 90) * kPi) / 180;
    const double F = lForce;
    const double c = fabs(F * cos(h));
    const double sn = fabs(F * sin(h));
    if (deg < 90) {
      *plLeft = TruncToLong(c);
      *plRight = TruncToLong(sn);
    } else if (deg < 180) {
      *plLeft = TruncToLong(sn);
      *plRight = TruncToLong(-c);
    } else if (deg < 270) {
      *plLeft = TruncToLong(-c);
      *plRight = TruncToLong(-sn);
    } else {
      *plLeft = TruncToLong(-sn);
      *plRight = TruncToLong(c);
    }
    return true;
  }
  if (rglDirection != NULL && (dwFlags & DIEFF_CARTESIAN) && cAxes != 1) {
    const int64_t d0 = rglDirection[0];
    const int64_t d1 = rglDirection[1];
    const int64_t qwSum = d0 + d1;
    // Both directions 0, or opposite ones that cancel: no usable direction,
    // so both motors get the whole force.
    if (qwSum != 0) {
      *plLeft = Saturate((lForce * d0) / qwSum);
      *plRight = Saturate((lForce * d1) / qwSum);
      return true;
    }
  }
  *plLeft = lForce;
  *plRight = lForce;
  return true;
}

bool FFServer::Lerp(LONG* plOut, LONG lFrom, LONG lTo, LONG lSpan, LONG lPos) {
  if (plOut == NULL) return true;
  *plOut = Saturate(LerpWide(lFrom, lTo, lSpan, lPos));
  return true;
}
