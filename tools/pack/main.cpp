#include <exception>
#include <iostream>

#include "tools/pack/cli.h"

int main(int argc, char** argv) {
  try {
    return pack::RunTool(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "tarnwick-pack: " << e.what() << "\n";
    return pack::kExitFailure;
  }
}
