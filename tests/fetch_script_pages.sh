#!/usr/bin/env bash
# Unpacks real pages of six documentation generators whose scripts the fast engine does not know,
# with the scripts and style sheets they use, below FOLDER as they lie in the packages:
#
#   rtd      Sphinx with the Read the Docs theme (Quart's manual, python-quart-doc)
#   pydata   Sphinx with the PyData theme (Groonga's English manual, groonga-doc; its pages name
#            the theme's script and style sheet of another version, which the package lacks)
#   gidocgen gi-docgen (libadwaita's reference, libadwaita-1-doc)
#   mkdocs   MkDocs with its own theme (MkDocs' manual, mkdocs-doc)
#   nodejs   Node.js's documentation tool (its API reference, nodejs-doc)
#   erlang   erl_docgen (the reference manuals of Erlang's stdlib and kernel, erlang-doc)
#
# At most 150 pages a tree: where a tree holds more, every n-th by name, so that the sample spans
# the kinds of page its generator writes. FOLDER/trees lists each tree's name and its folders.
#
# Each package is fetched at the version recorded in script-page-packages.txt beside this script
# (`apt-get download PACKAGE=VERSION`) and checked against the digest recorded there; only the
# files needed are taken out of them, nothing is installed. Done once: a FOLDER filled from the
# same record by the same script is left as it is. When a package cannot be fetched it says why,
# leaves the reason in FOLDER/unavailable and exits with 77, which ctest counts as a skip; the
# tests of these pages then skip too (needs_generator_pages.sh).
#
#     tests/fetch_script_pages.sh FOLDER
set -euo pipefail

here=$(dirname "$0")
folder=${1:?usage: fetch_script_pages.sh FOLDER}
record=$here/script-page-packages.txt
stamp=$(cat "$0" "$record" | sha256sum | cut -d' ' -f1)
[[ -f $folder/complete && $(cat "$folder/complete") == "$stamp" ]] && exit 0
rm -rf "$folder"
mkdir -p "$folder/root"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
chmod 755 "$scratch" # apt-get downloads as its own user where it can

unavailable() {
    echo "SKIP: the script pages cannot be had: $*" | tee "$folder/unavailable" >&2
    exit 77
}

while read -r package version digest; do
    [[ -z $package || $package == \#* ]] && continue
    (cd "$scratch" && apt-get download "$package=$version" >"$scratch/apt.log" 2>&1) ||
        unavailable "$package $version could not be fetched ($(grep -m1 '^E:' "$scratch/apt.log" ||
            echo 'apt-get download failed'))"
    deb=("$scratch/${package}_"*.deb)
    if [[ $(sha256sum "${deb[0]}" | cut -d' ' -f1) != "$digest" ]]; then
        echo "$package $version does not have the digest recorded in $record" >&2
        exit 1
    fi
done <"$record"

# Takes the members matching the patterns (a * does not cross a /) out of a package.
take() {
    local package=$1
    shift
    dpkg-deb --fsys-tarfile "$scratch"/"$package"_*.deb |
        tar -x -C "$folder/root" --wildcards --no-wildcards-match-slash "$@"
}

# Takes at most 150 of the package's pages whose member names match the extended regular
# expression: all of them, or every n-th by name.
take_sample() {
    local package=$1 pages=$2
    dpkg-deb --fsys-tarfile "$scratch"/"$package"_*.deb | tar -t | grep -E "^$pages\$" |
        LC_ALL=C sort | awk '{ name[NR] = $0 }
            END { step = NR > 150 ? NR / 150 : 1
                  for (i = 0; i * step < NR; ++i) print name[int(i * step) + 1] }' \
        >"$scratch/$package-sample"
    take "$package" -T "$scratch/$package-sample"
}

take libjs-jquery './usr/share/javascript/jquery/*'
take libjs-underscore './usr/share/javascript/underscore/*'
take libjs-sphinxdoc './usr/share/javascript/sphinxdoc/1.0/*'
take sphinx-common './usr/share/sphinx/themes/basic/static/*.js'

rtd=./usr/share/doc/python-quart-doc/html
take python-quart-doc "$rtd/_static/*.js" "$rtd/_static/*.css" "$rtd/_static/css/*" \
    "$rtd/_static/js/*" "$rtd/*.html" "$rtd/*/*.html" "$rtd/*/*/*.html"
take sphinx-rtd-theme-common './usr/share/sphinx_rtd_theme/static/css/*' \
    './usr/share/sphinx_rtd_theme/static/js/*'

pydata=./usr/share/doc/groonga-doc/en/html
take groonga-doc "$pydata/_static/*.js" "$pydata/_static/*.css" \
    "$pydata/_static/vendor/fontawesome/5.13.0/css/*"
take_sample groonga-doc "${pydata//./\\.}/([^_][^/]*/)*[^/]*\\.html"

gidocgen=./usr/share/doc/libadwaita-1
take libadwaita-1-doc "$gidocgen/*.js" "$gidocgen/*.css"
take_sample libadwaita-1-doc "${gidocgen//./\\.}/[^/]*\\.html"

mkdocs=./usr/share/doc/mkdocs/html
take mkdocs-doc "$mkdocs/*.html" "$mkdocs/*/*.html" "$mkdocs/css/*" "$mkdocs/js/*" \
    "$mkdocs/search/*" "$mkdocs/assets/*"
take libjs-bootstrap4 './usr/share/nodejs/bootstrap/dist/css/bootstrap.min.css' \
    './usr/share/nodejs/bootstrap/dist/js/bootstrap.min.js'
take libjs-lunr './usr/share/javascript/lunr/lunr.js'
take fonts-font-awesome './usr/share/fonts-font-awesome/css/*'

nodejs=./usr/share/doc/nodejs/api
take nodejs-doc "$nodejs/*.html" "$nodejs/assets/*"

erlang=./usr/share/doc/erlang-doc
take erlang-doc "$erlang/doc/*.css" "$erlang/doc/js/*" \
    "$erlang/lib/stdlib-4.2/doc/html/*.html" "$erlang/lib/kernel-8.5.3/doc/html/*.html"

cat >"$folder/trees" <<EOF
rtd root/${rtd#./}
pydata root/${pydata#./}
gidocgen root/${gidocgen#./}
mkdocs root/${mkdocs#./}
nodejs root/${nodejs#./}
erlang root/${erlang#./}/lib/stdlib-4.2/doc/html root/${erlang#./}/lib/kernel-8.5.3/doc/html
EOF
echo "$stamp" >"$folder/complete"
