// The Sample Planner's HotSync conduit. HotSync Manager finds it through its registration
// (creator SmPl), loads it and calls these entry points by name. The planner keeps nothing on
// the desktop yet, so a synchronization has nothing to do and reports success.
namespace {

constexpr char kConduitName[] = "Sample Planner";
constexpr unsigned long kConduitVersion = 0x0100;  // 1.00: major in the high byte

}  // namespace

extern "C" {

// The name HotSync Manager shows for this conduit, cut to fit size bytes with its zero.
__declspec(dllexport) long GetConduitName(char* name, unsigned short size) {
  if (name == nullptr || size == 0) return -1;
  unsigned short i = 0;
  for (; i + 1 < size && kConduitName[i] != '\0'; ++i) name[i] = kConduitName[i];
  name[i] = '\0';
  return 0;
}

__declspec(dllexport) unsigned long GetConduitVersion() { return kConduitVersion; }

// One synchronization. progress reports to HotSync's status window; properties describe
// the user and the databases. Neither is needed while there is nothing to copy.
__declspec(dllexport) long OpenConduit(void* progress, void* properties) {
  (void)progress;
  (void)properties;
  return 0;
}

// The user asked to configure the conduit; there is nothing to choose.
__declspec(dllexport) long ConfigureConduit(void* preferences) {
  (void)preferences;
  return 0;
}

}  // extern "C"
