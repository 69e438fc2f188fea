// Calendar helpers the Sample Planner's desktop parts share; installed once into the system
// folder so that every part loads the same copy.
extern "C" {

// The library's version, 2.00: major in the high byte.
__declspec(dllexport) unsigned long PlannerCoreVersion() { return 0x0200; }

// Days in month (1..12) of year in the Gregorian calendar; 0 for a month out of range.
__declspec(dllexport) int PlannerDaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // extern "C"
