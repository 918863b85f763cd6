#include "registry_write_log.h"

#include "settings.h"

namespace inputtest {

std::vector<Bytes> RecordWrites() {
  std::vector<Bytes> writes;
  for (const sim::RegistryWrite& write : sim::RegistryWrites())
    if (write.strName == SETTINGS_VALUE_NAME) writes.push_back(write.data);
  return writes;
}

void ClearRecordWrites() { sim::ClearRegistryWrites(); }

}  // namespace inputtest
