// tarnwick-pack's command line: build, check, list, extract, verify.
#pragma once

namespace pack {

// Exit codes: 0 done, 1 an input is unreadable or invalid (or an output unwritable), 2 the
// command line itself is wrong.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

int RunTool(int argc, char** argv);

}  // namespace pack
