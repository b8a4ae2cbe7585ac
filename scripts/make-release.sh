#!/usr/bin/env bash
# Builds the release a café downloads: dist/pubg-status-<version>-win32.zip holding
#   pubg-status.exe   the program (stripped: the static runtime's debug information is of no use there)
#   config.ini        the sample configuration, GBK with CRLF line ends
#   使用说明.txt      the operator's guide, GBK with CRLF line ends (Notepad on a Chinese Windows 7 opens it)
# from the committed sources of HEAD, exported to a fresh directory and built in a clean build
# directory, so that what is released is exactly a commit. The same commit gives the same bytes: the
# link has no time stamp, and the zip holds its files in a fixed order with the commit's time.
#
#   scripts/make-release.sh            one build; prints the zip's sha256
#   scripts/make-release.sh --check    two builds from two clean exports in different directories;
#                                      compares the executables and the zips byte for byte, checks and
#                                      lists the zip's contents; exits non-zero on any difference
#   --worktree (with either)           builds the working tree's files instead of HEAD, to try changes
#                                      before they are committed; the zip's time is still HEAD's
#   PUBG_BUILD_ROOT  where the release builds go (default: build); PUBG_DIST_DIR (default: dist)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

check=0
from_worktree=0
for arg in "$@"; do
  case $arg in
    --check) check=1 ;;
    --worktree) from_worktree=1 ;;
    *) echo "usage: $0 [--check] [--worktree]" >&2; exit 2 ;;
  esac
done

build_root=${PUBG_BUILD_ROOT:-$root/build}
dist_dir=${PUBG_DIST_DIR:-$root/dist}
commit=$(git rev-parse HEAD)
# The zip's entries carry the commit's time, whenever and wherever it is built.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct HEAD)}
# Nothing of the builder's locale or time zone may reach the bytes.
export LC_ALL=C TZ=UTC
guide_name_in_zip="使用说明.txt"

version=$(sed -n 's/^project(pubg_status VERSION \([0-9]*\.[0-9]*\.[0-9]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "no version in CMakeLists.txt" >&2; exit 1; }
zip_name=pubg-status-$version-win32.zip

# The sources to build, in a fresh directory.
export_sources() {  # destination
  rm -rf "$1"
  mkdir -p "$1"
  if [ $from_worktree -eq 1 ]; then
    # Tracked and untracked files that are not ignored, as they are on disk now.
    git ls-files -z --cached --others --exclude-standard |
      while IFS= read -r -d '' f; do [ -f "$f" ] && printf '%s\0' "$f"; done |
      tar --null -T - -cf - | tar -xf - -C "$1"
  else
    git archive --format=tar "$commit" | tar -xf - -C "$1"
  fi
}

# UTF-8 with LF in the repository; GBK with CRLF in the release.
to_gbk_crlf() {  # source, destination
  iconv -f UTF-8 -t GBK "$1" | sed 's/$/\r/' >"$2"
}

# Writes the zip: fixed entry order, the commit's time on every entry, DOS attributes, and the guide's
# name in GBK, which is what the Explorer of a Chinese Windows 7 reads (it ignores the UTF-8 flag);
# an Info-ZIP Unicode path field carries the same name in UTF-8 for tools that read it.
write_zip() {  # stage directory, zip path
  python3 - "$1" "$2" "$guide_name_in_zip" <<'PY'
import os, struct, sys, time, zipfile, zlib

stage, out, guide_name = sys.argv[1], sys.argv[2], sys.argv[3]
entries = ["pubg-status.exe", "config.ini", guide_name]
DOS_EPOCH = 315532800  # 1980-01-01, the earliest time a zip entry can hold
moment = time.gmtime(max(int(os.environ["SOURCE_DATE_EPOCH"]), DOS_EPOCH))
UNICODE_PATH_FIELD = 0x7075
ATTRIBUTE_ARCHIVE = 0x20

class GbkNamedInfo(zipfile.ZipInfo):
    """Writes the name in GBK without the UTF-8 flag."""
    def _encodeFilenameFlags(self):
        return self.filename.encode("gbk"), self.flag_bits

def info_for(name):
    info = GbkNamedInfo(name, date_time=moment[:6])
    info.create_system = 0  # MS-DOS: the attributes below are Windows ones
    info.external_attr = ATTRIBUTE_ARCHIVE
    info.compress_type = zipfile.ZIP_DEFLATED
    encoded = name.encode("gbk")
    if encoded != name.encode("utf-8"):
        utf8 = name.encode("utf-8")
        body = struct.pack("<BI", 1, zlib.crc32(encoded)) + utf8
        info.extra = struct.pack("<HH", UNICODE_PATH_FIELD, len(body)) + body
    return info

with zipfile.ZipFile(out, "w") as archive:
    for name in entries:
        with open(os.path.join(stage, name), "rb") as f:
            archive.writestr(info_for(name), f.read(), compresslevel=9)
PY
}

# One release from a fresh export in `<dir>-src`, built in `<dir>`; leaves the zip at `<dir>/<zip name>`.
build_release() {  # build directory
  local build=$1 src=$1-src stage=$1/stage
  echo "== building $zip_name from $( [ $from_worktree -eq 1 ] && echo 'the working tree' || echo "commit $commit") in $build"
  export_sources "$src"
  rm -rf "$build"
  (cd "$src" && cmake --preset windows -B "$build" -DPUBG_TESTS=OFF >"$build.configure.log" 2>&1) ||
    { cat "$build.configure.log"; return 1; }
  cmake --build "$build" --target pubg-status >"$build.build.log" 2>&1 || { cat "$build.build.log"; return 1; }
  mkdir -p "$stage"
  i686-w64-mingw32-strip -o "$stage/pubg-status.exe" "$build/app/pubg-status.exe"
  to_gbk_crlf "$src/release/config.ini" "$stage/config.ini"
  to_gbk_crlf "$src/release/operator-guide.txt" "$stage/$guide_name_in_zip"
  write_zip "$stage" "$build/$zip_name"
}

sha() { sha256sum "$1" | cut -d' ' -f1; }

# Reads the zip back and checks what a café will find in it.
check_zip() {  # zip path
  python3 - "$1" "$guide_name_in_zip" <<'PY'
import os, re, sys, time, zipfile

path, guide_name = sys.argv[1], sys.argv[2]
problems = []
expected_names = ["pubg-status.exe", "config.ini", guide_name]
# Zip times count seconds in twos.
moment = tuple(time.gmtime(max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800))[:6])
moment = moment[:5] + (moment[5] // 2 * 2,)

with zipfile.ZipFile(path) as archive:
    infos = archive.infolist()
    # Stored without the UTF-8 flag, the names must read back as GBK.
    names = [i.orig_filename.encode("cp437").decode("gbk") if not i.flag_bits & 0x800 else i.filename
             for i in infos]
    print(f"{'bytes':>9}  {'packed':>9}  {'time':19}  crc32     name")
    for info, name in zip(infos, names):
        stamp = "%04d-%02d-%02d %02d:%02d:%02d" % info.date_time
        print(f"{info.file_size:>9}  {info.compress_size:>9}  {stamp}  {info.CRC:08x}  {name}")
        if info.flag_bits & 0x800:
            problems.append(f"{name}: stored with the UTF-8 flag, which Windows 7 does not read")
        if info.date_time != moment:
            problems.append(f"{name}: time {stamp}, not the commit's")
    if names != expected_names:
        problems.append(f"entries {names}, expected {expected_names} in that order")
    contents = {name: archive.read(info) for info, name in zip(infos, names)}

exe = contents.get("pubg-status.exe", b"")
if not exe.startswith(b"MZ") or b"PE\0\0\x4c\x01" not in exe[:1024]:
    problems.append("pubg-status.exe is not a 32-bit x86 Windows executable")
if len(exe) >= 1024 * 1024:
    problems.append(f"pubg-status.exe is {len(exe)} bytes, not under 1 MiB")

def gbk_lines(name):
    data = contents.get(name, b"")
    if not data:
        problems.append(f"{name} is missing or empty")
        return []
    if data.startswith(b"\xef\xbb\xbf"):
        problems.append(f"{name} starts with a UTF-8 byte-order mark")
    if data.count(b"\n") != data.count(b"\r\n") or data.count(b"\r") != data.count(b"\r\n") or not data.endswith(b"\r\n"):
        problems.append(f"{name}: not every line ends in CR LF")
    try:
        return data.decode("gbk").split("\r\n")[:-1]
    except UnicodeDecodeError as e:
        problems.append(f"{name} is not GBK: {e}")
        return []

# The platform's INI reader keeps everything after '=' as the value: comments only on lines of their own.
values = {}
section = None
for number, line in enumerate(gbk_lines("config.ini"), 1):
    if not line.strip() or line.startswith(";"):
        continue
    if re.fullmatch(r"\[[^\]]+\]", line):
        section = line[1:-1]
        continue
    key, sep, value = line.partition("=")
    if not sep or section != "config" or key not in ("CheckTime", "logFlag", "MsgTxt"):
        problems.append(f"config.ini line {number}: {line!r} is no key of [config]")
    elif ";" in value or value != value.strip():
        problems.append(f"config.ini line {number}: the value of {key} carries a comment or spaces: {value!r}")
    elif key in values:
        problems.append(f"config.ini line {number}: {key} given twice")
    else:
        values[key] = value
for key, wanted in (("CheckTime", "30"), ("logFlag", "0")):
    if values.get(key) != wanted:
        problems.append(f"config.ini: {key}={values.get(key)!r}, the sample should show the default {wanted}")
if not values.get("MsgTxt"):
    problems.append("config.ini: no MsgTxt")

guide = "\n".join(gbk_lines(guide_name))
for topic, words in (("what the window shows", ["当前状态", "在线人数", "更新时间"]),
                     ("configuration", ["CheckTime", "logFlag", "MsgTxt", "GBK"]),
                     ("the log beside the exe", ["pubg-status.log", "同名"]),
                     ("what a failed query means", ["查询失败", "DNS", "TLS", "不是游戏服务器"]),
                     ("administrator rights", ["管理员"]),
                     ("the two registry values", ["FEATURE_GPU_RENDERING", "FEATURE_BROWSER_EMULATION", "10000"])):
    missing = [w for w in words if w not in guide]
    if missing:
        problems.append(f"{guide_name} does not cover {topic}: {missing} not found")

for p in problems:
    print("PROBLEM:", p)
sys.exit(1 if problems else 0)
PY
}

mkdir -p "$dist_dir"
if [ $check -eq 0 ]; then
  build_release "$build_root/release"
  cp "$build_root/release/$zip_name" "$dist_dir/$zip_name"
  echo "$dist_dir/$zip_name"
  echo "sha256 $(sha "$dist_dir/$zip_name")"
  exit 0
fi

# Two exports in different directories, two clean builds: neither a path nor a leftover may matter.
build_release "$build_root/release-a"
build_release "$build_root/release-b"
status=0
compare() {  # what, file a, file b
  local a b
  a=$(sha "$2")
  b=$(sha "$3")
  if [ "$a" = "$b" ]; then
    echo "same bytes: $1  sha256 $a"
  else
    echo "DIFFERENT: $1  $a vs $b"
    cmp "$2" "$3" | head -n 5 || true
    status=1
  fi
}
echo "== comparing the two builds"
compare "pubg-status.exe as linked" "$build_root/release-a/app/pubg-status.exe" "$build_root/release-b/app/pubg-status.exe"
compare "pubg-status.exe as released" "$build_root/release-a/stage/pubg-status.exe" \
  "$build_root/release-b/stage/pubg-status.exe"
compare "$zip_name" "$build_root/release-a/$zip_name" "$build_root/release-b/$zip_name"
echo "== contents of $zip_name"
check_zip "$build_root/release-a/$zip_name" || status=1
if [ $status -eq 0 ]; then
  cp "$build_root/release-a/$zip_name" "$dist_dir/$zip_name"
  echo "release checked: $dist_dir/$zip_name  sha256 $(sha "$dist_dir/$zip_name")"
fi
exit $status
