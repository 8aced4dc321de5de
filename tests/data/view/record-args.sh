#!/bin/sh
# Stands in for a browser: writes the arguments after the first, each ended by a zero byte, to the
# file the first one names (through a temporary file, so that a reader never sees half of it).
out=$1
shift
printf '%s\0' "$@" > "$out.part" && mv "$out.part" "$out"
