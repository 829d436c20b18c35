// The GL drivers are unloaded before LeakSanitizer looks, so their
// process-lifetime allocations cannot be told apart from ours; leaks are
// checked in the GL-free core tests and the fuzzers instead.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}
#endif
