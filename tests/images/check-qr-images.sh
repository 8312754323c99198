#!/usr/bin/env bash
# QR pictures and converted images read back by Linux tools. write-qr-images.vbs drives the registered server
# of one architecture late-bound under cscript; then zbarimg decodes every QR picture it wrote (the raw bytes,
# so the UTF-8 of non-ASCII text is compared byte for byte), identify checks sizes and colours, and `file`
# and identify name the format of every converted file. Input images for the conversions come from ImageMagick.
# Usage: check-qr-images.sh x64|x86
set -uo pipefail
source "$(dirname "$0")/../wine/env.sh"
arch=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "$WINEPREFIX/drive_c/images.XXXXXX") || { echo "no Wine prefix at $WINEPREFIX"; exit 1; }
trap '[ -n "${KEEP_WORK-}" ] || rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8  # cscript reads its arguments as UTF-8 only so

passed=0; failed=0; skipped=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }
skip() { skipped=$((skipped + 1)); echo "SKIP: $*"; }

# Linux path of a path the server returned (C: is the prefix's drive_c, Z: the root).
unix_path() {
  local p=${1//\\//}
  case "$p" in
    [Cc]:/*) printf '%s/drive_c/%s' "$WINEPREFIX" "${p:3}" ;;
    [Zz]:/*) printf '/%s' "${p:3}" ;;
    *) printf '%s' "$p" ;;
  esac
}

# Two hex colours equal within one step per channel (TIFF palettes hold 16-bit values that read back
# one step lower).
near_color() {
  local a=$1 b=$2 i x y
  [ ${#a} = 6 ] && [ ${#b} = 6 ] || return 1
  for i in 0 2 4; do
    x=$((16#${a:i:2})); y=$((16#${b:i:2}))
    [ $((x - y)) -le 1 ] && [ $((y - x)) -le 1 ] || return 1
  done
}

pixel() { identify -format "%[hex:p{$2,$3}]" "$1" 2>/dev/null; }

# QR cases: name | FileOut | format | SizePixel | R | G | B | VersionSymbol | LevelErrCorrect | tail,
# then the text, the text the decoder must give back, and the expected side in pixels (0: not known here;
# from the symbol capacities: "Hello" is version 1 at level M, 21 modules, plus 8 for the quiet zone).
long_text=$(printf 'Line %03d of a longer text, mixed Case and digits 0123456789. ' $(seq 1 16))
cases=(
  "hello|hello|4|4|0|0|0|0|1|"          "Hello"  "Hello"  116
  "colour|colour|4|3|200|10|30|5|3|"    "Hello"  "Hello"  135
  "cyrillic|cyr|4|2|0|0|255|0|1|"       "Привет, мир! Съешь же ещё этих мягких французских булок"  "Привет, мир! Съешь же ещё этих мягких французских булок"  0
  "cjk bmp|cjk|0|2|0|128|0|0|0|"         "日本語のテキスト 😀 ✓"  "日本語のテキスト 😀 ✓"  0
  "latin tiff|latin.tif|3|4|0|0|120|0|2|" "Größe, café, naïve — «quotes»"  "Größe, café, naïve — «quotes»"  0
  "jpeg|photo|1|6|0|0|0|0|2|"            "JPEG keeps it readable"  "JPEG keeps it readable"  0
  "numeric|num|4|4|0|0|0|0|1|"          "0123456789012345"  "0123456789012345"  116
  "mixed-case url|url|4|3|0|0|0|0|1|"   "https://example.org/Korvel?q=MiXeD&x=1"  "https://example.org/Korvel?q=MiXeD&x=1"  0
  "long text|long|4|2|0|0|0|0|0|"       "$long_text"  "$long_text"  0
  "text after U+0000|zero|4|4|0|0|0|0|1|nul" "before"  "before"  116
  "version 1 raised|raised|4|2|0|0|0|1|3|" "This text does not fit version 1 at level H"  "This text does not fit version 1 at level H"  0
  "empty FileOut||4|4|0|0|0|0|1|"       "Into TEMP"  "Into TEMP"  116
  "gif|qr.gif|2|4|0|0|0|0|1|"           "GIF"  "GIF"  116
)
conversions=()

commands=()
for ((i = 0; i < ${#cases[@]}; i += 4)); do
  IFS='|' read -r _ out fmt size r g b ver lvl tail <<<"${cases[i]}"
  commands+=("qr|$out|$fmt|$size|$r|$g|$b|$ver|$lvl|$tail" "${cases[i + 1]}")
done
commands+=("text" "Only the text")

# Conversions: the QR picture "hello.PNG" into every format, and ImageMagick's pictures of every format
# into every format.
ext=(BMP JPEG GIF TIFF PNG)
magick_name=(BMP JPEG GIF TIFF PNG)
file_word=("PC bitmap" "JPEG image data" "GIF image data" "TIFF image data" "PNG image data")
convert -size 64x48 gradient:red-blue -type TrueColor "$work/in0.png" \
  && convert "$work/in0.png" -type TrueColor BMP3:"$work/in0.bmp" \
  && convert "$work/in0.png" -quality 90 "$work/in1.jpeg" \
  && convert "$work/in0.png" -colors 64 "$work/in2.gif" \
  && convert "$work/in0.png" "$work/in3.tiff" \
  && cp "$work/in0.png" "$work/in4.png" || { echo "ImageMagick could not make the inputs"; exit 1; }
inputs=(in0.bmp in1.jpeg in2.gif in3.tiff in4.png)
for f in 0 1 2 3 4; do
  commands+=("convert|hello.PNG|qr-to-$f.img|$f")
  for s in 0 1 2 3 4; do commands+=("convert|${inputs[s]}|$s-to-$f|$f"); done
done

if [ "$arch" = x64 ]; then runner=("$WINE64" "$CSCRIPT64"); else runner=("$WINE32" "$CSCRIPT32"); fi
script="$work/write-qr-images.vbs"
sed 's/$/\r/' "$here/write-qr-images.vbs" >"$script"
[ -n "${SHOW_WRITER-}" ] && set -x
output=$(cd "$work" && "${runner[@]}" //nologo "$(winpath "$script")" "$(winpath "$work")" "${commands[@]}" 2>/dev/null | tr -d '\r')
[ -n "${SHOW_WRITER-}" ] && printf "%s\n" "$output"
declare -A status path
while read -r word n rest; do
  case "$word" in ok|err) status[$n]=$word; path[$n]=$rest ;; *) echo "writer: $word $n $rest" ;; esac
done <<<"$output"

decode() { zbarimg --raw -q "$1" 2>/dev/null; }

in_temp=()
n=0
for ((i = 0; i < ${#cases[@]}; i += 4)); do
  n=$((n + 1))
  IFS='|' read -r what out fmt size r g b ver lvl tail <<<"${cases[i]}"
  expected=${cases[i + 2]}; side=${cases[i + 3]}
  if [ "${status[$n]-}" != ok ]; then
    if [ "$fmt" = 2 ] && [ "${status[$n]-}" = err ]; then
      # Wine's GDI+ cannot save a 1-bit bitmap as GIF (8- and 24-bit ones it can): seen only on Windows.
      skip "$what: Wine's GDI+ cannot write a 1-bit GIF (error ${path[$n]})"
      if [ ! -e "$work/$out" ]; then pass; else fail "$what: the failed save left a file"; fi
      continue
    fi
    fail "$what: QRcodePrint gave ${status[$n]-nothing} ${path[$n]-}"
    continue
  fi
  file=$(unix_path "${path[$n]}")
  if [ -z "$out" ]; then
    in_temp+=("$file")
    case "${path[$n]}" in *'\{'????????-????-????-????-????????????'}.PNG') pass ;; *) fail "$what: temporary name ${path[$n]}" ;; esac
  fi
  if [ ! -f "$file" ]; then fail "$what: no file at ${path[$n]}"; continue; fi
  if [ -z "$out" ]; then  # ImageMagick misreads some paths with braces: the checks read a copy
    cp "$file" "$work/from-temp-$n.PNG"
    file="$work/from-temp-$n.PNG"
  fi
  got=$(decode "$file")
  if [ "$got" = "$expected" ]; then pass; else fail "$what: decoded '$got', expected '$expected'"; fi
  kind=$(file -b "$file")
  case "$kind" in "${file_word[fmt]}"*) pass ;; *) fail "$what: file says '$kind'" ;; esac
  dims=$(identify -format '%w %h' "$file" 2>/dev/null)
  read -r w h <<<"$dims"
  if [ "${w:-0}" = "${h:-1}" ] && [ $((w % size)) = 0 ] && [ $(((w / size - 8 - 17) % 4)) = 0 ]; then pass
  else fail "$what: $dims is not a square of whole modules"; fi
  if [ "$side" != 0 ]; then
    if [ "$w" = "$side" ]; then pass; else fail "$what: side $w, expected $side"; fi
  fi
  if [ "$fmt" != 1 ]; then  # JPEG blurs edges; the other formats keep exact pixels
    q=$((4 * size))
    color=$(printf '%02X%02X%02X' "$r" "$g" "$b")
    corner=$(pixel "$file" $((q - 1)) $((q - 1))); first=$(pixel "$file" "$q" "$q"); edge=$(pixel "$file" 0 0)
    if near_color "$edge" FFFFFF && near_color "$corner" FFFFFF; then pass; else fail "$what: quiet zone $edge $corner"; fi
    if near_color "$first" "$color"; then pass; else fail "$what: first dark module $first, expected $color"; fi
    colors=$(convert "$file" -format '%k' info: 2>/dev/null)
    if [ "$colors" = 2 ]; then pass; else fail "$what: $colors colours"; fi
  fi
done

n=$((n + 1))
if [ "${status[$n]-}" = ok ] && [ "$(decode "$(unix_path "${path[$n]}")")" = "Only the text" ]; then pass
else fail "QRcodePrint with only its text: ${status[$n]-} ${path[$n]-}"; fi
in_temp+=("$(unix_path "${path[$n]-}")")
rm -f "${in_temp[@]}"

for f in 0 1 2 3 4; do
  n=$((n + 1))
  out="$work/qr-to-$f.img"
  if [ "${status[$n]-}" != ok ]; then
    if [ "$f" = 2 ]; then
      skip "QR PNG to GIF: Wine's GDI+ cannot write a 1-bit GIF"
      if [ ! -e "$out" ]; then pass; else fail "QR PNG to GIF: the failed save left a file"; fi
    else
      fail "QR PNG to ${ext[f]}: error ${path[$n]-}"
    fi
  else
    got=$(decode "$out")
    if [ "$got" = Hello ]; then pass; else fail "QR PNG to ${ext[f]}: decoded '$got'"; fi
    kind=$(file -b "$out")
    case "$kind" in "${file_word[f]}"*) pass ;; *) fail "QR PNG to ${ext[f]}: file says '$kind'" ;; esac
  fi
  for s in 0 1 2 3 4; do
    n=$((n + 1))
    out="$work/$s-to-$f"
    what="${ext[s]} to ${ext[f]}"
    if [ "${status[$n]-}" != ok ]; then fail "$what: error ${path[$n]-}"; continue; fi
    kind=$(file -b "$out")
    case "$kind" in "${file_word[f]}"*) pass ;; *) fail "$what: file says '$kind'" ;; esac
    got=$(identify -format '%m %w %h' "$out" 2>/dev/null)
    case "$got" in
      "${magick_name[f]}"*" 64 48") pass ;;
      *)
        if [ "$f" = 2 ] && { [ "$s" = 0 ] || [ "$s" = 1 ]; } && [ "$(stat -c %s "$out")" -lt 64 ]; then
          # Wine's GDI+ reports success but writes a stub GIF of a few bytes from 24-bit BMP and JPEG input.
          skip "$what: Wine's GDI+ writes a broken GIF from this input"
        else
          fail "$what: identify says '$got'"
        fi ;;
    esac
  done
done

leftovers=$(ls -A "$work" | grep -e '^~' -e '\.tmp$')
if [ -z "$leftovers" ]; then pass; else fail "partial files left: $leftovers"; fi

echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" = 0 ]
