#!/bin/sh
# How the BMP test pictures were made (ImageMagick 6.9). pattern.ppm is 5 x 3:
# top row white then red, middle row green, bottom row blue then black.
# wide.ppm appends a 15 x 3 grey ramp on the right, for more than 16 colours.
set -e
convert -size 5x1 xc:red -size 5x1 xc:lime -size 5x1 xc:blue -append \
  -fill white -draw "point 0,0" -fill black -draw "point 4,2" pattern.ppm
convert pattern.ppm \( -size 3x15 gradient:gray10-gray90 -rotate -90 \) +append -depth 8 wide.ppm
convert -size 5x3 xc:black -fill white -draw "line 0,0 4,0" -fill black -draw "point 0,0" \
  -type bilevel BMP3:mono1.bmp                                        # 1 bit
convert pattern.ppm -colors 8 -type palette BMP3:pal4.bmp             # 4 bits
convert wide.ppm -type palette -compress none BMP3:pal8.bmp           # 8 bits
convert pattern.ppm -type palette -colors 5 -compress RLE BMP3:rle8.bmp
convert pattern.ppm -define bmp:subtype=RGB555 rgb555.bmp             # 16 bits, V5 header
convert pattern.ppm -define bmp:subtype=RGB565 rgb565.bmp
convert pattern.ppm -type truecolor BMP3:rgb24.bmp                    # 24 bits
convert pattern.ppm -type truecolor BMP2:os2.bmp                      # OS/2 core header
# 32 bits with the second pixel half transparent: BI_RGB, then bit fields.
convert wide.ppm -alpha set -region 1x1+1+0 -channel A -evaluate set 50% +channel +region \
  -define bmp3:alpha=true BMP3:argb32.bmp
convert wide.ppm -alpha set -region 1x1+1+0 -channel A -evaluate set 50% +channel +region \
  argb32v5.bmp
convert pattern.ppm icon.ico
rm pattern.ppm wide.ppm
