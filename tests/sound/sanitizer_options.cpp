// Sanitizer settings of the sound tests, read when they run under the asan preset and
// ignored otherwise.

// libinstpatch 1.1.6 reads DLS info strings through a property getter that copies each
// string twice and frees one copy (ipatch_dls2_info_get_property), once per DLS load.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:ipatch_dls2_info_get_property\n";
}

// glib is built without frame pointers, so the fast unwinder stops at g_malloc and the
// suppression above could not see the function that leaked.
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}
