# Sourced by scripts/test.sh --sanitize and scripts/fuzz.sh: how the sanitizer build's programs
# report. Any ASan or UBSan report stops the program with a failure, with a stack trace.
# LSan reads the suppressions of scripts/sanitize-leaks.supp (what the ODBC driver manager and
# the drivers it loads leave allocated at unload).
# faketime's library is preloaded by some tests ahead of the ASan runtime: that order is fine.
sanitize_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1:verify_asan_link_order=0:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$sanitize_root/scripts/sanitize-leaks.supp:print_suppressions=0"
