#!/usr/bin/env bash
# Exits 0 when this machine can execute 32-bit x86 Linux programs (Wine needs them).
exec /lib/ld-linux.so.2 --version >/dev/null 2>&1
