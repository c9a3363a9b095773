# Sourced by the script tests that run our programs on a display server or a compositor.

# norvessa_asan_options_without_leaks: prints ASAN_OPTIONS as set, with LeakSanitizer switched
# off, for one such program run (the asan preset's builds read it; others ignore it). A program
# there loads plugins we do not own (Qt's platform plugins, Mesa's GL drivers), which leave
# allocations behind at exit, some made by libraries already unloaded by then, so no suppression
# by library name can match them. Leaks in our own code are found by the in-process tests, which
# keep LeakSanitizer on; every other AddressSanitizer check stays on here.
norvessa_asan_options_without_leaks() {
    echo "${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
}
