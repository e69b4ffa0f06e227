// Sanitizer settings of the test programs (and of skarnel-replay, which the
// replay tests run), built into each of them in the sanitizer build, so a
// test run behaves the same whoever starts it (ctest, CI or a person running
// one binary) without any variable set outside.
// A variable set in the environment still overrides these.

extern "C" {

// Stop at the first report, with an abort that ctest sees as a failure. Leaks
// are not looked for here: the OpenGL driver, loaded and unloaded at run time,
// leaves blocks that cannot be told from ours. The fuzz targets, which load
// no driver, are where leaks are hunted.
const char* __asan_default_options() { return "abort_on_error=1:detect_leaks=0"; }

const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

}
