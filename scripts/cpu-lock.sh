# Sourced by scripts/test.sh and scripts/windows-build.sh.
#
# heavy COMMAND...: runs a step that keeps both cores busy (a build,
# clang-tidy). With LUG_CPU_LOCK (a lock file, set by .ci/run) it waits until
# no other such step holds the lock, so that the Linux and the Windows part
# running side by side never compile at once.
heavy() {
  if [ -z "${LUG_CPU_LOCK:-}" ]; then
    "$@"
    return
  fi
  (
    if ! flock -n 9; then
      local waited=$SECONDS
      flock 9
      echo "   (waited $((SECONDS - waited)) s for the other build to leave the cores)"
    fi
    "$@"
  ) 9>>"$LUG_CPU_LOCK"
}
