#!/usr/bin/env bash
# Writes the made-up sections of the sample update file into FOLDER: a.bin,
# brand.bin, c.bin and e.bin, random bytes that mean nothing to a device.
# The demonstration and the screenshots pack them with brindle-cli:
#   pack OUT.dwm --producer "Valdemo Tech Co." --A a.bin --C c.bin --E e.bin --brand BR01=brand.bin
set -euo pipefail
folder=${1:?usage: sample-sections.sh FOLDER}
head -c 4096 /dev/urandom >"$folder/a.bin"
head -c 3000 /dev/urandom >"$folder/brand.bin"
head -c 70000 /dev/urandom >"$folder/c.bin"
head -c 200000 /dev/urandom >"$folder/e.bin"
