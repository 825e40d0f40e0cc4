# The demo task of scripts/run: short clips made with FFmpeg (a reference and impaired versions
# in two groups) and a DSIS task over them, written once into the given folder.
# shellcheck shell=bash

# make_demo <folder> [<seconds> [<size>]]: writes <folder>/demo.vixo and its clips (4 s at
# 640x360 unless told otherwise) unless they are there already.
make_demo() {
  local dir="$1" seconds="${2:-4}" size="${3:-640x360}"
  [ -f "$dir/demo.vixo" ] && return 0
  mkdir -p "$dir/clips"
  local ff=(ffmpeg -hide_banner -loglevel error -y)
  echo "Making the demo clips in $dir/clips ..."
  # Group 1: test bars; group 2: a fractal zoom.
  "${ff[@]}" -f lavfi -i "testsrc2=size=$size:rate=25:duration=$seconds" \
    -c:v libx264 -preset veryfast -crf 16 -pix_fmt yuv420p "$dir/clips/bars_reference.mkv" &&
  "${ff[@]}" -i "$dir/clips/bars_reference.mkv" -vf "boxblur=4:1" \
    -c:v libx264 -preset veryfast -crf 16 -pix_fmt yuv420p "$dir/clips/bars_blurred.mkv" &&
  "${ff[@]}" -i "$dir/clips/bars_reference.mkv" -c:v mpeg4 -q:v 31 "$dir/clips/bars_blocky.mkv" &&
  "${ff[@]}" -f lavfi -i "mandelbrot=size=$size:rate=25" -t "$seconds" \
    -c:v libx264 -preset veryfast -crf 16 -pix_fmt yuv420p "$dir/clips/fractal_reference.mkv" &&
  "${ff[@]}" -i "$dir/clips/fractal_reference.mkv" -vf "noise=alls=40:allf=t" \
    -c:v libx264 -preset veryfast -crf 26 -pix_fmt yuv420p "$dir/clips/fractal_noisy.mkv" &&
  "${ff[@]}" -i "$dir/clips/fractal_reference.mkv" -c:v mpeg4 -q:v 31 \
    "$dir/clips/fractal_blocky.mkv" || return 1
  cat > "$dir/demo.vixo.tmp" <<'TASK'
{
  "generator" : "Orlo VIXO",
  "generator-version-maj" : 2,
  "generator-version-min" : 1,
  "generator-version-rev" : 12218,
  "generator-version-extra" : "",
  "file-format-version" : 100,
  "generator-url" : "http://www.example.com/vixo",
  "task-name" : "Demo: bars and fractal",
  "files" : [
    { "id" : "bars reference", "path" : "clips/bars_reference.mkv", "group" : 1 },
    { "id" : "bars blurred", "path" : "clips/bars_blurred.mkv", "group" : 1 },
    { "id" : "bars blocky", "path" : "clips/bars_blocky.mkv", "group" : 1 },
    { "id" : "fractal reference", "path" : "clips/fractal_reference.mkv", "group" : 2 },
    { "id" : "fractal noisy", "path" : "clips/fractal_noisy.mkv", "group" : 2 },
    { "id" : "fractal blocky", "path" : "clips/fractal_blocky.mkv", "group" : 2 }
  ],
  "properties" : {
    "method" : "DSIS",
    "cycles" : 1,
    "trainingQuestions" : 0,
    "relativePaths" : true
  },
  "references" : [ 0, 3 ]
}
TASK
  mv "$dir/demo.vixo.tmp" "$dir/demo.vixo"
}
