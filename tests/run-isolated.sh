#!/bin/sh
# Runs one test with a configuration folder of its own, removed afterwards, so that no test
# reads or writes the user's real configuration.
dir=$(mktemp -d "${TMPDIR:-/tmp}/quillmere-test.XXXXXX") || exit 1
XDG_CONFIG_HOME="$dir" "$@"
status=$?
rm -rf "$dir"
exit $status
