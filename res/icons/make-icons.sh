#!/bin/sh
# Rebuilds the program's icons (*.ico) from their drawings (*.svg).
# Each icon holds one 32x32 image, 32 bits per pixel with alpha, stored as an
# uncompressed DIB rather than PNG so that old Windows versions can read it.
# Needs rsvg-convert (librsvg2-bin) and ImageMagick's convert.
# Usage: make-icons.sh [name...]   (default: every *.svg beside this script)
set -eu

here=$(cd "$(dirname "$0")" && pwd)
cd "$here"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM

# Prints the unsigned little-endian value of $3 bytes at offset $2 of file $1.
le() {
    od -An -tu1 -j "$2" -N "$3" "$1" | awk '{ v = 0; for (i = NF; i >= 1; i--) v = v * 256 + $i; print v }'
}

check_ico() {
    f=$1
    ok=1
    [ "$(le "$f" 0 2)" = 0 ] && [ "$(le "$f" 2 2)" = 1 ] && [ "$(le "$f" 4 2)" = 1 ] || ok=0
    # Directory entry: width and height 0x20, planes 1, 32 bits per pixel.
    [ "$(le "$f" 6 1)" = 32 ] && [ "$(le "$f" 7 1)" = 32 ] || ok=0
    [ "$(le "$f" 10 2)" = 1 ] && [ "$(le "$f" 12 2)" = 32 ] || ok=0
    off=$(le "$f" 18 4)
    # Image: BITMAPINFOHEADER (40 bytes), 32 wide, 64 high (colour rows plus
    # mask rows), 32 bits per pixel, BI_RGB; a PNG entry would start 137 'P'.
    [ "$(le "$f" "$off" 4)" = 40 ] || ok=0
    [ "$(le "$f" $((off + 4)) 4)" = 32 ] && [ "$(le "$f" $((off + 8)) 4)" = 64 ] || ok=0
    [ "$(le "$f" $((off + 14)) 2)" = 32 ] && [ "$(le "$f" $((off + 16)) 4)" = 0 ] || ok=0
    # 40 header + 32*32*4 colour + 32*4 mask bytes.
    [ "$(le "$f" 14 4)" = 4264 ] || ok=0
    [ "$ok" = 1 ] || { echo "make-icons: $f is not a single 32x32 32-bit DIB icon" >&2; return 1; }
    geo=$(identify -format '%w %h %A\n' "$f")
    case "$geo" in
        "32 32 "[Tt]rue*|"32 32 "[Bb]lend*) ;;
        *) echo "make-icons: identify reports '$geo' for $f" >&2; return 1 ;;
    esac
}

if [ $# -eq 0 ]; then
    set -- *.svg
fi

for svg in "$@"; do
    name=${svg%.svg}
    rsvg-convert -w 32 -h 32 -f png -o "$tmp/$name.png" "$name.svg"
    # PNG32 keeps the alpha channel even where the picture has few colours,
    # so the icon writer never falls back to a palette image.
    convert "PNG32:$tmp/$name.png" -define icon:auto-resize=32 "ICO:$tmp/$name.ico"
    check_ico "$tmp/$name.ico"
    mv "$tmp/$name.ico" "$name.ico"
    echo "$name.ico"
done
