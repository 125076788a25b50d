#!/bin/sh
# Writes the copy tests' payload files and their list into $1. Random
# content stands for files whose compressed form is larger than they are.
set -eu
out=$1
mkdir -p "$out"
cd "$out"
i=0
while [ $i -lt 40 ]; do
  echo "Release notes, entry $i: the library index is rebuilt on first start."
  i=$((i + 1))
done > notes.txt
i=0
{
  while [ $i -lt 4000 ]; do
    echo "<p>Section $i: documents, libraries and index $((i * 7919 % 1000)) of the manual.</p>"
    i=$((i + 1))
  done
  echo "<pre>"
  od -An -tx1 -N 80000 /dev/urandom
  echo "</pre>"
} > manual.htm
head -c 200001 /dev/urandom > noise.kbx
head -c 2600000 /dev/urandom > kovamain.exe
head -c 3000000 /dev/zero > zeros.dat
: > empty.txt
echo "not a real font" > sample.fon
cat > payload.list.new <<'LIST'
notes.txt notes.txt
manual.htm manual.htm
noise.kbx noise.kbx
kovamain.exe kovamain.exe
zeros.dat zeros.dat
empty.txt empty.txt
sample.fon sample.fon
LIST
mv payload.list.new payload.list
