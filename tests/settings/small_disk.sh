#!/bin/bash
# A file system of its own, a few pages large, for the tests of a full disk:
#   small_disk.sh mount DIR    mounts it at DIR and marks it with DIR/.mounted
#   small_disk.sh umount DIR   takes it away again
# Mounting needs root; without it the tests that need the disk say so and skip.
set -u
dir=$2
case $1 in
  mount)
    mkdir -p "$dir"
    umount "$dir" 2>/dev/null
    if mount -t tmpfs -o size=256k,mode=0777 tandem-small-disk "$dir" 2>/tmp/small-disk.$$; then
      touch "$dir/.mounted"
      echo "small disk: 256 KB at $dir"
    else
      echo "small disk: none here ($(head -c 200 /tmp/small-disk.$$)); the full-disk tests skip"
    fi
    rm -f /tmp/small-disk.$$
    ;;
  umount)
    umount "$dir" 2>/dev/null
    rmdir "$dir" 2>/dev/null
    ;;
esac
exit 0
