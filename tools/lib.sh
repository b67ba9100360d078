# Sourced by the build scripts. The presets in CMakePresets.json put $CORVANE_LAUNCHER before
# every compiler call: ccache when it is installed, unless the caller chose otherwise.
if [ -z "${CORVANE_LAUNCHER+set}" ] && command -v ccache >/dev/null; then
  export CORVANE_LAUNCHER=ccache
fi
