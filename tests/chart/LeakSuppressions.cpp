// The font library that Qt loads for text keeps a few blocks it never frees;
// the leak checker of sanitized builds is told to let them be, and nothing else.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
