// The table of simulated joysticks, shared by winmm and DirectInput.
#include "platform/sim/joystick.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <optional>

namespace sim {
namespace {

struct Slot {
  Joystick joystick;
  std::string typeName;  // empty: the default from the IDs
  std::string path;      // empty: the default from the IDs and the joystick ID
  DIJOYSTATE state = RestingJoystickState();
  bool bPlugged = true;
  bool bPolled = true;
};

struct JoystickTable {
  std::mutex mutex;
  std::array<std::optional<Slot>, kJoystickIds> slots;
  // Kept across detach and attach, so that a device acquired before a detach
  // stays lost after the joystick comes back.
  std::array<DWORD, kJoystickIds> lossCounts{};
  std::array<HRESULT, static_cast<size_t>(DiCall::kCount)> failures{};
};

JoystickTable& Table() {
  static JoystickTable* table = new JoystickTable;  // outlives every module's unload
  return *table;
}

std::atomic<long> g_liveObjects{0};

std::string DefaultTypeName(const Joystick& joystick) {
  char sz[32];
  std::snprintf(sz, sizeof sz, "VID_%04X&PID_%04X", joystick.wMid, joystick.wPid);
  return sz;
}

std::string DefaultPath(UINT uJoyID, const Joystick& joystick) {
  char sz[128];
  std::snprintf(sz, sizeof sz, "\\\\?\\hid#vid_%04x&pid_%04x#%u&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                joystick.wMid, joystick.wPid, uJoyID);
  return sz;
}

}  // namespace

DIJOYSTATE RestingJoystickState() {
  DIJOYSTATE state{};
  state.lX = state.lY = state.lZ = state.lRx = state.lRy = state.lRz = 0x7FFF;
  for (DWORD& dwPov : state.rgdwPOV) dwPov = 0xFFFFFFFFu;
  return state;
}

void SetJoystick(UINT uJoyID, WORD wMid, WORD wPid) {
  if (uJoyID >= kJoystickIds) return;
  JoystickTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (!table.slots[uJoyID]) table.slots[uJoyID].emplace();
  table.slots[uJoyID]->joystick.wMid = wMid;
  table.slots[uJoyID]->joystick.wPid = wPid;
}

void RemoveJoystick(UINT uJoyID) {
  if (uJoyID >= kJoystickIds) return;
  JoystickTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (!table.slots[uJoyID]) return;
  table.slots[uJoyID].reset();
  ++table.lossCounts[uJoyID];
}

void ResetJoysticks() {
  JoystickTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  for (UINT i = 0; i < kJoystickIds; ++i) {
    if (table.slots[i]) ++table.lossCounts[i];
    table.slots[i].reset();
  }
  table.failures.fill(S_OK);
}

bool GetJoystick(UINT uJoyID, Joystick* pJoystick) {
  if (uJoyID >= kJoystickIds || pJoystick == nullptr) return false;
  JoystickTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (!table.slots[uJoyID]) return false;
  *pJoystick = table.slots[uJoyID]->joystick;
  return true;
}

void SetJoystickTypeName(UINT uJoyID, const std::string& typeName) {
  if (uJoyID >= kJoystickIds) return;
  JoystickTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (table.slots[uJoyID]) table.slots[uJoyID]->typeName = typeName;
}

void SetJoystickPath(UINT uJoyID, const std::string& path) {
  if (uJoyID >= kJoystickIds) return;
  JoystickTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (table.slots[uJoyID]) table.slots[uJoyID]->path = path;
}

std::string JoystickPath(UINT uJoyID) {
  JoystickSnapshot snapshot;
  return GetJoystickSnapshot(uJoyID, &snapshot) ? snapshot.path : std::string();
}

void SetJoystickState(UINT uJoyID, const DIJOYSTATE& state) {
  if (uJoyID >= kJoystickIds) return;
  JoystickTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (table.slots[uJoyID]) table.slots[uJoyID]->state = state;
}

void SetJoystickPolled(UINT uJoyID, bool bPolled) {
  if (uJoyID >= kJoystickIds) return;
  JoystickTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (table.slots[uJoyID]) table.slots[uJoyID]->bPolled = bPolled;
}

void LoseJoystick(UINT uJoyID) {
  if (uJoyID >= kJoystickIds) return;
  JoystickTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  ++table.lossCounts[uJoyID];
}

void UnplugJoystick(UINT uJoyID) {
  if (uJoyID >= kJoystickIds) return;
  JoystickTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (!table.slots[uJoyID]) return;
  table.slots[uJoyID]->bPlugged = false;
  ++table.lossCounts[uJoyID];
}

void PlugJoystick(UINT uJoyID) {
  if (uJoyID >= kJoystickIds) return;
  JoystickTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (table.slots[uJoyID]) table.slots[uJoyID]->bPlugged = true;
}

void FailDirectInput(DiCall call, HRESULT hr) {
  if (call >= DiCall::kCount) return;
  JoystickTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.failures[static_cast<size_t>(call)] = hr;
}

HRESULT DirectInputFailure(DiCall call) {
  if (call >= DiCall::kCount) return S_OK;
  JoystickTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  return table.failures[static_cast<size_t>(call)];
}

long LiveDirectInputObjects() { return g_liveObjects.load(); }

void CountDirectInputObject(int nDelta) { g_liveObjects += nDelta; }

bool GetJoystickSnapshot(UINT uJoyID, JoystickSnapshot* pSnapshot) {
  if (uJoyID >= kJoystickIds || pSnapshot == nullptr) return false;
  JoystickTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  JoystickSnapshot snapshot;
  snapshot.dwLossCount = table.lossCounts[uJoyID];
  const std::optional<Slot>& slot = table.slots[uJoyID];
  if (slot) {
    snapshot.bAttached = true;
    snapshot.bPlugged = slot->bPlugged;
    snapshot.bPolled = slot->bPolled;
    snapshot.joystick = slot->joystick;
    snapshot.typeName = slot->typeName.empty() ? DefaultTypeName(slot->joystick) : slot->typeName;
    snapshot.path = slot->path.empty() ? DefaultPath(uJoyID, slot->joystick) : slot->path;
    snapshot.state = slot->state;
  }
  *pSnapshot = snapshot;
  return slot.has_value();
}

}  // namespace sim
