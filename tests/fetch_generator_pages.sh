#!/usr/bin/env bash
# Unpacks real pages of the documentation generators whose scripts the fast engine knows, with the
# scripts and style sheets they use, below FOLDER as they lie in the packages: Sphinx (part of the
# Python library reference, python3.11-doc, and the Pallets theme of python-jinja2-doc), javadoc
# (java.util and java.io of openjdk-17-doc), AsciiDoc (git's manual pages, git-doc), Doxygen (the
# first 250 pages of libstdc++'s reference by name, libstdc++-12-doc, with the data files of their
# navigation tree), mdBook (the Rust book and the Nomicon, rust-doc) and rustdoc (fourteen modules
# of Rust's std, rust-doc, with each module's list of items), a couple of hundred pages each.
#
# The tests expect these pages byte for byte, so each package is fetched at the version recorded
# in generator-packages.txt beside this script (`apt-get download PACKAGE=VERSION`) and checked
# against the digest recorded there; only the files needed are taken out of them, nothing is
# installed. Done once: a FOLDER filled from the same record by the same script is left as it is.
#
# When a package cannot be fetched (no network, or the archive no longer holds that version) it
# says why, leaves the reason in FOLDER/unavailable and exits with 77, which ctest counts as a
# skip; the tests of these pages then skip too (needs_generator_pages.sh).
#
#     tests/fetch_generator_pages.sh FOLDER
set -euo pipefail

here=$(dirname "$0")
pages_record=$here/generator-packages.txt
pages_name="generator pages"
# shellcheck source=debian_package_pages.sh
source "$here/debian_package_pages.sh"
take libjs-jquery './usr/share/javascript/jquery/*'
take libjs-underscore './usr/share/javascript/underscore/*'
take libjs-jquery-ui './usr/share/javascript/jquery-ui/*'
take libjs-sphinxdoc './usr/share/javascript/sphinxdoc/1.0/*'
python=./usr/share/doc/python3.11/html
take python3.11-doc "$python/_static/*" "$python/library/[a-j]*.html"
jinja=./usr/share/doc/python-jinja2-doc/html
take python-jinja2-doc "$jinja/_static/*" "$jinja/*.html"
api=./usr/share/doc/openjdk-17-jre-headless/api
take openjdk-17-doc "$api/*.js" "$api/*.css" "$api/script-dir/*" "$api/resources/*" \
    "$api/java.base/java/util/*.html" "$api/java.base/java/io/*.html"
take git-doc './usr/share/doc/git-doc/*.html'
# Of the tree's data, the index files, the folders' lists and the modules' (some files are
# listed under a module) are shared by the pages; each file page and its source listing load
# the file's own list too.
doxygen=./usr/share/doc/gcc-12-base/libstdc++/user
dpkg-deb --fsys-tarfile "$scratch"/libstdc++-12-doc_*.deb | tar -t >"$scratch/doxygen-members"
sed -n "\\|^$doxygen/[^/]*\\.html\$|p" "$scratch/doxygen-members" | LC_ALL=C sort | sed -n 1,250p \
    >"$scratch/doxygen-pages"
sed -E 's|_source\.html$|.html|; s|\.html$|.js|' "$scratch/doxygen-pages" |
    grep -Fx -f - "$scratch/doxygen-members" >"$scratch/doxygen-lists" || true
take libstdc++-12-doc -T "$scratch/doxygen-pages" -T "$scratch/doxygen-lists" "$doxygen/*.css" \
    "$doxygen/jquery.js" "$doxygen/dynsections.js" "$doxygen/resize.js" "$doxygen/navtree*.js" \
    "$doxygen/dir_*.js" "$doxygen/files_dup.js" "$doxygen/modules.js" "$doxygen/a015[6-9]?.js" \
    "$doxygen/a016[01]?.js"
# mdBook: the Rust book's chapters and the Nomicon's, with their scripts and style sheets.
take libjs-highlight.js './usr/share/javascript/highlight.js/highlight.js'
rust=./usr/share/doc/rust-doc/html
take rust-doc "$rust/book/*.html" "$rust/nomicon/*.html" "$rust/book/css/*" "$rust/nomicon/css/*" \
    "$rust/book/theme/*" "$rust/book/*.css" "$rust/nomicon/*.css" \
    "$rust/book/book.js" "$rust/book/highlight.js" "$rust/book/ferris.js" \
    "$rust/nomicon/book.js" "$rust/nomicon/highlight.js"
# rustdoc: the item pages of a few modules of std, each module's items (which the sidebar lists)
# and the scripts and style sheets they share; a trait's implementors are left out, as its page
# goes to the browser anyway.
rustdoc=("$rust/*1.63.0.css" "$rust/storage1.63.0.js" "$rust/main1.63.0.js")
for module in cell cmp collections env fs net option process rc result string sync thread vec; do
    rustdoc+=("$rust/std/$module/*.html" "$rust/std/$module/sidebar-items1.63.0.js")
done
take rust-doc "${rustdoc[@]}"

echo "$stamp" >"$folder/complete"
