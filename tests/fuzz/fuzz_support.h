// Shared by the fuzz targets: a fresh simulated machine for the process and a
// reader that takes typed values from the fuzzer's bytes.
#pragma once

#include "platform/sim/sim.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fuzz {

// Sets up a simulated machine of its own for this process (a new folder
// below $QJ_MACHINE_ROOT, or below the temporary folder) on the frozen
// clock, once; later calls do nothing.
void UseFreshMachine();

// Writes bytes to a file of the machine (a Windows path); false on failure.
bool WriteMachineFile(const std::string& path, const void* pData, size_t cb);

// Takes values from the front of the input; once it is used up every value
// is 0 and every string empty.
class Reader {
 public:
  Reader(const uint8_t* pData, size_t cb) : m_p(pData), m_cb(cb) {}
  bool Empty() const { return m_cb == 0; }
  size_t Left() const { return m_cb; }
  uint8_t Byte() {
    if (!m_cb) return 0;
    --m_cb;
    return *m_p++;
  }
  uint32_t U32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(Byte()) << (8 * i);
    return v;
  }
  bool Flag() { return Byte() & 1; }
  // Up to cbMax bytes, as many as the next byte says.
  std::vector<uint8_t> Bytes(size_t cbMax) {
    size_t cb = Byte();
    if (cbMax < 256) cb %= cbMax + 1;
    if (cb > m_cb) cb = m_cb;
    std::vector<uint8_t> v(m_p, m_p + cb);
    m_p += cb;
    m_cb -= cb;
    return v;
  }
  std::string String(size_t cchMax) {
    const std::vector<uint8_t> v = Bytes(cchMax);
    return std::string(v.begin(), v.end());
  }
  // Everything that is left.
  std::string Rest() {
    std::string s(reinterpret_cast<const char*>(m_p), m_cb);
    m_p += m_cb;
    m_cb = 0;
    return s;
  }

 private:
  const uint8_t* m_p;
  size_t m_cb;
};

}  // namespace fuzz
