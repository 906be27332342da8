// What the sanitizers report of the libraries' own doings, not of ours;
// each hook is read only by its own sanitizer's runtime.
//
// LeakSanitizer: fontconfig keeps its font cache for the life of the process.
// ThreadSanitizer: Qt's pooled threads (used while laying out text) wait on
// a condition that Qt guards with its own futex-based mutex, which the
// uninstrumented library hides from the sanitizer; their teardown then looks
// like a race.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" const char* __tsan_default_suppressions();
extern "C" const char* __tsan_default_suppressions() { return "race:QWaitCondition::~QWaitCondition\n"; }
