#!/usr/bin/env bash
# Saves what a display shows, such as the virtual one tools/start.sh names,
# as a PNG image:   tools/screenshot.sh :1 shot.png
set -euo pipefail
display=${1:?usage: tools/screenshot.sh DISPLAY FILE.png}
file=${2:?usage: tools/screenshot.sh DISPLAY FILE.png}
import -display "$display" -window root "$file"
echo "screenshot: $file"
