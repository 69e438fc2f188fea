#include "tools/palmgen/sample_files.h"

#include <cstring>

namespace palmgen {
namespace {

Bytes Text(const char* text) {
  return Bytes(text, text + std::strlen(text) + 1);  // with its terminating zero
}

DatabaseInfo SampleInfo(const char* name, uint32_t type, uint16_t attributes) {
  DatabaseInfo info;
  info.name = name;
  info.attributes = attributes;
  info.version = 1;
  info.created = kSampleTime;
  info.modified = kSampleTime;
  info.type = type;
  info.creator = kPlannerCreator;
  return info;
}

Bytes RecordDatabase(const char* name, uint32_t type, const char* const* texts, size_t count) {
  std::vector<Record> records;
  for (size_t i = 0; i < count; ++i)
    records.push_back({0, static_cast<uint32_t>(i + 1), Text(texts[i])});  // category Unfiled
  Bytes out;
  EncodeRecordDatabase(SampleInfo(name, type, kAttrBackup), records, &out);
  return out;
}

}  // namespace

Bytes PlannerApplication() {
  // Segment 0 is what the segment loader reads: 40 bytes above A5 (the 32-byte parameter
  // area and the jump table), no globals below it, and a jump table of one unloaded entry
  // that points at offset 0 of segment 1 (move.w #1,-(sp); _LoadSeg).
  const Bytes code0 = {
      0x00, 0x00, 0x00, 0x28,  // above A5
      0x00, 0x00, 0x00, 0x00,  // below A5: no globals
      0x00, 0x00, 0x00, 0x08,  // jump table size
      0x00, 0x00, 0x00, 0x20,  // jump table offset from A5
      0x00, 0x00, 0x3F, 0x3C, 0x00, 0x01, 0xA9, 0xF0,
  };
  // The whole application: its entry point answers every launch code with 0 (no error).
  const Bytes code1 = {
      0x70, 0x00,  // moveq #0,d0
      0x4E, 0x75,  // rts
  };
  // Launch preferences: priority 30, 4 KiB of stack, 4 KiB of heap.
  const Bytes pref0 = {0x00, 0x1E, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x10, 0x00};
  // No 'data' 0: it only feeds the globals set-up of a C start-up routine, and this code
  // has neither start-up routine nor globals.
  std::vector<Resource> resources = {
      {FourCharCode("code"), 0, code0},
      {FourCharCode("code"), 1, code1},
      {FourCharCode("pref"), 0, pref0},
      {FourCharCode("tAIN"), 1000, Text("Planner")},  // the name under the launcher's icon
      {FourCharCode("tver"), 1000, Text("2.0")},
  };
  Bytes out;
  EncodeResourceDatabase(SampleInfo("Sample Planner", FourCharCode("appl"), kAttrBackup), resources,
                         &out);
  return out;
}

Bytes PlannerData() {
  static const char* const kEntries[] = {
      "2004-03-01 09:00\tPlanning meeting",
      "2004-03-02 12:30\tLunch with the design team",
      "2004-03-05 17:00\tSend the quarterly report",
      "2004-03-08 08:15\tDentist",
  };
  return RecordDatabase("PlannerDB-SmPl", FourCharCode("DATA"), kEntries,
                        sizeof kEntries / sizeof kEntries[0]);
}

Bytes TidesData() {
  static const char* const kTides[] = {
      "2004-06-01\tHarbour\t05:12 high 4.1 m\t11:31 low 0.6 m",
      "2004-06-01\tHarbour\t17:40 high 4.3 m\t23:58 low 0.4 m",
      "2004-06-02\tHarbour\t06:01 high 4.0 m\t12:20 low 0.7 m",
  };
  return RecordDatabase("TidesDB-SmPl", FourCharCode("TIDE"), kTides,
                        sizeof kTides / sizeof kTides[0]);
}

}  // namespace palmgen
