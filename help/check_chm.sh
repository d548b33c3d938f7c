#!/usr/bin/env bash
# Checks a compiled Quillot.chm: usage  check_chm.sh PATH/TO/Quillot.chm
#
# Always (needs only python3): the file is a CHM (ITSF) whose directory holds the topic
# /htmls/index.htm the program opens, every file of help/htmls/ and the contents and index files,
# and whose system record names language 0x804 (simplified Chinese), the default topic
# htmls/index.htm and a title in GBK.
# When extract_chmLib (Debian package libchm-bin) is installed, also: every stored page, contents
# and index file is exactly the GBK form of its UTF-8 source, so the viewer reads GBK text.
# Exits 0 when every check passes, 1 when one fails, 2 on wrong usage.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 PATH/TO/Quillot.chm" >&2
  exit 2
fi
chm=$1
help_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ ! -f "$chm" ]; then
  echo "FAIL: $chm does not exist" >&2
  exit 1
fi

python3 - "$chm" "$help_dir" <<'PY'
import os, struct, sys

chm_path, help_dir = sys.argv[1], sys.argv[2]
data = open(chm_path, 'rb').read()
failures = []

def fail(msg):
    failures.append(msg)

def encint(buf, pos):
    """A CHM directory number: 7 bits a byte, most significant first, high bit = more."""
    value = 0
    while True:
        byte = buf[pos]
        pos += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, pos

def damaged(kind, value, tb):
    print(f'FAIL: {chm_path} is damaged: {value!r}')
    sys.exit(1)
sys.excepthook = damaged

if data[:4] != b'ITSF':
    print(f'FAIL: {chm_path} is not a CHM file (no ITSF signature)')
    sys.exit(1)

version = struct.unpack_from('<I', data, 4)[0]
dir_offset, dir_length = struct.unpack_from('<QQ', data, 0x48)
content_offset = struct.unpack_from('<Q', data, 0x58)[0] if version >= 3 else dir_offset + dir_length
if data[dir_offset:dir_offset + 4] != b'ITSP':
    print('FAIL: no ITSP directory header')
    sys.exit(1)
itsp_length, chunk_size = struct.unpack_from('<I', data, dir_offset + 8)[0], struct.unpack_from('<I', data, dir_offset + 0x10)[0]
first_chunk = struct.unpack_from('<i', data, dir_offset + 0x20)[0]
chunks_start = dir_offset + itsp_length

entries = {}  # name -> (section, offset, length)
chunk = first_chunk
seen = set()
while chunk != -1 and chunk not in seen:
    seen.add(chunk)
    base = chunks_start + chunk * chunk_size
    if data[base:base + 4] != b'PMGL':
        fail(f'directory chunk {chunk} is not a listing chunk')
        break
    free_space = struct.unpack_from('<I', data, base + 4)[0]
    next_chunk = struct.unpack_from('<i', data, base + 0x10)[0]
    pos, end = base + 0x14, base + chunk_size - free_space
    while pos < end:
        name_length, pos = encint(data, pos)
        name = data[pos:pos + name_length].decode('utf-8')
        pos += name_length
        section, pos = encint(data, pos)
        offset, pos = encint(data, pos)
        length, pos = encint(data, pos)
        entries[name] = (section, offset, length)
    chunk = next_chunk

required = ['/htmls/index.htm', '/Quillot.hhc', '/Quillot.hhk']
required += sorted('/htmls/' + f for f in os.listdir(os.path.join(help_dir, 'htmls'))
                   if '/htmls/' + f not in required)
for name in required:
    if name not in entries:
        fail(f'{name} is missing from the CHM')
    elif entries[name][2] == 0:
        fail(f'{name} is empty in the CHM')

# The system record lives uncompressed in section 0.
system = entries.get('/#SYSTEM')
if system is None or system[0] != 0:
    fail('no uncompressed /#SYSTEM record')
else:
    rec = data[content_offset + system[1]:content_offset + system[1] + system[2]]
    fields, pos = {}, 4
    while pos + 4 <= len(rec):
        code, size = struct.unpack_from('<HH', rec, pos)
        fields[code] = rec[pos + 4:pos + 4 + size]
        pos += 4 + size
    lcid = struct.unpack_from('<I', fields[4], 0)[0] if 4 in fields else None
    if lcid != 0x804:
        fail(f'language is {lcid!r}, not 0x804 (simplified Chinese)')
    if fields.get(2, b'').rstrip(b'\0') != b'htmls/index.htm':
        fail(f'default topic is {fields.get(2)!r}, not htmls/index.htm')
    try:
        title = fields.get(3, b'').rstrip(b'\0').decode('gbk')
        if '帮助' not in title:
            fail(f'title {title!r} lacks 帮助')
    except UnicodeDecodeError:
        fail('title is not GBK text')

for msg in failures:
    print('FAIL:', msg)
if failures:
    sys.exit(1)
print(f'ok: {len(required)} required files present, language 0x804, default topic htmls/index.htm')
PY

if ! command -v extract_chmLib >/dev/null 2>&1; then
  echo "note: extract_chmLib (package libchm-bin) not installed; GBK content check skipped"
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
extract_chmLib "$chm" "$work/out" >/dev/null
status=0
for src in "$help_dir"/Quillot.hhc "$help_dir"/Quillot.hhk "$help_dir"/htmls/*.htm "$help_dir"/htmls/*.css; do
  rel=${src#"$help_dir"/}
  # The build declares the converted pages as GB2312 (the charset name old viewers know for GBK).
  if ! sed 's/charset=utf-8/charset=gb2312/' "$src" | iconv -f UTF-8 -t GBK | cmp -s - "$work/out/$rel"; then
    echo "FAIL: /$rel in the CHM is not the GBK form of help/$rel"
    status=1
  fi
done
# grep -c reads to the end: -q would stop early and, under pipefail, iconv's broken pipe would
# fail the check now and then.
if ! iconv -f GBK -t UTF-8 "$work/out/htmls/index.htm" | grep -c '插件清除' >/dev/null; then
  echo "FAIL: /htmls/index.htm does not read as GBK text about 插件清除"
  status=1
fi
[ $status -eq 0 ] && echo "ok: every page, the contents and the index are stored as GBK text"
exit $status
