# Copies Duktape's amalgamated source into BUILD_DIR and appends to the config copy
# the time budget switches (the interrupt counter, and the execution time check that
# asks the engine whether the current call is past its deadline) and the standard
# String.fromCharCode.
file(MAKE_DIRECTORY ${BUILD_DIR})
foreach(name duktape.c duktape.h)
  file(COPY_FILE ${SOURCE_DIR}/${name} ${BUILD_DIR}/${name} ONLY_IF_DIFFERENT)
endforeach()
file(READ ${SOURCE_DIR}/duk_config.h config)
string(APPEND config [=[

/* Added by the build: every evaluation runs within a time budget. */
#if !defined(DUK_CONFIG_TIME_BUDGET_ADDED)
#define DUK_CONFIG_TIME_BUDGET_ADDED
#define DUK_USE_INTERRUPT_COUNTER
#if defined(__cplusplus)
extern "C" {
#endif
/* Defined by the script engine; never throws, never calls back into Duktape. */
duk_bool_t script_engine_time_is_up(void *heap_udata);
#if defined(__cplusplus)
}
#endif
#define DUK_USE_EXEC_TIMEOUT_CHECK(udata) script_engine_time_is_up((udata))
/* String.fromCharCode takes its codes modulo 65536, as the language says; the
 * image path decoder relies on it. */
#undef DUK_USE_NONSTD_STRING_FROMCHARCODE_32BIT
#endif
]=])
file(WRITE ${BUILD_DIR}/duk_config.h.new "${config}")
file(COPY_FILE ${BUILD_DIR}/duk_config.h.new ${BUILD_DIR}/duk_config.h ONLY_IF_DIFFERENT)
file(REMOVE ${BUILD_DIR}/duk_config.h.new)
