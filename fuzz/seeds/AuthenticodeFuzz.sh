#!/usr/bin/env bash
exec "$(dirname "$0")/pe-fixtures.sh" "$@"
