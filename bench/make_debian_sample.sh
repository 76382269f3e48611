#!/usr/bin/env bash
# Assembles the benchmark sample of Debian documentation in FOLDER: 300 pages, half of them
# Sphinx pages with scripts (the Python library reference, python3-doc) and half DocBook pages
# without scripts (the Debian Administrator's Handbook, debian-handbook, in English and
# French), each beside the style sheets and scripts it uses. The packages are fetched with
# `apt-get download` and unpacked in a scratch folder; nothing is installed.
#
#     bench/make_debian_sample.sh FOLDER [PAGES]      (PAGES is 300 unless given; even)
#
# FOLDER must be new or empty, and its path must not contain "htm": the folder walk takes every
# file below a path containing "htm", and the pages' scripts and style sheets would count too.
set -euo pipefail

folder=${1:?usage: make_debian_sample.sh FOLDER [PAGES]}
pages=${2:-300}
half=$((pages / 2))
if [[ ${folder,,} == *htm* ]]; then
    echo "make_debian_sample.sh: the folder's path must not contain \"htm\"" >&2
    exit 2
fi
mkdir -p "$folder"
if [[ -n $(ls -A "$folder") ]]; then
    echo "make_debian_sample.sh: $folder is not empty" >&2
    exit 2
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
chmod 755 "$scratch" # apt-get downloads as its own user where it can
# python3-doc only depends on the package of the current Python version, which holds the pages.
python_doc=$(apt-cache depends python3-doc | sed -n 's/^ *Depends: \(python3\.[0-9]*-doc\)$/\1/p')
(cd "$scratch" && apt-get download "$python_doc" debian-handbook libjs-jquery libjs-underscore \
    >/dev/null)
for package in "$scratch"/*.deb; do
    dpkg-deb -x "$package" "$scratch/root"
done
docs=$scratch/root/usr/share/doc

# The first pages by name of each source, with everything they refer to (the scripts are links
# into libjs-jquery and libjs-underscore, followed by -L). sed rather than head: head stops
# reading early, and sort, writing into the closed pipe, would fail the script under pipefail.
sphinx=$docs/${python_doc%-doc}/html
mkdir -p "$folder/sphinx/library"
cp -rL "$sphinx/_static" "$folder/sphinx/"
find "$sphinx/library" -maxdepth 1 -name '*.html' | LC_ALL=C sort | sed -n "1,${half}p" |
    xargs cp -t "$folder/sphinx/library"

handbook=$docs/debian-handbook/html
for language in en-US fr-FR; do
    mkdir -p "$folder/docbook/$language"
    cp -r "$handbook/$language/Common_Content" "$folder/docbook/$language/"
done
find "$handbook/en-US" -maxdepth 1 -name '*.html' | LC_ALL=C sort | sed -n "1,$((half / 2))p" |
    xargs cp -t "$folder/docbook/en-US"
find "$handbook/fr-FR" -maxdepth 1 -name '*.html' | LC_ALL=C sort | sed -n "1,$((half - half / 2))p" |
    xargs cp -t "$folder/docbook/fr-FR"

echo "$(find "$folder" -name '*.html' | wc -l) pages in $folder"
