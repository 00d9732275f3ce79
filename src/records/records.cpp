#include "records/records.h"

namespace brenvik {

void Reset(TRecUptimeEntry& entry) { entry = TRecUptimeEntry{}; }

void Reset(TRecLoginEntry& entry) { entry = TRecLoginEntry{}; }

void Reset(TRecProgramme& programme) {
  const std::int32_t status = programme.rStatus;
  programme = TRecProgramme{};
  programme.rStatus = status;
}

}  // namespace brenvik
