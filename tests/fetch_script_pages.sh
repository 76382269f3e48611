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
pages_record=$here/script-page-packages.txt
pages_name="script pages"
# shellcheck source=debian_package_pages.sh
source "$here/debian_package_pages.sh"

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
