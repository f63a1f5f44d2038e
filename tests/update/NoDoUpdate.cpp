// An updater library that lacks DoUpdate, for the test of a program beside an unusable library.

extern "C" __attribute__((visibility("default"))) int BeginUpdate(void) {
    return 0;
}
