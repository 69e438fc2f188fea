// The handheld files of the example projects: the Sample Planner application, its data and
// the Sample Tides add-on's tide table. All carry one fixed time, so each build of them gives
// the same bytes.
#pragma once
#include <cstdint>

#include "tools/palmgen/palm_database.h"

namespace palmgen {

inline constexpr uint32_t kPlannerCreator = FourCharCode("SmPl");
// 2004-01-01 00:00:00 on the handheld's clock.
inline constexpr uint32_t kSampleTime = kPalmEpochToUnix + 1072915200u;

// Each is empty only if the encoder refused the sample, which a test rules out.
Bytes PlannerApplication();  // planner.prc
Bytes PlannerData();         // plandata.pdb
Bytes TidesData();           // tides.pdb

}  // namespace palmgen
