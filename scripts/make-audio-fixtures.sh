#!/usr/bin/env bash
# Makes the small audio files of tests/fixtures/audio with Debian's own encoders and
# taggers: one file of every format the folder scans read (formats/, beside
# expectations.json, which holds what this script put in), a box set of twelve FLAC files
# ripped into one folder (discs/), and the pictures embedded in them (pictures/).
# Run once; the output is committed, so the tests never need the encoders.
# Needs: flac vorbis-tools opus-tools ffmpeg wavpack sox lame python3-mutagen, and
# python3-taglib for the one value no encoder is told: the bit rate the library reports
# (from the size of the stream where it has no nominal rate).
# Monkey's Audio has no encoder in Debian: its file is the format's header, written here,
# over silence, with an APE tag from mutagen.
set -euo pipefail
"$(dirname "$0")/install-deps.sh" --fixtures
out=${1:-"$(dirname "$0")/../tests/fixtures/audio"}
rm -rf "$out/formats" "$out/discs" "$out/pictures"
mkdir -p "$out/formats" "$out/discs" "$out/pictures"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
q=(-hide_banner -loglevel error -y)

# The pictures: a front cover (JPEG) and a back cover (PNG), a few hundred bytes each.
ffmpeg "${q[@]}" -f lavfi -i color=c=red:s=16x16 -frames:v 1 "$out/pictures/front.jpg"
ffmpeg "${q[@]}" -f lavfi -i color=c=blue:s=8x8 -frames:v 1 "$out/pictures/back.png"

# Sources: silence of 16 bit, 8 kHz mono and 44.1 kHz stereo; a second and a half, a second.
sox -D -n -r 8000 -c 1 -b 16 "$tmp/mono16.wav" trim 0 1.5
sox -D -n -r 44100 -c 2 -b 16 "$tmp/stereo16.wav" trim 0 1.5
sox -D -n -r 8000 -c 1 -b 16 "$tmp/short16.wav" trim 0 1

f=$out/formats
flac -s --no-padding -o "$f/flac.flac" "$tmp/stereo16.wav"
flac -s --no-padding --ogg -o "$f/oggflac.oga" "$tmp/mono16.wav"
oggenc -Q -b 32 -o "$f/vorbis.ogg" "$tmp/mono16.wav"
opusenc --quiet --bitrate 16 "$tmp/mono16.wav" "$f/opus.opus"
# Stereo: the MP4 sample entry of a mono AAC stream says two channels (the true count is
# in the decoder's configuration, which the library does not read).
ffmpeg "${q[@]}" -i "$tmp/stereo16.wav" -c:a aac -b:a 32k "$f/aac.m4a"
ffmpeg "${q[@]}" -i "$tmp/mono16.wav" -c:a alac "$f/alac.m4a"
ffmpeg "${q[@]}" -i "$tmp/mono16.wav" -c:a wmav2 -b:a 32k "$f/wma.wma"
wavpack -q -y "$tmp/mono16.wav" -o "$f/wavpack.wv"
sox -D "$tmp/mono16.wav" -t aiff "$f/aiff.AIFF"
sox -D "$tmp/mono16.wav" -b 8 "$f/wav.wav"
lame --quiet -b 32 "$tmp/mono16.wav" "$f/mp3.mp3"
# A film without sound: not an audio file, whatever its name says.
ffmpeg "${q[@]}" -f lavfi -i color=c=black:s=16x16:d=0.2 -an -c:v mpeg4 "$f/video.mp4"

for n in 01 02 03 04 05 06; do
  flac -s --no-padding -o "$out/discs/$n a.flac" "$tmp/short16.wav"
  flac -s --no-padding -o "$out/discs/$n b.flac" "$tmp/short16.wav"
done

/usr/bin/python3 - "$out" <<'PY'
import base64, json, os, struct, sys
import taglib
from mutagen.flac import FLAC, Picture
from mutagen.oggflac import OggFLAC
from mutagen.oggvorbis import OggVorbis
from mutagen.oggopus import OggOpus
from mutagen.mp4 import MP4, MP4Cover
from mutagen.asf import ASF, ASFByteArrayAttribute
from mutagen.apev2 import APEv2, APEValue, BINARY
from mutagen.aiff import AIFF
from mutagen.wave import WAVE
from mutagen.id3 import ID3, TIT2, TPE1, TPE2, TALB, TDRC, TRCK, TPOS, TCON, COMM, APIC

out = sys.argv[1]
formats = f"{out}/formats"
front = open(f"{out}/pictures/front.jpg", "rb").read()
back = open(f"{out}/pictures/back.png", "rb").read()

def flac_picture(data, mime, kind):
    p = Picture()
    p.type, p.mime, p.desc, p.data = kind, mime, "", data
    p.width = p.height = 8
    p.depth = 24
    return p

def xiph_picture(data, mime, kind):
    return base64.b64encode(flac_picture(data, mime, kind).write()).decode("ascii")

def asf_picture(data, mime, kind):
    text = lambda s: s.encode("utf-16-le") + b"\0\0"
    return struct.pack("<bI", kind, len(data)) + text(mime) + text("") + data

# Monkey's Audio: "MAC ", version 3.99, the 52-byte descriptor and the 24-byte header
# (1.5 s at 8 kHz, 16 bit mono: one frame of 12000 blocks), then silence.
audio = bytes(600)
descriptor = b"MAC " + struct.pack("<HH", 3990, 0) + struct.pack(
    "<IIIIIII", 52, 24, 4, 0, len(audio), 0, 0) + bytes(16)
header = struct.pack("<HHIIIHHI", 2000, 0, 73728, 12000, 1, 16, 1, 8000)
with open(f"{formats}/monkey.ape", "wb") as fh:
    fh.write(descriptor + header + struct.pack("<I", 0) + audio)

expected = []

def expect(path, fmt, rate, bits, channels, title, artist, album, year, comment, genre,
           track, disc, album_artist, picture):
    expected.append(dict(path=path, format=fmt, sampleRate=rate, bitsPerSample=bits,
                         channels=channels, title=title, artist=artist, album=album,
                         year=year, comment=comment, genre=genre, track=track, disc=disc,
                         albumArtist=album_artist, picture=picture))

def xiph(f, title, genre, track, disc, album_artist):
    f["TITLE"] = title
    f["ARTIST"] = "Xiph Artist"
    f["ALBUM"] = "Formats"
    f["DATE"] = "2003-04-05"
    f["COMMENT"] = "xiph comment"
    f["GENRE"] = genre
    f["TRACKNUMBER"] = track
    if disc:
        f["DISCNUMBER"] = disc
    if album_artist:
        f["ALBUMARTIST"] = album_artist

f = FLAC(f"{formats}/flac.flac")
xiph(f, "FLAC Title", "(17)", "3/12", "2/3", "Qel Ensemble")
f.add_picture(flac_picture(front, "image/jpeg", 3))
f.save(padding=lambda info: 0)
expect("flac.flac", "FLAC", 44100, 16, 2, "FLAC Title", "Xiph Artist", "Formats",
       "2003", "xiph comment", "Rock", 3, 2, "Qel Ensemble", True)

f = OggFLAC(f"{formats}/oggflac.oga")
xiph(f, "Ogg FLAC Title", "Jazz", "4", None, None)
f.save()
expect("oggflac.oga", "FLAC", 8000, 16, 1, "Ogg FLAC Title", "Xiph Artist",
       "Formats", "2003", "xiph comment", "Jazz", 4, 0, "", False)

f = OggVorbis(f"{formats}/vorbis.ogg")
xiph(f, "Vorbis Title", "9", "5", "1", "Qel Ensemble")
f["METADATA_BLOCK_PICTURE"] = [xiph_picture(back, "image/png", 4)]
f.save()
expect("vorbis.ogg", "Ogg Vorbis", 8000, 0, 1, "Vorbis Title", "Xiph Artist",
       "Formats", "2003", "xiph comment", "Metal", 5, 1, "Qel Ensemble", True)

f = OggOpus(f"{formats}/opus.opus")
xiph(f, "Opus Title", "shoegaze", "6", None, None)
f.save()
# Opus streams are decoded at 48 kHz, whatever the source's rate was.
expect("opus.opus", "Opus", 48000, 0, 1, "Opus Title", "Xiph Artist", "Formats",
       "2003", "xiph comment", "shoegaze", 6, 0, "", False)

def mp4(name, title, genre_atom, genre, disc, cover):
    f = MP4(f"{formats}/{name}")
    f["\xa9nam"] = title
    f["\xa9ART"] = "MP4 Artist"
    f["\xa9alb"] = "Formats"
    f["\xa9day"] = "2007"
    f["\xa9cmt"] = "mp4 comment"
    f[genre_atom] = genre
    f["trkn"] = [(7, 10)]
    f["disk"] = [disc]
    f["aART"] = "Qel Ensemble"
    if cover:
        f["covr"] = [MP4Cover(front, imageformat=MP4Cover.FORMAT_JPEG)]
    f.save()

mp4("aac.m4a", "AAC Title", "\xa9gen", "Jazz", (1, 2), True)
expect("aac.m4a", "AAC", 44100, 0, 2, "AAC Title", "MP4 Artist", "Formats", "2007",
       "mp4 comment", "Jazz", 7, 1, "Qel Ensemble", True)
# An ID3 genre number in the text (number 18 is Techno).
mp4("alac.m4a", "ALAC Title", "\xa9gen", "(18)", (2, 2), False)
expect("alac.m4a", "ALAC", 8000, 16, 1, "ALAC Title", "MP4 Artist", "Formats",
       "2007", "mp4 comment", "Techno", 7, 2, "Qel Ensemble", False)

f = ASF(f"{formats}/wma.wma")
f["Title"] = "WMA Title"
f["Author"] = "WMA Artist"
f["WM/AlbumTitle"] = "Formats"
f["WM/Year"] = "2011"
f["Description"] = "wma comment"
f["WM/Genre"] = "(2)"
f["WM/TrackNumber"] = "8"
f["WM/PartOfSet"] = "2/2"
f["WM/AlbumArtist"] = "Other Ensemble"
f["WM/Picture"] = [ASFByteArrayAttribute(asf_picture(front, "image/jpeg", 3))]
f.save()
expect("wma.wma", "WMA", 8000, 0, 1, "WMA Title", "WMA Artist", "Formats", "2011",
       "wma comment", "Country", 8, 2, "Other Ensemble", True)

def ape(name, title, genre, disc, album_artist, picture_key, picture):
    t = APEv2()
    t["Title"] = title
    t["Artist"] = "APE Artist"
    t["Album"] = "Formats"
    t["Year"] = "1999"
    t["Comment"] = "ape comment"
    t["Genre"] = genre
    t["Track"] = "9/9"
    if disc:
        t["Disc"] = disc
    if album_artist:
        t["Album Artist"] = album_artist
    if picture:
        t[picture_key] = APEValue(b"cover.jpg\0" + picture, BINARY)
    t.save(f"{formats}/{name}")

ape("wavpack.wv", "WavPack Title", "17", "1/2", "Qel Ensemble", "Cover Art (Front)", front)
expect("wavpack.wv", "WavPack", 8000, 16, 1, "WavPack Title", "APE Artist", "Formats",
       "1999", "ape comment", "Rock", 9, 1, "Qel Ensemble", True)
ape("monkey.ape", "Monkey Title", "Classical", None, None, "Cover Art (Back)", back)
expect("monkey.ape", "Monkey's Audio", 8000, 16, 1, "Monkey Title", "APE Artist",
       "Formats", "1999", "ape comment", "Classical", 9, 0, "", True)

def id3(tags, title, genre, disc, album_artist, picture):
    tags.add(TIT2(encoding=3, text=title))
    tags.add(TPE1(encoding=3, text="ID3 Artist"))
    tags.add(TALB(encoding=3, text="Formats"))
    tags.add(TDRC(encoding=3, text="2015"))
    tags.add(COMM(encoding=3, lang="eng", desc="", text="id3 comment"))
    tags.add(TCON(encoding=3, text=genre))
    tags.add(TRCK(encoding=3, text="10/12"))
    if disc:
        tags.add(TPOS(encoding=3, text=disc))
    if album_artist:
        tags.add(TPE2(encoding=3, text=album_artist))
    if picture:
        tags.add(APIC(encoding=3, mime="image/jpeg", type=3, desc="", data=picture))

f = AIFF(f"{formats}/aiff.AIFF")
f.add_tags()
id3(f.tags, "AIFF Title", "(13)", "1/1", "Qel Ensemble", front)
f.save()
expect("aiff.AIFF", "AIFF", 8000, 16, 1, "AIFF Title", "ID3 Artist", "Formats", "2015",
       "id3 comment", "Pop", 10, 1, "Qel Ensemble", True)

f = WAVE(f"{formats}/wav.wav")
f.add_tags()
id3(f.tags, "WAV Title", "Ambient", None, None, None)
f.save()
expect("wav.wav", "WAV", 8000, 8, 1, "WAV Title", "ID3 Artist", "Formats", "2015",
       "id3 comment", "Ambient", 10, 0, "", False)

tags = ID3()
id3(tags, "MP3 Title", "(8)", "3", "Qel Ensemble", front)
tags.save(f"{formats}/mp3.mp3", v2_version=3)
expect("mp3.mp3", "MP3", 8000, 0, 1, "MP3 Title", "ID3 Artist", "Formats", "2015",
       "id3 comment", "Jazz", 10, 3, "Qel Ensemble", True)

# The box set: discs 1 and 2 in one folder, track numbers starting again on each disc, so
# that name order mixes the discs. Two track artists, one album artist (missing on one
# file); a back cover on an early track, the front cover on a track of disc 2.
for n in range(1, 7):
    for side, disc in (("a", 1), ("b", 2)):
        f = FLAC(f"{out}/discs/{n:02d} {side}.flac")
        f["TITLE"] = f"Disc {disc} Track {n}"
        f["ARTIST"] = "Soloist" if n % 2 else "Choir"
        f["ALBUM"] = "Box Set"
        f["TRACKNUMBER"] = str(n)
        f["DISCNUMBER"] = f"{disc}/2"
        if (n, side) != (5, "a"):
            f["ALBUMARTIST"] = "Box Set Ensemble"
        if (n, side) == (2, "a"):
            f.add_picture(flac_picture(back, "image/png", 4))
        if (n, side) == (4, "b"):
            f.add_picture(flac_picture(front, "image/jpeg", 3))
        f.save(padding=lambda info: 0)

channels = {1: "mono", 2: "stereo"}
for e in expected:
    path = f"{formats}/{e['path']}"
    e["size"] = os.path.getsize(path)
    e["length"] = 1  # a second and a half, in whole seconds
    if e["format"] == "MP3":
        e["bitrate"] = 32
        e["description"] = "MPEG 2.5, layer 3, 32kbps, 8kHz, Single Channel"
        continue
    e["bitrate"] = taglib.File(path).bitrate
    parts = [e["format"]]
    if e["bitsPerSample"]:
        parts.append(f"{e['bitsPerSample']} bit")
    parts += [f"{e['sampleRate']:,} Hz", channels[e["channels"]], f"{e['bitrate']:,} kbps"]
    e["description"] = ", ".join(parts)
expected.sort(key=lambda e: e["path"].lower())
with open(f"{formats}/expectations.json", "w") as fh:
    json.dump(expected, fh, indent=4, sort_keys=True, ensure_ascii=False)
    fh.write("\n")
PY
