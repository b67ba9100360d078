#!/usr/bin/env bash
# Rebuilds the shipped pictures from the SVG sources in src/.
# Needs rsvg-convert (librsvg2-bin), ImageMagick 6 and icotool (icoutils).
# The results are kept in the tree, so a normal build never runs this.
# The sources carry no xmlns attribute; librsvg renders them the same without it.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
src="$here/src"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

for tool in rsvg-convert convert icotool; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done

# render SVG WIDTH HEIGHT OUT.png -- exact size, transparent where nothing is drawn
render() {
    rsvg-convert -w "$2" -h "$3" "$src/$1" -o "$4"
}

# render_fit SVG SIZE OUT.png -- scale to fit a SIZE square, keep proportions, centre it
render_fit() {
    rsvg-convert --keep-aspect-ratio -w "$2" -h "$2" "$src/$1" -o "$tmp/fit.png"
    convert "$tmp/fit.png" -background none -gravity center -extent "$2x$2" "PNG32:$3"
}

# Writes a 24-bit uncompressed BMP with a 40-byte header.
bmp24() {
    convert "$1" -alpha off -type TrueColor "BMP3:$2"
}

# --- program icon: 48/32/16, each in 8 bpp (palette + 1-bit mask) and 32 bpp ---
ico_args=()
for s in 48 32 16; do
    render "icon-$s.svg" "$s" "$s" "$tmp/icon-$s-32.png"
    # The 8 bpp entry only has an AND mask, so make alpha all-or-nothing and
    # keep the colours under 256 or icotool refuses the depth.
    convert "$tmp/icon-$s-32.png" \
        \( +clone -alpha extract -threshold 50% \) \
        \( -clone 0 -alpha off +dither -colors 255 \) \
        -delete 0 +swap -compose CopyOpacity -composite "PNG32:$tmp/icon-$s-8.png"
    ico_args+=(-b 8 "$tmp/icon-$s-8.png" -b 32 "$tmp/icon-$s-32.png")
done
icotool -c -o "$here/corvane.ico" "${ico_args[@]}"

# --- maker's logo: progressive JPEG, 4:2:0 ---
render logo.svg 100 102 "$tmp/logo.png"
convert "$tmp/logo.png" -alpha off -strip -colorspace sRGB -type TrueColor \
    -sampling-factor 2x2,1x1,1x1 -interlace JPEG -quality 92 "$here/logo.jpg"

# --- button glyphs: the lower-left pixel is the transparent colour ---
# glyph NAME SVG W H BACKGROUND
glyph() {
    local name=$1 svg=$2 w=$3 h=$4 bg=$5
    render "$svg" "$w" "$h" "$tmp/$name.png"
    # Re-paint the outer ring so the key colour sits in every corner even if
    # an antialiased edge strays that far.
    convert "$tmp/$name.png" -background "$bg" -flatten \
        -shave 1x1 -bordercolor "$bg" -border 1 "$tmp/$name-flat.png"
    bmp24 "$tmp/$name-flat.png" "$here/glyphs/$name.bmp"
}
mkdir -p "$here/glyphs"
glyph speedbutton1 notepad.svg       33 37 'rgb(255,255,255)'
glyph speedbutton2 envelope.svg      35 36 'rgb(255,255,255)'
glyph speedbutton3 globe-ring.svg    40 38 'rgb(255,255,255)'
glyph speedbutton4 globe-refresh.svg 32 33 'rgb(255,248,255)'
glyph speedbutton5 stop.svg          27 25 'rgb(255,248,255)'
glyph speedbutton6 home.svg          32 32 'rgb(255,248,255)'

# --- menu pictures: 16 bpp colour + 1 bpp mask, silver where masked out ---
menu_sources=(
    menu-headset.svg
    menu-page-person.svg
    menu-power.svg
    globe-ring.svg
    envelope.svg
    notepad.svg
    menu-folder.svg
    menu-flag-bg.svg
    menu-flag-uk.svg
)
mkdir -p "$here/menu"
for i in "${!menu_sources[@]}"; do
    png="$tmp/menu$i.png"
    render_fit "${menu_sources[$i]}" 32 "$png"
    # opaque where at least half covered; white = keep in this intermediate
    convert "$png" -alpha extract -threshold 50% "$tmp/keep$i.png"
    convert -size 32x32 xc:silver \( "$png" -background silver -flatten \) "$tmp/keep$i.png" \
        -composite "$tmp/menu$i-flat.png"
    # The 16 bpp writer truncates, so 192 would land on 23 (read back as
    # 184). Hand it the middle of each 5-bit step so it stores v>>3 and
    # silver reads back as exactly 192; the 0.01 absorbs float error in u*255.
    # TrueColor keeps it from choosing a palette for few-colour pictures.
    convert "$tmp/menu$i-flat.png" -alpha off -fx '(floor(u*255/8+0.01)+0.5)/31' \
        -type TrueColor -define bmp:subtype=RGB555 \
        "BMP3:$here/menu/image$i.bmp"
    bpp=$(od -An -tu2 -j28 -N2 "$here/menu/image$i.bmp" | tr -d ' ')
    [ "$bpp" = 16 ] || { echo "image$i.bmp came out at $bpp bpp" >&2; exit 1; }
    # ImageMagick 6 marks this BI_BITFIELDS but writes no masks after the
    # 40-byte header. The pixels are plain 5-5-5, which is what BI_RGB at
    # 16 bpp means, so set the compression field (offset 30) to 0.
    printf '\0\0\0\0' | dd of="$here/menu/image$i.bmp" bs=1 seek=30 count=4 conv=notrunc status=none
    # black = picture, white = transparent
    convert "$tmp/keep$i.png" -negate -type bilevel "BMP3:$here/menu/image$i-mask.bmp"
done

# --- larger pictures ---
render portrait.svg 135 128 "$tmp/portrait.png"
bmp24 "$tmp/portrait.png" "$here/portrait.bmp"
render splash.svg 320 240 "$tmp/splash.png"
bmp24 "$tmp/splash.png" "$here/splash.bmp"
render cvlogo.svg 430 370 "$tmp/cvlogo.png"
bmp24 "$tmp/cvlogo.png" "$here/cvlogo.bmp"

echo "pictures written to $here"
