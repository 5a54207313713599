#!/usr/bin/env bash
# Tells whether this machine runs 32-bit x86 programs, by running one: a
# 96-byte i386 ELF program, written here byte by byte, that only exits with
# status 42. Exit status 0 when it ran; otherwise 1, with the reason on
# standard output (for instance "Exec format error" from a kernel built or
# booted without 32-bit emulation). Needs no 32-bit package at all.
set -uo pipefail

probe="$(mktemp "${TMPDIR:-/tmp}/quillet-i386-probe.XXXXXX")"
trap 'rm -f "$probe"' EXIT

# ELF header: 32-bit, little-endian, executable, machine 3 (i386), entry
# 0x08048054, one program header at offset 52.
header='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
header+='\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
header+='\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
# One loadable segment: the whole file (96 bytes) at 0x08048000, read and execute.
segment='\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
segment+='\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
# mov eax, 1 (exit); mov ebx, 42; int 0x80
code='\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'
printf "$header$segment$code" >"$probe"
chmod +x "$probe"

reason="$( { "$probe"; } 2>&1 )"
status=$?
if [ $status -eq 42 ]; then
  exit 0
fi
# bash says "...: cannot execute binary file: Exec format error"; keep the
# system's own words, the part after the last colon.
reason="${reason##*: }"
[ -n "$reason" ] || reason="the 32-bit test program ended with status $status"
echo "$reason"
exit 1
