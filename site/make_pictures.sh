#!/bin/sh
# Regenerates the wallpapers in site/pictures/ (1920x880 JPEG, quality 85).
# Fixed seeds keep the plasma backgrounds the same on every run.
# Needs ImageMagick's convert (Debian package imagemagick).
set -eu
cd "$(dirname "$0")"
CONVERT=${CONVERT:-/usr/bin/convert}
mkdir -p pictures

make() {
    out=$1; seed=$2; colours=$3; shift 3
    "$CONVERT" -seed "$seed" -size 1920x880 "plasma:$colours" -blur 0x1 \
        "$@" -strip -quality 85 "pictures/$out"
}

make wall-1.jpg 11 steelblue-navy \
    -fill 'rgba(255,220,120,0.55)' -draw 'circle 1400,300 1400,520' \
    -fill 'rgba(20,20,40,0.6)' -draw 'polygon 150,880 650,260 1150,880' \
    -fill 'rgba(20,20,40,0.45)' -draw 'polygon 700,880 1100,420 1500,880'

make wall-2.jpg 23 firebrick-gold \
    -fill 'rgba(255,255,255,0.35)' -draw 'circle 480,360 480,600' \
    -stroke 'rgba(60,0,0,0.7)' -strokewidth 18 -fill none \
    -draw 'line 0,760 1920,520' -draw 'line 0,840 1920,600'

make wall-3.jpg 37 seagreen-khaki \
    -fill 'rgba(0,40,20,0.5)' -draw 'roundrectangle 260,140 860,740 60,60' \
    -fill 'rgba(255,250,220,0.5)' -draw 'ellipse 1380,440 360,200 0,360'

make wall-4.jpg 41 purple-orchid \
    -fill 'rgba(255,240,255,0.4)' -draw 'polygon 960,60 1140,440 960,820 780,440' \
    -fill 'rgba(30,0,50,0.55)' -draw 'circle 300,700 300,900' -draw 'circle 1650,180 1650,330'

make wall-5.jpg 53 darkorange-midnightblue \
    -fill 'rgba(0,0,30,0.5)' -draw 'rectangle 0,620 1920,880' \
    -fill 'rgba(255,200,80,0.6)' -draw 'circle 1500,380 1500,500' \
    -stroke 'rgba(255,255,255,0.5)' -strokewidth 6 -fill none \
    -draw 'bezier 100,600 600,200 1100,800 1800,300'
