#!/bin/sh
# Stands in for xdg-mime: answers "query default text/html" with $ZELMORA_TEST_HTML_HANDLER and
# notes every call in $ZELMORA_TEST_XDG_LOG.
[ -n "$ZELMORA_TEST_XDG_LOG" ] && echo "$*" >> "$ZELMORA_TEST_XDG_LOG"
[ "$*" = "query default text/html" ] || exit 1
echo "$ZELMORA_TEST_HTML_HANDLER"
