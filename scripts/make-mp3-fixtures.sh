#!/usr/bin/env bash
# Makes the small MP3 files of tests/fixtures/mp3 with a real encoder (lame) and tagger
# (python3-mutagen). Run once; the output is committed, beside expectations.json.
set -euo pipefail
out=${1:-"$(dirname "$0")/../tests/fixtures/mp3"}
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# One second of silence: 8 kHz mono raw samples.
head -c 16000 /dev/zero >"$tmp/silence.raw"
enc() { lame --quiet -r -s 8 -m m --bitwidth 16 --signed --little-endian "$@"; }

enc -b 32 --nohist -t "$tmp/silence.raw" "$out/v1.mp3"           # CBR, no Xing header
enc -b 32 -t "$tmp/silence.raw" "$out/v11.mp3"
enc -b 32 -t "$tmp/silence.raw" "$out/v23utf16.mp3"
enc -b 32 -t "$tmp/silence.raw" "$out/v24utf8.mp3"
enc -b 32 -t "$tmp/silence.raw" "$out/picture.mp3"
enc -V 9 "$tmp/silence.raw" "$out/vbr.mp3"                        # Xing header
enc -b 32 -t "$tmp/silence.raw" "$tmp/junk.mp3"

/usr/bin/python3 - "$out" "$tmp" <<'PY'
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TYER, TDRC, TRCK, TCON, COMM, APIC
out, tmp = sys.argv[1], sys.argv[2]

def v1(path, title, artist, album, year, comment, genre, track=None):
    def f(s, n):
        b = s.encode("cp1252")[:n]
        return b + b"\0" * (n - len(b))
    tag = b"TAG" + f(title, 30) + f(artist, 30) + f(album, 30) + f(year, 4)
    if track is None:
        tag += f(comment, 30)
    else:
        tag += f(comment, 28) + b"\0" + bytes([track])
    tag += bytes([genre])
    with open(path, "ab") as fh:
        fh.write(tag)

v1(f"{out}/v1.mp3", "Plain Title", "Plain Artist", "Plain Album", "1999",
   "a thirty character comment!!!", 17)
v1(f"{out}/v11.mp3", "Caf\u00e9", "Artist 11", "Album 11", "2001", "short", 115, track=7)

t = ID3()
t.add(TIT2(encoding=1, text="Wide \u00c9t\u00e9 \u266b"))
t.add(TPE1(encoding=1, text="UTF-16 Artist"))
t.add(TALB(encoding=1, text="UTF-16 Album"))
t.add(TYER(encoding=1, text="1987"))
t.add(TRCK(encoding=1, text="3/12"))
t.add(TCON(encoding=1, text="(17)Rock"))
t.add(COMM(encoding=1, lang="eng", desc="iTunNORM", text="player data"))
t.add(COMM(encoding=1, lang="eng", desc="", text="the comment"))
t.save(f"{out}/v23utf16.mp3", v2_version=3)
v1(f"{out}/v23utf16.mp3", "v1 title", "v1 artist", "v1 album", "1900", "v1 comment", 0)

t = ID3()
t.add(TIT2(encoding=3, text="UTF-8 \u00fcber \u65e5\u672c"))
t.add(TPE1(encoding=3, text="UTF-8 Artist"))
t.add(TDRC(encoding=3, text="2004-05-06"))
t.add(TRCK(encoding=3, text="11"))
t.add(TCON(encoding=3, text="shoegaze"))
t.save(f"{out}/v24utf8.mp3", v2_version=4)

t = ID3()
t.add(TIT2(encoding=0, text="With Picture"))
t.add(APIC(encoding=0, mime="image/jpeg", type=3, desc="", data=b"\xff\xd8" + b"\0" * 8000))
t.add(TALB(encoding=0, text="After The Picture"))
t.add(TCON(encoding=0, text="jazz"))
t.save(f"{out}/picture.mp3", v2_version=3)

t = ID3()
t.add(TIT2(encoding=3, text="Variable"))
t.save(f"{out}/vbr.mp3", v2_version=4)

# Junk between the tag and the first frame.
audio = open(f"{tmp}/junk.mp3", "rb").read()
t = ID3()
t.add(TIT2(encoding=0, text="Junk Before Audio"))
open(f"{tmp}/tag.mp3", "wb").close()
t.save(f"{tmp}/tag.mp3", v2_version=3, padding=lambda info: 0)
tag = open(f"{tmp}/tag.mp3", "rb").read()
with open(f"{out}/junk.mp3", "wb") as fh:
    fh.write(tag + b"JUNK\xff\x00junk" * 50 + audio)
PY
