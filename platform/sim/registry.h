// The simulated registry (filled in by the registry work).
#pragma once

namespace sim {

class Registry {};

}  // namespace sim
