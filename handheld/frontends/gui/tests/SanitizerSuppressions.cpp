// What the sanitizers report of the libraries' own doings, not of ours;
// each hook is read only by its own sanitizer's runtime.
//
// LeakSanitizer: fontconfig keeps its font cache for the life of the process.
// ThreadSanitizer: Qt is not built for it, and its own threads (the pool it
// paints and converts images with) synchronise through futex-based mutexes
// the sanitizer cannot see; what they do to their own memory then looks like
// races. Calls from Qt into the C library are left unwatched. Our code is
// instrumented itself and stays watched, on every thread.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" const char* __tsan_default_suppressions();
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\n"
         "called_from_lib:libQt6Gui.so.6\n"
         "called_from_lib:libQt6Widgets.so.6\n";
}
