// The record of sndPlaySoundA calls.
#include "platform/sim/sound.h"

#include <mutex>

namespace sim {
namespace {

struct SoundLog {
  std::mutex mutex;
  std::vector<SoundPlay> plays;
};

SoundLog& Log() {
  static SoundLog* log = new SoundLog;  // outlives every module's unload
  return *log;
}

}  // namespace

std::vector<SoundPlay> GetSoundPlays() {
  SoundLog& log = Log();
  std::lock_guard<std::mutex> lock(log.mutex);
  return log.plays;
}

void ClearSoundPlays() {
  SoundLog& log = Log();
  std::lock_guard<std::mutex> lock(log.mutex);
  log.plays.clear();
}

void RecordSoundPlay(const SoundPlay& play) {
  SoundLog& log = Log();
  std::lock_guard<std::mutex> lock(log.mutex);
  log.plays.push_back(play);
}

}  // namespace sim
