// Under LeakSanitizer: fontconfig keeps its font cache for the life of the
// process and never frees it, which is not a leak of ours. Unused elsewhere.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
