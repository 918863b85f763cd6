// The table of simulated joysticks, shared by winmm and DirectInput.
#include "platform/sim/joystick.h"

#include <array>
#include <mutex>
#include <optional>

namespace sim {
namespace {

struct JoystickTable {
  std::mutex mutex;
  std::array<std::optional<Joystick>, kJoystickIds> slots;
};

JoystickTable& Table() {
  static JoystickTable* table = new JoystickTable;  // outlives every module's unload
  return *table;
}

}  // namespace

void SetJoystick(UINT uJoyID, WORD wMid, WORD wPid) {
  if (uJoyID >= kJoystickIds) return;
  JoystickTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  Joystick joystick;
  joystick.wMid = wMid;
  joystick.wPid = wPid;
  table.slots[uJoyID] = joystick;
}

void RemoveJoystick(UINT uJoyID) {
  if (uJoyID >= kJoystickIds) return;
  JoystickTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.slots[uJoyID].reset();
}

void ResetJoysticks() {
  JoystickTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  for (auto& slot : table.slots) slot.reset();
}

bool GetJoystick(UINT uJoyID, Joystick* pJoystick) {
  if (uJoyID >= kJoystickIds || pJoystick == nullptr) return false;
  JoystickTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (!table.slots[uJoyID]) return false;
  *pJoystick = *table.slots[uJoyID];
  return true;
}

}  // namespace sim
