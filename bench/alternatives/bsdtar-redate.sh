#!/usr/bin/env bash
# What a user would write instead with libarchive's bsdtar: list each archive
# below the paths with its entries' times (mtree output, the one listing of
# bsdtar that shows whole seconds) and touch it to the newest.
# bsdtar has no ARJ reader, so .arj files are left out.
find "$@" -type f \( -iname '*.zip' -o -iname '*.tar' -o -iname '*.tgz' -o -iname '*.tar.gz' \
  -o -iname '*.tar.bz2' -o -iname '*.tar.xz' -o -iname '*.7z' -o -iname '*.lzh' -o -iname '*.cab' \) -print0 |
while IFS= read -r -d '' archive; do
  newest=$(bsdtar -cf - --format=mtree --options='!all,time' @"$archive" 2>/dev/null |
    sed -n 's/.* time=\([0-9]*\).*/\1/p' | sort -n | tail -n 1)
  [ -n "$newest" ] && touch -m -d "@$newest" "$archive"
done
exit 0
