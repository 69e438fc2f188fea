// Writes the handheld files of the example projects: the Sample Planner application and its
// data (examples/sample-planner) and the Sample Tides add-on's tide table
// (examples/planner-suite). They are committed; this program is how they were made, and its
// --check mode tells whether they still match it.
//
//   make_palm_files PLANNER.prc PLANDATA.pdb TIDES.pdb          write all three
//   make_palm_files --check PLANNER.prc PLANDATA.pdb TIDES.pdb  exit 1 if any differs
#include "tools/generated/committed_files.h"
#include "tools/palmgen/sample_files.h"

int main(int argc, char** argv) {
  return generated::WriteOrCheck(
      argc, argv, "make_palm_files", "make_palm_files [--check] PLANNER.prc PLANDATA.pdb TIDES.pdb",
      {palmgen::PlannerApplication(), palmgen::PlannerData(), palmgen::TidesData()});
}
