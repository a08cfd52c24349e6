#!/usr/bin/env bash
# Regenerates the driver fixtures in this folder from small PostScript pages.
# Needs: ghostscript, printer-driver-foo2zjs, cups-filters and
# printer-driver-gutenprint (not needed to run the tests).
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
gsq() { gs -q -dNOPAUSE -dBATCH -dSAFER "$@"; }

# Four pages, each with a few lines of text and a grey band.
cat > "$tmp/four.ps" <<'PS'
%!PS-Adobe-3.0
%%Title: (Quarterly Report)
%%Pages: 4
%%EndComments
/Helvetica findfont 14 scalefont setfont
1 1 4 {
  /n exch def
  72 750 moveto (Page ) show n 3 string cvs show
  72 700 moveto (Blank bands above and below the grey one) show
  0.8 setgray 72 400 200 12 rectfill 0 setgray
  showpage
} for
%%EOF
PS
# Two pages of a single line.
cat > "$tmp/two.ps" <<'PS'
%!PS-Adobe-3.0
%%Title: (Small)
%%Pages: 2
%%EndComments
/Helvetica findfont 12 scalefont setfont
72 750 moveto (Page 1) show showpage
72 750 moveto (Page 2) show showpage
%%EOF
PS

# PCL whose blank raster rows are written as a group without digits ("ESC *bW").
gsq -sDEVICE=ljet2p -r300 -sOutputFile=pcl-blank-rows.prn "$tmp/four.ps"
# PCL duplex with copies in the stream (ESC &l2X).
gsq -sDEVICE=ljet4d -r300 -dNumCopies=2 -dDuplex=true -sOutputFile=pcl-ljet4d-copies.prn "$tmp/two.ps"
# PCL in a PJL job: the header an HP driver writes around the same data.
{
  printf '\033%%-12345X@PJL JOB NAME="Budget.xlsx"\r\n'
  printf '@PJL COMMENT "Username: erin; App Filename: Budget.xlsx"\r\n'
  printf '@PJL SET COPIES=3\r\n@PJL SET PAPERWIDTH=5953\r\n@PJL SET PAPERLENGTH=8419\r\n'
  printf '@PJL SET RESOLUTION=300\r\n@PJL ENTER LANGUAGE=PCL\r\n'
  gsq -sDEVICE=ljet4 -r75 -sOutputFile=- "$tmp/two.ps"
  printf '\033%%-12345X@PJL EOJ NAME="Budget.xlsx"\r\n\033%%-12345X'
} > pcl-pjl-copies.prn
# PCL XL behind PJL.
gsq -sDEVICE=pxlmono -r75 -sOutputFile=pclxl-pxlmono.prn "$tmp/two.ps"
# ZJS from foo2zjs.
gsq -sDEVICE=pbmraw -sPAPERSIZE=a4 -r600x600 -sOutputFile=- "$tmp/four.ps" |
  foo2zjs -r600x600 -g4960x7016 -p9 -z0 -J "ZJS Title" -U tester > zjs-foo2zjs.prn
# ESC/P2 from Gutenprint (exit packet, remote mode, run-length raster).
/usr/lib/cups/driver/gutenprint.5.3 cat gutenprint.5.3://escp2-c88/expert > "$tmp/c88.ppd"
gsq -sDEVICE=cups -r180 -sPAPERSIZE=a4 -dcupsBitsPerColor=8 -dcupsColorSpace=1 \
  -sOutputFile="$tmp/c88.ras" "$tmp/two.ps"
PPD="$tmp/c88.ppd" /usr/lib/cups/filter/rastertogutenprint.5.3 7 bob "Escp Doc" 1 \
  "Resolution=180x180dpi StpQuality=Draft" "$tmp/c88.ras" > escp2-gutenprint.prn 2>/dev/null
# PostScript from cups-filters' pstops: one-sided and two-sided.
gsq -sDEVICE=ps2write -sOutputFile="$tmp/four-dsc.ps" "$tmp/four.ps"
for duplex in None; do
  PPD=/usr/share/ppd/cupsfilters/pxlmono.ppd /usr/lib/cups/filter/pstops 42 alice \
    "Quarterly Report" 2 "Duplex=$duplex PageSize=A4" "$tmp/four-dsc.ps" > "ps-duplex-$duplex.ps" 2>/dev/null
done
ls -l
